#include "export/data_packet_writer.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <variant>

#include "export/internal/packet_names.h"
#include "export/internal/value_format.h"
#include "platform/code_page.h"
#include "platform/error.h"

namespace shelvex::exporting {

namespace {

constexpr std::string_view kProlog = "<?xml version=\"1.0\" standalone=\"yes\"?>  ";
constexpr std::size_t kReservedPrologBytes = 40;
static_assert(kProlog.size() == kReservedPrologBytes);

[[noreturn]] void ThrowMisuse(const std::string& what) {
  throw Error("data packet writer: " + what);
}

// The bytes a column name cannot keep: the nine that readers of these packets expect as "_", and
// the ones that would end the name or the tag early (quotes, "<", ">", "=", "/", "&" and control
// bytes).
constexpr std::array<bool, 256> kReplacedNameBytes = [] {
  std::array<bool, 256> replaced{};
  for (unsigned char byte : std::string_view(" ()#*!$%?\"'&/<=>")) replaced[byte] = true;
  for (int byte = 0; byte < 0x20; ++byte) replaced[byte] = true;
  return replaced;
}();

std::string XmlColumnName(std::string_view name, std::size_t position,
                          const platform::CodePage& ansi) {
  std::string fixed(name);
  for (char& c : fixed) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 && ansi.IsLeadByte(byte)) return "xF" + std::to_string(position);
    if (kReplacedNameBytes[byte]) c = '_';
  }
  return fixed;
}

const char* AlternativeName(const AttributeValue& value) {
  static constexpr const char* kNames[] = {"an integer", "a boolean", "a float", "a string",
                                           "an array"};
  return kNames[value.index()];
}

// Which AttributeValue alternative a type code takes; -1 for a class that attributes cannot carry
// here.
int AlternativeFor(std::uint32_t type_code) {
  const TypeClass type_class = ClassOf(type_code);
  const bool is_integer = type_class == TypeClass::kInteger || type_class == TypeClass::kUnsigned;
  if ((type_code & kTypeArray) != 0) return is_integer ? 4 : -1;
  if (is_integer) return 0;
  switch (type_class) {
    case TypeClass::kBoolean:
      return 1;
    case TypeClass::kFloat:
    case TypeClass::kSingle:
      return 2;
    case TypeClass::kString:
      return 3;
    default:
      return -1;
  }
}

template <class Sink>
void AppendAttributeValue(Sink& out, const internal::XmlEscaper& escaper, std::uint32_t type_code,
                          const AttributeValue& value) {
  char text[internal::kMaxFloatChars];
  if (const auto* integer = std::get_if<std::int64_t>(&value)) {
    out.Append(text, static_cast<std::size_t>(internal::FormatInteger(text, *integer) - text));
  } else if (const bool* boolean = std::get_if<bool>(&value)) {
    *boolean ? out.Append("TRUE", 4) : out.Append("FALSE", 5);
  } else if (const double* number = std::get_if<double>(&value)) {
    const bool single = ClassOf(type_code) == TypeClass::kSingle;
    const double shown = single ? static_cast<float>(*number) : *number;
    out.Append(
        text, static_cast<std::size_t>(internal::FormatFloat(text, shown, single ? 8 : 16) - text));
  } else if (const auto* string = std::get_if<std::string>(&value)) {
    escaper.Append(out, *string);
  } else {
    bool first = true;
    for (std::int64_t element : std::get<std::vector<std::int64_t>>(value)) {
      if (!first) out.Append(" ", 1);
      first = false;
      out.Append(text, static_cast<std::size_t>(internal::FormatInteger(text, element) - text));
    }
  }
}

}  // namespace

DataPacketWriter::DataPacketWriter(std::size_t column_count)
    : DataPacketWriter(column_count, platform::CodePage::Ansi()) {}

DataPacketWriter::DataPacketWriter(std::size_t column_count, const platform::CodePage& ansi)
    : escaper_(ansi), ansi_(ansi), column_count_(column_count) {
  buffer_.Reserve(kReservedPrologBytes);
  buffer_.Commit(kReservedPrologBytes);
  columns_.reserve(column_count);
}

DataPacketWriter::~DataPacketWriter() = default;

void DataPacketWriter::EnsurePacketOpen() {
  if (columns_.empty() && !element_open_) {
    buffer_.Append("<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>");
  }
}

