// libFuzzer target for the dBase table reader: whatever the bytes of a table and its memo file, the
// reader either delivers records or throws shelvex::Error; it never reads outside its input,
// crashes or hangs.
//
// Input layout: a 4-byte little-endian length n, then n bytes of table file, then the memo file
// (when any bytes remain). Seeds are made by dbf_fuzz_seeds.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "export/dbf_table.h"
#include "platform/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  std::size_t table_size =
      data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::size_t>(data[3]) << 24);
  table_size = std::min(table_size, size - 4);
  const char* bytes = reinterpret_cast<const char*>(data) + 4;
  std::string table(bytes, table_size);
  std::optional<std::string> memo;
  if (size - 4 > table_size) memo.emplace(bytes + table_size, size - 4 - table_size);

  try {
    shelvex::exporting::DbfTable dbf("fuzz.dbf", std::move(table), std::move(memo));
    (void)dbf.lcid();
    std::uint32_t live = 0;
    for (int pass = 0; pass < 2; ++pass) {
      dbf.First();
      while (dbf.Next()) {
        ++live;
        for (std::size_t i = 0; i < dbf.fields().size(); ++i) (void)dbf.Value(i);
      }
    }
    // Random access, including numbers outside the table.
    for (std::uint32_t n = dbf.record_count() + 1; n > 0 && n + 8 > dbf.record_count(); --n) {
      if (dbf.GoTo(n)) {
        for (std::size_t i = 0; i < dbf.fields().size(); ++i) (void)dbf.Value(i);
      }
    }
    (void)dbf.GoTo(0);
  } catch (const shelvex::Error&) {
    // A damaged table is reported, which is what the reader must do.
  }
  return 0;
}
