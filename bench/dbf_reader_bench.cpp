// Measures the dBase table reader on a generated catalogue of one million records (or the count
// given as the first argument): writing it, opening it, walking it in physical order with and
// without reading every value, with and without a code page conversion, and visiting every record
// by number in shuffled order.
//
// Usage: dbf_reader_bench [RECORDS] [FOLDER]   (FOLDER defaults to the system's temporary folder)

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "export/dbf_table.h"
#include "tests/support/dbf_writer.h"

namespace fs = std::filesystem;
using shelvex::exporting::DbfTable;
using shelvex::testing::DbfFlavor;
using shelvex::testing::DbfWriter;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

long PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

// A catalogue of the usual shape; every tenth record has a memo, every hundredth is deleted.
void WriteCatalogue(const fs::path& path, std::uint32_t records, std::uint8_t driver) {
  DbfWriter writer(path, DbfFlavor::kDbase4,
                   {{"ID", 'N', 8},
                    {"TITLE", 'C', 60},
                    {"AUTHOR", 'C', 40},
                    {"CATEGORY", 'C', 20},
                    {"PRICE", 'N', 8, 2},
                    {"ADDED", 'D'},
                    {"LOANED", 'L'},
                    {"NOTE", 'M'}},
                   {.language_driver = driver});
  static const char* const kCategories[] = {"Fiction", "History", "Art",
                                            "Science", "Travel",  "Poetry"};
  std::string title;
  for (std::uint32_t i = 1; i <= records; ++i) {
    title = "The Book of Salt and Stone, volume ";
    title += std::to_string(i);
    writer.Integer(0, i)
        .Text(1, title)
        .Text(2, i % 3 == 0 ? "M\x84rta Szab\x94" : "Ann Author")
        .Text(3, kCategories[i % 6])
        .Number(4, (i % 5000) / 100.0 + 1)
        .Date(5, 1990 + static_cast<int>(i % 30), 1 + static_cast<int>(i % 12),
              1 + static_cast<int>(i % 28))
        .Logical(6, i % 2 == 0);
    if (i % 10 == 0)
      writer.Memo(7, "A memo of a few words for record " + std::to_string(i) + ".\r\nSecond line.");
    writer.EndRecord(i % 100 == 0);
  }
  writer.Finish();
}

// Reads every value of the current record; returns a checksum so that nothing is optimised away.
std::size_t ReadValues(DbfTable& table) {
  std::size_t sum = 0;
  for (std::size_t i = 0; i < table.fields().size(); ++i) {
    const auto& value = table.Value(i);
    sum += value.is_null ? 1
                         : value.bytes.size() + static_cast<std::size_t>(value.integer) +
                               static_cast<std::size_t>(value.number);
  }
  return sum;
}

void Walk(const fs::path& folder, const char* name, const char* label, std::uint32_t records) {
  auto start = Clock::now();
  DbfTable table(folder, name);
  const double open = SecondsSince(start);

  start = Clock::now();
  std::uint32_t live = 0;
  while (table.Next()) ++live;
  const double bare = SecondsSince(start);

  table.First();
  start = Clock::now();
  std::size_t sum = 0;
  while (table.Next()) sum += ReadValues(table);
  const double full = SecondsSince(start);

  std::printf(
      "%-22s open %6.3f s | walk %6.3f s | walk + all values %6.3f s = %5.2f M records/s (%u live, "
      "%zu)\n",
      label, open, bare, full, records / full / 1e6, live, sum % 10);
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint32_t records =
      argc > 1 ? static_cast<std::uint32_t>(std::strtoul(argv[1], nullptr, 10)) : 1'000'000;
  const fs::path folder = (argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path()) /
                          ("dbf_reader_bench_" + std::to_string(::getpid()));
  fs::create_directories(folder);

  auto start = Clock::now();
  WriteCatalogue(folder / "ansi.dbf", records, 0x03);  // Windows ANSI: no conversion
  const double write = SecondsSince(start);
  WriteCatalogue(folder / "dos.dbf", records, 0x02);  // DOS 850: every text converted
  std::printf("%u records, %.1f MB table + %.1f MB memo; written in %.3f s\n", records,
              fs::file_size(folder / "ansi.dbf") / 1e6, fs::file_size(folder / "ansi.dbt") / 1e6,
              write);

  Walk(folder, "ansi.dbf", "windows-1252 table", records);
  Walk(folder, "dos.dbf", "850 table (converted)", records);

  {
    DbfTable table(folder, "dos.dbf");
    std::vector<std::uint32_t> order(table.record_count());
    std::iota(order.begin(), order.end(), 1u);
    std::shuffle(order.begin(), order.end(), std::mt19937(42));
    start = Clock::now();
    std::size_t sum = 0;
    for (std::uint32_t number : order) {
      if (table.GoTo(number)) sum += ReadValues(table);
    }
    const double random = SecondsSince(start);
    std::printf(
        "%-22s by record number in shuffled order + all values %6.3f s = %5.2f M records/s (%zu)\n",
        "850 table (converted)", random, records / random / 1e6, sum % 10);
  }

  std::printf("peak resident memory %ld MB\n", PeakRssMb());
  fs::remove_all(folder);
  return 0;
}
