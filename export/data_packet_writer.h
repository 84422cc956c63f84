#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/internal/growing_buffer.h"
#include "export/internal/xml_escape.h"
#include "export/packet_buffer.h"
#include "export/packet_types.h"

namespace shelvex::platform {
class CodePage;
}

namespace shelvex::exporting {

// Writes one XML data packet (the single-line, single-byte flavour without an encoding declaration)
// from a stream of calls in this fixed order:
//
//   DataPacketWriter writer(column_count);              // start
//   for each column: AddColumn(...), then AddFieldAttribute(...) for each of its field attributes;
//   AddDatasetAttribute(...) for each dataset attribute, then EndAttributes();
//   for each row: BeginRow(status), then one Put...() per column, in column order;
//   PacketBuffer bytes = writer.Finish();
//
// The value calls are typed; each must match the class of its column's type code (see the table at
// the calls). A call out of order, a value of the wrong kind, a row with too few values or a value
// that does not fit its column throws Error naming the column. Three failures carry the packet's
// own messages:
//   "Operation not applicable."              AddColumn, for a column named exactly "RowState";
//   "Fieldtype not supported for XML."       Finish, when a column's or PARAM's type code has no
//   "fieldtype"
//                                            name, so that a caller can create the output file
//                                            first;
//   "Insufficient memory for this operation."  any call, when the buffer cannot be enlarged.
// After any exception the writer must not be used again.
//
// The writer holds the whole packet in one buffer (output size plus a little). One thread at a
// time.
class DataPacketWriter final {
 public:
  // Starts a packet of `column_count` columns. `ansi` is the code page of the text values: its
  // multi-byte lead bytes rename columns and are stepped over while escaping. The default is the
  // system's ANSI code page.
  explicit DataPacketWriter(std::size_t column_count);
  DataPacketWriter(std::size_t column_count, const platform::CodePage& ansi);
  ~DataPacketWriter();
  DataPacketWriter(const DataPacketWriter&) = delete;
  DataPacketWriter& operator=(const DataPacketWriter&) = delete;

  // `name` is written as given, except that the nine bytes " ()#*!$%?" and the bytes that would end
  // an attribute name or the tag early (quotes, "<", ">", "=", "/", "&", control bytes) become "_",
  // and a name holding a multi-byte lead byte becomes "xF" + the column's 0-based position. A
  // changed name writes "fieldname" with the name as given; rows use the changed one. `flags` are
  // kColumn... bits.
  void AddColumn(std::string_view name, std::uint32_t type_code, std::uint16_t flags);
  // An attribute of the column added last. A "SUBTYPE" of "Text" or "WideText" on a bytes column
  // (class 11) makes its values text instead of Base64.
  void AddFieldAttribute(std::string_view name, std::uint32_t type_code,
                         const AttributeValue& value);
  void AddFieldAttribute(const PacketAttribute& attribute) {
    AddFieldAttribute(attribute.name, attribute.type_code, attribute.value);
  }
  void AddDatasetAttribute(std::string_view name, std::uint32_t type_code,
                           const AttributeValue& value);
  void AddDatasetAttribute(const PacketAttribute& attribute) {
    AddDatasetAttribute(attribute.name, attribute.type_code, attribute.value);
  }
  void EndAttributes();

  // Opens a row; `status` 0 is an unchanged row. The row closes itself after its last value.
  void BeginRow(std::uint8_t status = 0);

  // Value calls, and the column classes they fit:
  void PutNull();  // any column
  void PutInteger(
      std::int64_t value);      // 1, 2: the value must fit the column's size, signed or unsigned,
                                // and is read back as the column's type (65535 in "i2" is -1)
  void PutBoolean(bool value);  // 3
  void PutFloat(double value);  // 4 ("%.16g"), 27 ("%.8g" of the value as a 4-byte float)
  void PutDecimal(const PackedDecimal& value);  // 5, 18
  void PutDate(std::int32_t day_count);  // 6: day 1 is 1 January of year 1; 0 is written "00000000"
  void PutTime(std::int32_t milliseconds);  // 7: since midnight, below one day
  void PutDateTime(
      double milliseconds);  // 8: class-6 day count × 86,400,000 + milliseconds of the day
  void PutTimeStamp(const SqlTimeStamp& value);  // 17, 36
  void PutText(std::string_view ansi);           // 9, and 11 with SUBTYPE "Text"
  void PutWideText(std::u16string_view text);    // 10, and 11 with SUBTYPE "WideText"
  void PutBytes(std::string_view bytes);  // 11: Base64, or the bytes as text with SUBTYPE "Text"

  // Closes the packet and hands over the whole file's bytes.
  PacketBuffer Finish();

 private:
  enum class Stage : std::uint8_t {
    kColumns,
    kDatasetAttributes,
    kAttributesEnded,
    kRows,
    kFinished
  };
  // The value calls, as bits of what a column accepts.
  enum Call : std::uint16_t {
    kCallInteger = 1 << 0,
    kCallBoolean = 1 << 1,
    kCallFloat = 1 << 2,
    kCallDecimal = 1 << 3,
    kCallDate = 1 << 4,
    kCallTime = 1 << 5,
    kCallDateTime = 1 << 6,
    kCallTimeStamp = 1 << 7,
    kCallText = 1 << 8,
    kCallWideText = 1 << 9,
    kCallBytes = 1 << 10,
    kCallAny = 0x7FF,
  };
  // Row prefixes up to this length are copied in one fixed-size move.
  static constexpr std::size_t kPaddedPrefix = 32;
  struct Column {
    std::string name;        // as the rows use it
    std::string row_prefix;  // ` NAME="`
    char padded_prefix[kPaddedPrefix] = {};
    std::uint32_t type_code = 0;
    std::uint16_t accepts = 0;
    std::uint8_t size = 0;  // of an integer, in bytes
    bool is_unsigned = false;
    bool bytes_as_text = false;  // a bytes column whose SUBTYPE is "Text"
    bool skip = false;  // a type the packet cannot hold: Finish fails, values are not written
  };

  void EnsurePacketOpen();
  void CloseOpenElement(std::string_view end_tag);
  void CloseFields();
  void CloseMetadata();
  void AddAttribute(std::string_view name, std::uint32_t type_code, const AttributeValue& value,
                    std::string_view element);
  void RequireAllColumns(const char* call) const;

  const Column* NextColumn(Call call, const char* call_name);
  [[noreturn, gnu::cold, gnu::noinline]] void ThrowBadCall(const char* call_name) const;
  void EndValue();
  char* OpenValue(const Column& column, std::size_t max_value);
  void CloseValue(char* end);
  void AppendText(const Column& column, std::string_view ansi);

  internal::GrowingBuffer buffer_;
  internal::XmlEscaper escaper_;
  const platform::CodePage& ansi_;
  std::size_t column_count_;
  std::vector<Column> columns_;
  std::string pending_children_;  // PARAM children of the open element, written when it closes
  Stage stage_ = Stage::kColumns;
  bool element_open_ = false;  // a FIELD or PARAMS start tag that still takes attributes
  bool row_open_ = false;
  bool unsupported_type_ = false;
  std::size_t next_value_ = 0;
};

}  // namespace shelvex::exporting