void DataPacketWriter::CloseOpenElement(std::string_view end_tag) {
  if (!element_open_) return;
  if (pending_children_.empty()) {
    buffer_.Append("/>");
  } else {
    buffer_.Append('>');
    buffer_.Append(pending_children_);
    buffer_.Append(end_tag);
    pending_children_.clear();
  }
  element_open_ = false;
}

void DataPacketWriter::CloseFields() {
  EnsurePacketOpen();
  CloseOpenElement("</FIELD>");
  buffer_.Append("</FIELDS>");
}

void DataPacketWriter::RequireAllColumns(const char* call) const {
  if (columns_.size() != column_count_) {
    ThrowMisuse(std::string(call) + " after " + std::to_string(columns_.size()) + " of " +
                std::to_string(column_count_) + " columns");
  }
}

void DataPacketWriter::AddColumn(std::string_view name, std::uint32_t type_code,
                                 std::uint16_t flags) {
  if (stage_ != Stage::kColumns || columns_.size() == column_count_) {
    ThrowMisuse("AddColumn for column " + std::to_string(columns_.size() + 1) + " of a packet of " +
                std::to_string(column_count_) + " columns, or after the attributes");
  }
  if (name == "RowState") throw Error("Operation not applicable.");
  if (name.empty()) ThrowMisuse("column " + std::to_string(columns_.size() + 1) + " has no name");

  EnsurePacketOpen();
  CloseOpenElement("</FIELD>");
  buffer_.Append("<FIELD");
  element_open_ = true;

  Column column;
  column.name = XmlColumnName(name, columns_.size(), ansi_);
  column.row_prefix = " " + column.name + "=\"";
  column.row_prefix.copy(column.padded_prefix, kPaddedPrefix);
  column.type_code = type_code;
  if (column.name != name) {
    buffer_.Append(" fieldname=\"");
    escaper_.Append(buffer_, name);
    buffer_.Append('"');
  }
  buffer_.Append(" attrname=\"");
  escaper_.Append(buffer_, column.name);
  buffer_.Append('"');

  const std::string_view type_name = internal::FieldTypeName(type_code, /*is_attribute=*/false);
  if (type_name.empty()) {
    unsupported_type_ = true;
    column.skip = true;
    column.accepts = kCallAny;
  } else {
    buffer_.Append(" fieldtype=\"");
    buffer_.Append(type_name);
    buffer_.Append('"');
  }
  if ((flags & kColumnReadOnly) != 0) buffer_.Append(" readonly=\"true\"");
  if ((flags & kColumnRequired) != 0) buffer_.Append(" required=\"true\"");
  if ((flags & kColumnHidden) != 0) buffer_.Append(" hidden=\"true\"");
  if ((flags & kColumnLinkField) != 0) buffer_.Append(" linkfield=\"true\"");

  const std::uint16_t size = SizeOf(type_code);
  if (!column.skip) {
    switch (ClassOf(type_code)) {
      case TypeClass::kInteger:
      case TypeClass::kUnsigned:
        column.accepts = kCallInteger;
        column.size = static_cast<std::uint8_t>(size);
        column.is_unsigned = ClassOf(type_code) == TypeClass::kUnsigned;
        break;
      case TypeClass::kBoolean:
        column.accepts = kCallBoolean;
        break;
      case TypeClass::kFloat:
      case TypeClass::kSingle:
        column.accepts = kCallFloat;
        break;
      case TypeClass::kDecimal:
      case TypeClass::kFormattedDecimal:
        column.accepts = kCallDecimal;
        break;
      case TypeClass::kDate:
        column.accepts = kCallDate;
        break;
      case TypeClass::kTime:
        column.accepts = kCallTime;
        break;
      case TypeClass::kDateTime:
        column.accepts = kCallDateTime;
        break;
      case TypeClass::kTimeStamp:
      case TypeClass::kTimeStampOffset:
        column.accepts = kCallTimeStamp;
        break;
      case TypeClass::kString:
        column.accepts = kCallText;
        break;
      case TypeClass::kWideString:
        column.accepts = kCallWideText;
        break;
      case TypeClass::kBytes:
        column.accepts = kCallBytes;
        break;
      case TypeClass::kNested:
        break;  // nothing but null
    }
  }
  columns_.push_back(std::move(column));

  if (ClassOf(type_code) == TypeClass::kBytes && (type_code & kTypeVarying) == 0) {
    AddFieldAttribute("WIDTH", kTypeInt16, std::int64_t{size});
  }
}

