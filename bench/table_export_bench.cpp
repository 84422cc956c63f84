// Times ExportTableToXml on a generated catalogue of the shape a library has: id, title, author,
// publisher, ISBN, category, price, date added, an available flag and a memo of notes on a third of
// the records.
//
//   table_export_bench [RECORDS] [--sorted | --shuffled] [--keep DIR [--reuse]]
//
// --sorted adds a production index whose unique tag on the id makes the export sort the rows; the
// ids run backwards through the file. --shuffled does the same with the ids in random order, so
// that the sorted rows visit the records all over the file.
// --reuse exports the table that an earlier run left in DIR instead of writing a new one, so that
// a profiler sees the export alone and the peak memory is the export's own.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "export/table_export.h"
#include "tests/support/dbf_writer.h"
#include "tests/support/index_writer.h"

namespace {

namespace fs = std::filesystem;
using shelvex::testing::DbfFlavor;
using shelvex::testing::DbfWriter;

const char* const kWords[] = {"river",   "stone",  "quiet",  "garden",  "winter",  "harbour",
                              "lantern", "salt",   "night",  "orchard", "letters", "north",
                              "glass",   "summer", "island", "crow"};
const char* const kCategories[] = {"Fiction", "History",  "Art",       "Science", "Poetry",
                                   "Travel",  "Children", "Biography", "Cookery", "Reference"};

std::string Words(std::mt19937& random, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += ' ';
    text += kWords[random() % std::size(kWords)];
  }
  text[0] = static_cast<char>(text[0] - 'a' + 'A');
  return text;
}

enum class Order { kFile, kBackwards, kShuffled };

void WriteCatalogue(const fs::path& folder, int records, Order order) {
  DbfWriter table(folder / "book.dbf", DbfFlavor::kDbase4,
                  {{"ID", 'N', 8},
                   {"TITLE", 'C', 94},
                   {"AUTHOR", 'C', 50},
                   {"PUBLISHER", 'C', 40},
                   {"ISBN", 'C', 13},
                   {"CATEGORY", 'C', 20},
                   {"PRICE", 'N', 10, 2},
                   {"ADDED", 'D'},
                   {"AVAILABLE", 'L'},
                   {"NOTES", 'M'}});
  std::vector<int> ids(static_cast<std::size_t>(records));
  for (int i = 0; i < records; ++i)
    ids[static_cast<std::size_t>(i)] = order == Order::kBackwards ? records - i : i + 1;
  if (order == Order::kShuffled) std::shuffle(ids.begin(), ids.end(), std::mt19937(11));
  std::mt19937 random(7);
  std::string notes;
  for (int i = 0; i < records; ++i) {
    // Some titles need escaping, as real ones do: quotes, ampersands, apostrophes.
    std::string title = Words(random, 2 + static_cast<int>(random() % 6));
    if (i % 7 == 0) title += " & \"Other\" Tales";
    if (i % 11 == 0) title += " o'the Year";
    table.Number(0, ids[static_cast<std::size_t>(i)])
        .Text(1, title)
        .Text(2, Words(random, 2))
        .Text(3, Words(random, 1) + " Press")
        .Text(4, "978" + std::to_string(1000000000 + random() % 900000000))
        .Text(5, kCategories[random() % std::size(kCategories)])
        .Number(6, static_cast<double>(random() % 10000) / 100.0)
        .Date(7, 1990 + static_cast<int>(random() % 35), 1 + static_cast<int>(random() % 12),
              1 + static_cast<int>(random() % 28))
        .Logical(8, random() % 4 != 0);
    if (i % 3 == 0) {
      notes.clear();
      while (notes.size() < 440) notes += Words(random, 8) + ".\r\n";
      table.Memo(9, notes);
    }
    table.EndRecord();
  }
  table.Finish();
  if (order != Order::kFile) {
    shelvex::testing::WriteIndexImage(
        folder / "book.mdx", shelvex::testing::BuildMdx({{"ID", "ID", /*unique=*/true}}, "BOOK"));
  }
}

double SizeMb(const fs::path& path) {
  return fs::exists(path) ? static_cast<double>(fs::file_size(path)) / 1e6 : 0.0;
}

}  // namespace

int main(int argc, char** argv) {
  int records = 1'000'000;
  Order order = Order::kFile;
  bool reuse = false;
  fs::path keep;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--sorted") {
      order = Order::kBackwards;
    } else if (argument == "--shuffled") {
      order = Order::kShuffled;
    } else if (argument == "--keep" && i + 1 < argc) {
      keep = argv[++i];
    } else if (argument == "--reuse") {
      reuse = true;
    } else if (!argument.empty() && argument.find_first_not_of("0123456789") == std::string::npos) {
      records = std::atoi(argv[i]);
    } else {
      std::fprintf(
          stderr,
          "usage: table_export_bench [RECORDS] [--sorted | --shuffled] [--keep DIR [--reuse]]\n");
      return 2;
    }
  }
  const fs::path folder = keep.empty() ? fs::temp_directory_path() / "shelvex-export-bench" : keep;
  fs::create_directories(folder);

  const auto generate_start = std::chrono::steady_clock::now();
  if (!reuse || keep.empty() || !fs::exists(folder / "book.dbf"))
    WriteCatalogue(folder, records, order);
  const double generate_seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - generate_start).count();
  // The conversion run empties its output folder first; truncating a big old packet here would
  // be timed as part of the export.
  fs::remove(folder / "library.xml");
  std::printf("table: %d records, %.1f MB table, %.1f MB memo (written in %.2f s)\n", records,
              SizeMb(folder / "book.dbf"), SizeMb(folder / "book.dbt"), generate_seconds);

  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const auto start = std::chrono::steady_clock::now();
  shelvex::exporting::ExportTableToXml(folder.string() + "/", "book.dbf",
                                       (folder / "library.xml").string());
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  rusage after{};
  getrusage(RUSAGE_SELF, &after);

  const double xml_mb = SizeMb(folder / "library.xml");
  std::printf("export%s: %.3f s, %.0f records/s, %.1f MB of XML (%.0f MB/s)\n",
              order != Order::kFile ? " (sorted by index)" : "", seconds, records / seconds, xml_mb,
              xml_mb / seconds);
  const auto cpu = [](const timeval& a, const timeval& b) {
    return static_cast<double>(b.tv_sec - a.tv_sec) +
           static_cast<double>(b.tv_usec - a.tv_usec) / 1e6;
  };
  std::printf("cpu: %.3f s user, %.3f s system\n", cpu(before.ru_utime, after.ru_utime),
              cpu(before.ru_stime, after.ru_stime));
  // ru_maxrss counts KiB; the sizes above are in MB of 10^6 bytes.
  const double peak_mb = static_cast<double>(after.ru_maxrss) * 1024.0 / 1e6;
  std::printf("peak memory: %.1f MB (%.2f x the XML file)\n", peak_mb, peak_mb / xml_mb);
  if (keep.empty()) fs::remove_all(folder);
  return 0;
}
