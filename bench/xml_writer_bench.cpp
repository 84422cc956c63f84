// Writes the data packet of a catalogue-shaped table of one million rows (or the count given as the
// first argument) and reports the speed of the writer and the memory it took, then the speed of
// sorting the rows by a case-insensitive title and a number, as "DEFAULT_ORDER" would.
//
//   xml_writer_bench [rows]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "export/data_packet_writer.h"
#include "export/field_mapping.h"
#include "export/index_description.h"
#include "export/row_order.h"

namespace {

using shelvex::exporting::AddMappedColumn;
using shelvex::exporting::DataPacketWriter;
using shelvex::exporting::MapField;

long PeakResidentKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// User and system time of this process: on a machine shared with other work, the figure that does
// not depend on how often the scheduler let us run.
double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Small pools, so that the values cost no memory of their own: what is measured is the packet.
struct Pools {
  std::vector<std::string> titles;
  std::vector<std::string> authors;
  std::vector<std::string> isbns;
  std::vector<std::string> categories;
  std::vector<std::string> notes;
};

Pools MakePools() {
  static const char* kWords[] = {"Salt",   "Stone", "River",  "Quiet", "Year", "Garden",
                                 "Winter", "Light", "Harbor", "Maps",  "Owl",  "Glass",
                                 "Bridge", "North", "Ember",  "Tide"};
  Pools pools;
  unsigned seed = 12345;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  for (int i = 0; i < 1024; ++i) {
    std::string title = std::string(kWords[next() % 16]) + " " + kWords[next() % 16];
    // About one title in eight holds characters that need escaping.
    if (i % 8 == 0) title += " & \"" + std::string(kWords[next() % 16]) + "\"";
    if (i % 8 == 4) title = "The " + title + ": a <new> edition";
    title += " " + std::string(kWords[next() % 16]);
    pools.titles.push_back(title);
    pools.authors.push_back(std::string(kWords[next() % 16]) + ", " + kWords[next() % 16] +
                            (i % 5 ? "" : " O'Hara"));
    char isbn[16];
    std::snprintf(isbn, sizeof isbn, "978%010u", next() * 7919u + i);
    pools.isbns.push_back(isbn);
  }
  for (const char* category :
       {"Fiction", "History", "Art", "Science", "Children", "Travel", "Poetry", "Music"}) {
    pools.categories.push_back(category);
  }
  for (int i = 0; i < 64; ++i) {
    pools.notes.push_back("Donated by the " + std::string(kWords[i % 16]) +
                          " family.\r\nShelved in room " + std::to_string(i) +
                          ", \"special\" collection.");
  }
  return pools;
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 1'000'000;
  const Pools pools = MakePools();
  const long baseline_kb = PeakResidentKilobytes();

  const auto start = std::chrono::steady_clock::now();
  const double cpu_start = CpuSeconds();
  DataPacketWriter writer(10);
  AddMappedColumn(writer, "ID", MapField({.type = shelvex::exporting::ftAutoInc}));
  AddMappedColumn(writer, "TITLE", MapField({.type = shelvex::exporting::ftString, .size = 80}));
  AddMappedColumn(writer, "AUTHOR", MapField({.type = shelvex::exporting::ftString, .size = 40}));
  AddMappedColumn(writer, "ISBN", MapField({.type = shelvex::exporting::ftString, .size = 13}));
  AddMappedColumn(writer, "PRICE", MapField({.type = shelvex::exporting::ftFloat}));
  AddMappedColumn(writer, "ADDED", MapField({.type = shelvex::exporting::ftDate}));
  AddMappedColumn(writer, "ONLOAN", MapField({.type = shelvex::exporting::ftBoolean}));
  AddMappedColumn(writer, "COPIES", MapField({.type = shelvex::exporting::ftSmallint}));
  AddMappedColumn(writer, "CATEGORY", MapField({.type = shelvex::exporting::ftString, .size = 20}));
  AddMappedColumn(writer, "NOTES", MapField({.type = shelvex::exporting::ftMemo}));
  writer.AddDatasetAttribute("DEFAULT_ORDER", shelvex::exporting::kTypeUInt32Array,
                             std::vector<std::int64_t>{1});
  writer.AddDatasetAttribute("LCID", shelvex::exporting::kTypeInt32, std::int64_t{1033});
  writer.EndAttributes();
  for (long row = 0; row < rows; ++row) {
    const auto r = static_cast<std::size_t>(row);
    writer.BeginRow(0);
    writer.PutInteger(row + 1);
    writer.PutText(pools.titles[r * 7 % pools.titles.size()]);
    writer.PutText(pools.authors[r * 13 % pools.authors.size()]);
    writer.PutText(pools.isbns[r % pools.isbns.size()]);
    writer.PutFloat(static_cast<double>(r * 37 % 10000) / 100);  // prices such as 12.5 and 99.99
    writer.PutDate(730000 + static_cast<std::int32_t>(r % 9000));
    writer.PutBoolean(r % 3 == 0);
    writer.PutInteger(static_cast<std::int64_t>(r % 5));
    writer.PutText(pools.categories[r % pools.categories.size()]);
    if (r % 3 == 1) {
      writer.PutText(pools.notes[r % pools.notes.size()]);
    } else {
      writer.PutNull();
    }
  }
  const shelvex::exporting::PacketBuffer packet = writer.Finish();
  const double seconds = SecondsSince(start);
  const double cpu_seconds = CpuSeconds() - cpu_start;
  const long peak_kb = PeakResidentKilobytes();

  const double megabytes = static_cast<double>(packet.size()) / 1e6;
  std::printf("packet: %ld rows, %.1f MB in %.3f s\n", rows, megabytes, seconds);
  std::printf("  %.0f rows/s, %.0f MB/s; per CPU second (%.3f s): %.0f rows/s, %.0f MB/s\n",
              static_cast<double>(rows) / seconds, megabytes / seconds, cpu_seconds,
              static_cast<double>(rows) / cpu_seconds, megabytes / cpu_seconds);
  std::printf(
      "  peak memory %.1f MB (%.1f MB before the packet, %.1f MB more than the packet itself)\n",
      peak_kb / 1024.0, baseline_kb / 1024.0,
      (peak_kb - baseline_kb) / 1024.0 - static_cast<double>(packet.size()) / (1024.0 * 1024.0));

  // The sort that a "DEFAULT_ORDER" of (TITLE ignoring case, ID descending) asks for.
  const auto sort_start = std::chrono::steady_clock::now();
  std::vector<shelvex::exporting::SortKeyColumn> keys;
  keys.emplace_back(2 | shelvex::exporting::kKeyCaseInsensitive);
  keys.emplace_back(1 | shelvex::exporting::kKeyDescending);
  keys[0].Reserve(static_cast<std::size_t>(rows));
  keys[1].Reserve(static_cast<std::size_t>(rows));
  for (long row = 0; row < rows; ++row) {
    keys[0].AddString(pools.titles[static_cast<std::size_t>(row) * 7 % pools.titles.size()]);
    keys[1].AddInteger(row + 1);
  }
  const double key_seconds = SecondsSince(sort_start);
  const std::vector<std::uint32_t> order =
      shelvex::exporting::SortedRowOrder(static_cast<std::size_t>(rows), keys);
  const double sort_seconds = SecondsSince(sort_start);
  std::printf(
      "row order: %ld rows in %.3f s (collation keys %.3f s, sorting %.3f s), first row %u\n", rows,
      sort_seconds, key_seconds, sort_seconds - key_seconds,
      order.empty() ? 0u : order.front() + 1);
  return 0;
}