void DataPacketWriter::AddAttribute(std::string_view name, std::uint32_t type_code,
                                    const AttributeValue& value, std::string_view element) {
  const int expected = AlternativeFor(type_code);
  if (expected != static_cast<int>(value.index())) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", type_code);
    ThrowMisuse("attribute \"" + std::string(name) + "\" of " + std::string(element) +
                " has type code " + code + " but " + AlternativeName(value) + " value");
  }
  if (internal::IsKnownAttributeName(name)) {
    buffer_.Append(' ');
    buffer_.Append(name);
    buffer_.Append("=\"");
    AppendAttributeValue(buffer_, escaper_, type_code, value);
    buffer_.Append('"');
    return;
  }
  internal::StringSink child{pending_children_};
  pending_children_ += "<PARAM Name=\"";
  escaper_.Append(child, name);
  pending_children_ += "\" Value=\"";
  AppendAttributeValue(child, escaper_, type_code, value);
  pending_children_ += '"';
  if (ClassOf(type_code) != TypeClass::kString) {
    const std::string_view type_name = internal::FieldTypeName(type_code, /*is_attribute=*/true);
    if (type_name.empty()) unsupported_type_ = true;
    pending_children_ += " Type=\"";
    pending_children_ += type_name;
    pending_children_ += '"';
  }
  if ((type_code & kTypeRoundtrip) != 0) pending_children_ += " Roundtrip=\"True\"";
  pending_children_ += "/>";
}

void DataPacketWriter::AddFieldAttribute(std::string_view name, std::uint32_t type_code,
                                         const AttributeValue& value) {
  if (stage_ != Stage::kColumns || columns_.empty()) {
    ThrowMisuse("AddFieldAttribute \"" + std::string(name) + "\" without a column to take it");
  }
  Column& column = columns_.back();
  AddAttribute(name, type_code, value, "column \"" + column.name + "\"");
  const auto* subtype = std::get_if<std::string>(&value);
  if (subtype != nullptr && internal::EqualsIgnoringAsciiCase(name, "SUBTYPE") && !column.skip &&
      ClassOf(column.type_code) == TypeClass::kBytes) {
    column.bytes_as_text = *subtype == "Text";
    column.accepts = *subtype == "Text"       ? kCallText | kCallBytes
                     : *subtype == "WideText" ? kCallWideText
                                              : kCallBytes;
  }
}

void DataPacketWriter::AddDatasetAttribute(std::string_view name, std::uint32_t type_code,
                                           const AttributeValue& value) {
  if (stage_ == Stage::kColumns) {
    RequireAllColumns("AddDatasetAttribute");
    CloseFields();
    buffer_.Append("<PARAMS");
    element_open_ = true;
    stage_ = Stage::kDatasetAttributes;
  } else if (stage_ != Stage::kDatasetAttributes) {
    ThrowMisuse("AddDatasetAttribute \"" + std::string(name) + "\" after the attributes ended");
  }
  AddAttribute(name, type_code, value, "the dataset");
}

void DataPacketWriter::EndAttributes() {
  if (stage_ == Stage::kColumns) {
    RequireAllColumns("EndAttributes");
    CloseFields();
    buffer_.Append("<PARAMS/>");
  } else if (stage_ == Stage::kDatasetAttributes) {
    CloseOpenElement("</PARAMS>");
  } else {
    ThrowMisuse("EndAttributes called twice or after the rows began");
  }
  stage_ = Stage::kAttributesEnded;
}

void DataPacketWriter::CloseMetadata() {
  if (stage_ != Stage::kAttributesEnded) EndAttributes();
  buffer_.Append("</METADATA><ROWDATA>");
  stage_ = Stage::kRows;
}

PacketBuffer DataPacketWriter::Finish() {
  if (stage_ == Stage::kFinished) ThrowMisuse("Finish called twice");
  if (stage_ == Stage::kColumns) RequireAllColumns("Finish");
  if (row_open_) {
    ThrowMisuse("Finish with a row that has " + std::to_string(next_value_) + " of " +
                std::to_string(column_count_) + " values");
  }
  if (stage_ != Stage::kRows) CloseMetadata();
  buffer_.Append("</ROWDATA></DATAPACKET>");
  stage_ = Stage::kFinished;
  if (unsupported_type_) throw Error("Fieldtype not supported for XML.");
  std::copy(kProlog.begin(), kProlog.end(), buffer_.data());
  return buffer_.Release();
}

}  // namespace shelvex::exporting
