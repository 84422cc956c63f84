// Writes the seed corpus of dbf_reader_fuzzer into a folder: every real-world table (trimmed to a
// few records) with its memo file, and a small table of every family and field kind written by the
// test writer.
//
// Usage: dbf_fuzz_seeds CORPUS_FOLDER REALWORLD_FIXTURE_FOLDER

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/dbf_writer.h"

namespace fs = std::filesystem;
using shelvex::testing::DbfFieldSpec;
using shelvex::testing::DbfFlavor;
using shelvex::testing::DbfWriter;

namespace {

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Keeps the header and the first `records` records, so that seeds stay small and fuzzing fast.
std::string Trim(std::string table, std::uint32_t records) {
  if (table.size() < 12) return table;
  const auto byte = [&](int i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(table[i]));
  };
  const std::uint32_t count = byte(4) | byte(5) << 8 | byte(6) << 16 | byte(7) << 24;
  const std::uint32_t header = byte(8) | byte(9) << 8;
  const std::uint32_t length = byte(10) | byte(11) << 8;
  if (count <= records) return table;
  for (int i = 0; i < 4; ++i) table[4 + i] = static_cast<char>((records >> (8 * i)) & 0xFF);
  table.resize(std::min<std::size_t>(table.size(), header + std::size_t{records} * length));
  return table + "\x1A";
}

void WriteSeed(const fs::path& path, const std::string& table, const std::string& memo) {
  std::string seed(4, '\0');
  for (int i = 0; i < 4; ++i) seed[i] = static_cast<char>((table.size() >> (8 * i)) & 0xFF);
  seed += table;
  seed += memo;
  std::ofstream(path, std::ios::binary) << seed;
}

void WriteFamily(const fs::path& work, DbfFlavor flavor, const std::string& name,
                 std::vector<DbfFieldSpec> fields, std::uint8_t driver) {
  const fs::path table = work / (name + ".dbf");
  {
    DbfWriter writer(table, flavor, fields, {.language_driver = driver, .driver_name = "DB850US0"});
    for (int r = 0; r < 3; ++r) {
      for (int i = 0; i < static_cast<int>(fields.size()); ++i) {
        const DbfFieldSpec& f = fields[i];
        switch (f.type) {
          case 'C':
          case 'V':
          case 'Q':
            writer.Text(i, "text " + std::to_string(r));
            break;
          case 'N':
          case 'F':
            writer.Number(i, r * 12.5 - 3);
            break;
          case 'D':
            writer.Date(i, 2011, 3, 15 + r);
            break;
          case 'L':
            writer.Logical(i, r % 2 == 0);
            break;
          case 'M':
          case 'G':
          case 'P':
          case 'W':
            writer.Memo(i, "memo value " + std::to_string(r));
            break;
          case 'B':
            flavor == DbfFlavor::kVisualFoxPro ? writer.Number(i, 1.5) : writer.Memo(i, "\x01\x02");
            break;
          case 'I':
          case '+':
            writer.Integer(i, r - 1);
            break;
          case 'O':
          case 'Y':
            writer.Number(i, -2.25 * r);
            break;
          case 'T':
          case '@':
            writer.DateTime(i, 2020, 1, 2, 3, 4, 5, 6 * r);
            break;
          default:
            break;
        }
        if ((f.flags & 0x02) != 0 && r == 1) writer.Null(i);
      }
      writer.EndRecord(r == 2);
    }
    writer.Finish();
    const fs::path memo = writer.memo_path();
    WriteSeed(work.parent_path() / name, Read(table), memo.empty() ? std::string() : Read(memo));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: dbf_fuzz_seeds CORPUS_FOLDER REALWORLD_FIXTURE_FOLDER\n";
    return 2;
  }
  const fs::path corpus = argv[1];
  const fs::path fixtures = argv[2];
  const fs::path work = corpus / "work";
  fs::create_directories(work);

  const std::pair<const char*, const char*> real_world[] = {{"dbase_03", ""},
                                                            {"dbase_83", "dbase_83.dbt"},
                                                            {"dbase_8b", "dbase_8b.dbt"},
                                                            {"dbase_30", "dbase_30.fpt"},
                                                            {"dbase_f5", "dbase_f5.fpt"}};
  for (const auto& [stem, memo] : real_world) {
    const std::string table = Trim(Read(fixtures / (std::string(stem) + ".dbf")), 4);
    WriteSeed(corpus / (std::string("realworld_") + stem), table,
              *memo ? Read(fixtures / memo) : std::string());
  }

  WriteFamily(
      work, DbfFlavor::kDbase3, "dbase3",
      {{"TITLE", 'C', 12}, {"PRICE", 'N', 8, 2}, {"ADDED", 'D'}, {"LOANED", 'L'}, {"NOTE", 'M'}},
      0x01);
  WriteFamily(
      work, DbfFlavor::kDbase4, "dbase4",
      {{"TITLE", 'C', 12}, {"RATE", 'F', 20, 18}, {"NOTE", 'M'}, {"BIN", 'B'}, {"OLE", 'G'}}, 0x02);
  WriteFamily(work, DbfFlavor::kDbase7, "dbase7",
              {{"ID", '+', -1, 0, 0, true},
               {"COUNT", 'I'},
               {"RATE", 'O'},
               {"STAMP", '@'},
               {"TITLE", 'C', 10, 0, 0, true},
               {"NOTE", 'M'}},
              0x00);
  WriteFamily(work, DbfFlavor::kFoxPro2, "foxpro2",
              {{"TITLE", 'C', 12}, {"NOTE", 'M'}, {"PIC", 'P'}}, 0x03);
  WriteFamily(work, DbfFlavor::kVisualFoxPro, "vfp",
              {{"ID", 'I', -1, 0, 0x0C},
               {"TITLE", 'C', 12, 0, 0x02},
               {"NAME", 'V', 10, 0, 0x02},
               {"RAW", 'Q', 6},
               {"PRICE", 'Y'},
               {"RATE", 'B', -1, 2},
               {"WHEN", 'T'},
               {"NOTE", 'M', -1, 0, 0x02},
               {"BLOB", 'W'}},
              0xC8);
  fs::remove_all(work);
  return 0;
}
