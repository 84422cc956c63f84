// Damaged, missing and odd files: each gives a message that names the file and the fault, never a
// crash.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "export/dbf_table.h"
#include "platform/error.h"
#include "tests/support/dbf_writer.h"
#include "tests/support/temp_folder.h"

namespace shelvex::exporting {
namespace {

namespace fs = std::filesystem;
using testing::DbfFlavor;
using testing::DbfWriter;
using testing::PatchFile;
using testing::TempFolder;

// books.dbf: TITLE C(10), NOTE memo; one record with a memo. The memo pointer of record 1 is at 108
// (header 97 + deletion flag + TITLE) in dBase and FoxPro 2 tables.
constexpr std::uint64_t kMemoPointer = 97 + 1 + 10;

void WriteBooks(const fs::path& folder, DbfFlavor flavor) {
  DbfWriter writer(folder / "books.dbf", flavor, {{"TITLE", 'C', 10}, {"NOTE", 'M'}});
  writer.Text(0, "Salt").Memo(1, "a note").EndRecord();
}

std::string Le16(unsigned value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

// Opens books.dbf and reads every value of every record; the message of the Error that comes out,
// or "".
std::string ReadError(const fs::path& folder) {
  try {
    DbfTable table(folder, "books.dbf");
    while (table.Next()) {
      for (std::size_t i = 0; i < table.fields().size(); ++i) table.Value(i);
    }
  } catch (const Error& error) {
    return error.what();
  }
  return "";
}

struct DamageCase {
  const char* label;
  std::function<void(const fs::path&)> make;
  std::string message;  // the whole message; "{folder}" stands for the data folder
};

void PrintTo(const DamageCase& c, std::ostream* out) { *out << c.label; }

const DamageCase kDamageCases[] = {
    {"MissingTable", [](const fs::path&) {},
     "books.dbf: the table file does not exist in {folder}"},
    {"EmptyFile", [](const fs::path& f) { testing::WriteAll(f / "books.dbf", ""); },
     "books.dbf: the file is empty"},
    {"Folder", [](const fs::path& f) { fs::create_directory(f / "books.dbf"); },
     "books.dbf: is a folder, not a file"},
    {"CutInHeader",
     [](const fs::path& f) {
       WriteBooks(f, DbfFlavor::kDbase3);
       fs::resize_file(f / "books.dbf", 20);
     },
     "books.dbf: the file is too short for a table header (20 bytes)"},
    {"NotATable",
     [](const fs::path& f) { testing::WriteAll(f / "books.dbf", std::string(64, 'h')); },
     "books.dbf: this is not a dBase table (version byte 0x68)"},
    {"HeaderLongerThanFile",
     [](const fs::path& f) {
       WriteBooks(f, DbfFlavor::kDbase3);
       PatchFile(f / "books.dbf", 8, Le16(0xFFFF));
     },
     "books.dbf: the header claims 65535 bytes but the file holds only 119"},
    {"HeaderTooShortForFields",
     [](const fs::path& f) {
       WriteBooks(f, DbfFlavor::kDbase3);
       PatchFile(f / "books.dbf", 8, Le16(32));
     },
     "books.dbf: the header length 32 leaves no room for field descriptors"},
    {"DescriptorsPastHeader",
     [](const fs::path& f) {
       WriteBooks(f, DbfFlavor::kDbase3);
       PatchFile(f / "books.dbf", 8, Le16(40));
     },
     "books.dbf: the field descriptors run past the end of the header"},
    {"RecordLengthZero",
     [](const fs::path& f) {
       WriteBooks(f, DbfFlavor::kDbase3);
       PatchFile(f / "books.dbf", 10, Le16(0));
     },
     "books.dbf: the record length is 0"},
    {"RecordShorterThanFields",
     [](const fs::path& f) {
       WriteBooks(f, DbfFlavor::kDbase3);
       PatchFile(f / "books.dbf", 10, Le16(3));
     },
     "books.dbf: the fields need 21 bytes but a record holds only 3"},
    {"NoFields",
     [](const fs::path& f) {
       WriteBooks(f, DbfFlavor::kDbase3);
       PatchFile(f / "books.dbf", 32, "\x0D");
     },
     "books.dbf: the table has no fields"},
    {"DateOfWrongLength",
     [](const fs::path& f) {
       { DbfWriter writer(f / "books.dbf", DbfFlavor::kDbase3, {{"ADDED", 'D'}}); }
       PatchFile(f / "books.dbf", 32 + 16, "\x05");
     },
     "books.dbf: field ADDED: a field of type 'D' must be 8 bytes long, not 5"},
    {"MemoFileMissing",
     [](const fs::path& f) {
       WriteBooks(f, DbfFlavor::kDbase3);
       fs::remove(f / "books.dbt");
     },
     "books.dbf: its memo file books.dbt is missing"},
    {"MemoFileEmpty",
     [](const fs::path& f) {
       WriteBooks(f, DbfFlavor::kDbase3);
       fs::resize_file(f / "books.dbt", 0);
     },
     "books.dbt: the memo file is empty"},
    {"MemoPointerPastEnd",
     [](const fs::path& f) {
       WriteBooks(f, DbfFlavor::kDbase3);
       PatchFile(f / "books.dbf", kMemoPointer, "       812");
     },
     "books.dbt: memo block 812 lies past the end of the file"},
    {"MemoPointerFarPastEnd",
     [](const fs::path& f) {
       WriteBooks(f, DbfFlavor::kDbase4);
       PatchFile(f / "books.dbf", kMemoPointer, "4294967295");
     },
     "books.dbt: memo block 4294967295 lies past the end of the file"},
    {"MemoPointerNotANumber",
     [](const fs::path& f) {
       WriteBooks(f, DbfFlavor::kDbase3);
       PatchFile(f / "books.dbf", kMemoPointer,
                 "      1\x01"
                 "ab");
     },
     "books.dbf: record 1, field NOTE: the memo block number \"      1?ab\" is not a number"},
    {"MemoValueRunsPastEnd",
     [](const fs::path& f) {
       WriteBooks(f, DbfFlavor::kDbase4);
       PatchFile(f / "books.dbt", 512 + 4, std::string("\x00\x00\x01\x00", 4));
     },
     "books.dbt: memo block 1 runs past the end of the file"},
    {"MemoBlockHeaderDamaged",
     [](const fs::path& f) {
       WriteBooks(f, DbfFlavor::kDbase4);
       PatchFile(f / "books.dbt", 512 + 4, std::string("\x03\x00\x00\x00", 4));
     },
     "books.dbt: memo block 1 has a damaged block header"},
    {"FoxProBlockSizeZero",
     [](const fs::path& f) {
       WriteBooks(f, DbfFlavor::kFoxPro2);
       PatchFile(f / "books.fpt", 6, std::string("\x00\x00", 2));
     },
     "books.fpt: the memo file header gives a block size of 0"},
    {"FoxProPointerInsideHeader",
     [](const fs::path& f) {
       WriteBooks(f, DbfFlavor::kFoxPro2);
       PatchFile(f / "books.dbf", kMemoPointer, "         3");
     },
     "books.fpt: memo block 3 lies inside the memo file header"},
    {"FoxProMemoCutShort",
     [](const fs::path& f) {
       {
         DbfWriter writer(f / "books.dbf", DbfFlavor::kFoxPro2,
                          {{"TITLE", 'C', 10}, {"NOTE", 'M'}});
         writer.Memo(1, std::string(200, 'x')).EndRecord();
       }
       fs::resize_file(f / "books.fpt", 512 + 100);
     },
     "books.fpt: memo block 8 runs past the end of the file"},
    {"VisualFoxProWithoutNullFlags",
     [](const fs::path& f) {
       {
         DbfWriter writer(f / "books.dbf", DbfFlavor::kVisualFoxPro, {{"TITLE", 'C', 10, 0, 0x02}});
       }
       PatchFile(f / "books.dbf", 32 + 32 + 11, "C");  // _NullFlags becomes a character field
     },
     "books.dbf: fields allow null or vary in length but the table has no _NullFlags field"},
    {"VisualFoxProNullFlagsTooShort",
     [](const fs::path& f) {
       std::vector<testing::DbfFieldSpec> fields;
       for (int i = 0; i < 9; ++i) fields.push_back({"F" + std::to_string(i), 'C', 1, 0, 0x02});
       { DbfWriter writer(f / "books.dbf", DbfFlavor::kVisualFoxPro, fields); }
       PatchFile(f / "books.dbf", 32 + 9 * 32 + 16, "\x01");
     },
     "books.dbf: the _NullFlags field has 8 bits but the fields need 9"},
};

class DamagedTable : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedTable, GivesAMessageNamingTheFileAndTheFault) {
  const DamageCase& c = GetParam();
  TempFolder folder;
  c.make(folder.path());
  std::string expected = c.message;
  const std::size_t at = expected.find("{folder}");
  if (at != std::string::npos) expected.replace(at, 8, folder.path().string());
  EXPECT_EQ(ReadError(folder.path()), expected);
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedTable, ::testing::ValuesIn(kDamageCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(DamagedTable, UndamagedBooksReadWithoutError) {
  // The cases above damage these tables; undamaged they read.
  for (DbfFlavor flavor : {DbfFlavor::kDbase3, DbfFlavor::kDbase4, DbfFlavor::kFoxPro2}) {
    TempFolder folder;
    WriteBooks(folder.path(), flavor);
    EXPECT_EQ(ReadError(folder.path()), "");
  }
}

TEST(DamagedTable, EmptyTableNameIsRefused) {
  TempFolder folder;
  try {
    DbfTable table(folder.path(), "");
    FAIL() << "opened a table without a name";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Missing TableName property");
  }
}

TEST(DamagedTable, OtherDriverTypesAreRefused) {
  TempFolder folder;
  WriteBooks(folder.path(), DbfFlavor::kDbase3);
  fs::rename(folder / "books.dbf", folder / "books.db");
  try {
    DbfTable table(folder.path(), "books.db");
    FAIL() << "opened a Paradox table";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "books.db: only dBase tables can be read, not driver type PARADOX");
  }
}

}  // namespace
}  // namespace shelvex::exporting
