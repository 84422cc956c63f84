#include "tests/support/sample_library.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/dbf_writer.h"
#include "tests/support/definition_writer.h"
#include "tests/support/temp_folder.h"

namespace shelvex::testing {

namespace {

namespace fs = std::filesystem;

constexpr std::array kWords = {"River",   "Garden",   "Winter",   "Harbour", "Silent", "Copper",
                               "Letters", "Orchard",  "Northern", "Lantern", "Stone",  "Summer",
                               "Journey", "Island",   "Shadow",   "Meadow",  "Falcon", "Thread",
                               "Evening", "Mountain", "Secret",   "Glass",   "Autumn", "Bridge"};
constexpr std::array kSurnames = {"Alder",   "Brook",  "Carver", "Dunmore", "Ellery", "Fenwick",
                                  "Garland", "Hollis", "Ingram", "Jessop",  "Kettle", "Lowell"};
constexpr std::array kFirstNames = {"Ada",   "Ben",  "Clara", "Dev", "Elin", "Finn",
                                    "Greta", "Hugo", "Iris",  "Jon", "Kira", "Leo"};
constexpr std::array kCategories = {"Fiction", "History", "Science", "Children",
                                    "Poetry",  "Travel",  "Art",     "Biography"};
constexpr std::array kPublishers = {"Harrow & Lane", "Bellwether Press", "Quillstone",
                                    "North Road Books", "Tidewater"};

// A small deterministic generator, so the same sizes always give the same files.
class Numbers final {
 public:
  std::uint32_t Next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  template <typename List>
  const char* Pick(const List& list) {
    return list[Next() % list.size()];
  }
  int Below(int limit) { return static_cast<int>(Next() % static_cast<std::uint32_t>(limit)); }

 private:
  std::uint64_t state_ = 0x5eed;
};

void WriteLabels(const fs::path& path, const std::vector<DbfFieldSpec>& fields) {
  std::string text;
  for (const DbfFieldSpec& field : fields) text += field.name + "\r\n";
  WriteAll(path, text);
}

template <typename Fill>
void WriteTable(const fs::path& folder, const std::string& stem,
                const std::vector<DbfFieldSpec>& fields, int records, Numbers& numbers, Fill fill) {
  DbfWriter writer(folder / (stem + ".dbf"), DbfFlavor::kDbase3, fields);
  for (int record = 0; record < records; ++record) {
    fill(writer, record, numbers);
    writer.EndRecord();
  }
  writer.Finish();
  WriteLabels(folder / (stem + ".lab"), fields);
}

void FillBook(DbfWriter& row, int record, Numbers& n) {
  std::string title = std::string("The ") + n.Pick(kWords) + " " + n.Pick(kWords);
  if (n.Below(3) == 0) title += std::string(" of ") + n.Pick(kWords);
  row.Integer(0, record + 1)
      .Text(1, title)
      .Text(2, std::string(n.Pick(kSurnames)) + ", " + n.Pick(kFirstNames))
      .Text(3, n.Pick(kCategories))
      .Text(4, n.Pick(kPublishers))
      .Integer(5, 1950 + n.Below(75))
      .Text(6, "978" + std::to_string(1000000000 + n.Next() % 900000000))
      .Date(7, 1990 + n.Below(35), 1 + n.Below(12), 1 + n.Below(28));
}

// A few sentences made of the word lists, about 300 bytes.
std::string Notes(Numbers& n) {
  std::string notes;
  while (notes.size() < 280) {
    notes += std::string("A ") + n.Pick(kWords) + " tale of " + n.Pick(kWords) + " and " +
             n.Pick(kWords) + ", told by " + n.Pick(kFirstNames) + " " + n.Pick(kSurnames) +
             ".\r\n";
  }
  return notes;
}

void FillLoan(DbfWriter& row, int record, Numbers& n) {
  const int month = 1 + n.Below(12);
  const int day = 1 + n.Below(14);
  row.Integer(0, 1 + n.Below(1000000))
      .Integer(1, 1 + n.Below(5000))
      .Date(2, 2024, month, day)
      .Date(3, 2024, month, day + 14)
      .Logical(4, record % 5 == 0);
}

void FillReservation(DbfWriter& row, int, Numbers& n) {
  row.Integer(0, 1 + n.Below(1000000))
      .Integer(1, 1 + n.Below(5000))
      .Date(2, 2024, 1 + n.Below(12), 1 + n.Below(28));
}

void FillMember(DbfWriter& row, int record, Numbers& n) {
  const std::string first = n.Pick(kFirstNames);
  const std::string last = n.Pick(kSurnames);
  row.Integer(0, record + 1)
      .Text(1, first + " " + last)
      .Text(2, std::to_string(1 + n.Below(200)) + " " + n.Pick(kWords) + " Street")
      .Text(3, "555-" + std::to_string(1000 + n.Below(9000)))
      .Text(4, first + "." + last + "@example.org");
}

void FillFine(DbfWriter& row, int, Numbers& n) {
  row.Integer(0, 1 + n.Below(5000))
      .Number(1, (5 + n.Below(200)) / 4.0)
      .Text(2, n.Below(2) == 0 ? "Late return" : "Damaged cover");
}

}  // namespace

void WriteSampleLibrary(const fs::path& data_folder, const SampleLibrarySize& size) {
  fs::create_directories(data_folder);
  Numbers numbers;
  std::vector<DbfFieldSpec> book_fields{
      {"ID", 'N', 8},         {"TITLE", 'C', 60}, {"AUTHOR", 'C', 40}, {"CATEGORY", 'C', 20},
      {"PUBLISHER", 'C', 30}, {"YEAR", 'N', 4},   {"ISBN", 'C', 13},   {"ACQUIRED", 'D'}};
  if (size.notes_every > 0) book_fields.push_back({"NOTES", 'M'});
  WriteTable(data_folder, "book", book_fields, size.books, numbers,
             [&size](DbfWriter& row, int record, Numbers& n) {
               FillBook(row, record, n);
               if (size.notes_every > 0 && record % size.notes_every == 0) row.Memo(8, Notes(n));
             });
  WriteTable(data_folder, "bookz",
             {{"BOOK_ID", 'N', 8},
              {"MEMBER_ID", 'N', 6},
              {"OUT_DATE", 'D'},
              {"DUE_DATE", 'D'},
              {"RENEWED", 'L'}},
             size.loans, numbers, FillLoan);
  WriteTable(data_folder, "bookr", {{"BOOK_ID", 'N', 8}, {"MEMBER_ID", 'N', 6}, {"PLACED", 'D'}},
             size.reservations, numbers, FillReservation);
  WriteTable(data_folder, size.borrowers,
             {{"ID", 'N', 6},
              {"NAME", 'C', 40},
              {"ADDRESS", 'C', 50},
              {"PHONE", 'C', 12},
              {"EMAIL", 'C', 50}},
             size.members, numbers, FillMember);
  WriteTable(data_folder, "fines",
             {{"MEMBER_ID", 'N', 6}, {"AMOUNT", 'N', 8, 2}, {"REASON", 'C', 30}}, size.fines,
             numbers, FillFine);

  DefinitionWriter book;
  book.AddField(0, layout::fstSimple, "");
  book.AddField(1, layout::fstLoan, size.borrowers + ".dbf");
  book.Write(data_folder / "book.def");
  DefinitionWriter member;
  member.AddField(0, layout::fstSimple, "");
  member.AddField(2, layout::fstMasterDetail, "fines.dbf\x03ID\x03MEMBER_ID");
  member.Write(data_folder / (size.borrowers + ".def"));
}

}  // namespace shelvex::testing
