#include "export/dbf_file.h"

#include <algorithm>
#include <cstdio>

#include "export/internal/dbf_byte_source.h"
#include "export/internal/dbf_field_kinds.h"
#include "export/internal/read_window.h"
#include "platform/error.h"

namespace shelvex::exporting {

namespace {

struct KnownVersion {
  std::uint8_t version;
  DbfFamily family;
};
// Version bytes this reader accepts. Anything else is most likely not a table at all.
constexpr KnownVersion kVersions[] = {
    {0x03, DbfFamily::kDbase},        {0x04, DbfFamily::kDbase7},
    {0x05, DbfFamily::kDbase},        {0x30, DbfFamily::kVisualFoxPro},
    {0x31, DbfFamily::kVisualFoxPro}, {0x32, DbfFamily::kVisualFoxPro},
    {0x43, DbfFamily::kDbase},        {0x63, DbfFamily::kDbase},
    {0x7B, DbfFamily::kDbase},        {0x83, DbfFamily::kDbase},
    {0x8B, DbfFamily::kDbase},        {0x8C, DbfFamily::kDbase7},
    {0xCB, DbfFamily::kDbase},        {0xF5, DbfFamily::kFoxPro},
    {0xFB, DbfFamily::kFoxPro},
};

constexpr char kDescriptorEnd = 0x0D;
// The header length is a 16-bit number, so this much of the file's start always holds it whole.
constexpr std::size_t kMaxHeaderBytes = 65536;
// Records are read this much at a time: big enough that a walk costs few system calls, small
// enough to stay in the processor's cache while its values are taken out.
constexpr std::size_t kRecordWindowBytes = 256 * 1024;

std::uint32_t Le16(std::string_view bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]) | (static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::uint32_t Le32(std::string_view bytes, std::size_t at) {
  return Le16(bytes, at) | (Le16(bytes, at + 2) << 16);
}

std::string Hex(std::uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", byte);
  return text;
}

// Level 7 tables keep field properties (required, minimum, maximum, default) in a structure after
// the field descriptors. Only "required" matters here. A structure that does not fit the header is
// left unread: it describes constraints, not data, and the table reads the same without it.
void ReadRequiredProperties(std::string_view structure, std::vector<DbfField>& fields) {
  constexpr std::size_t kDescriptorSize = 15;
  constexpr unsigned char kRequired = 0x01;
  if (structure.size() < 16) return;
  const std::size_t count = Le16(structure, 0);
  const std::size_t start = Le16(structure, 2);
  if (start + count * kDescriptorSize > structure.size()) return;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = start + i * kDescriptorSize;
    const std::size_t field = Le16(structure, at + 2);  // 1-based
    if (static_cast<unsigned char>(structure[at + 4]) == kRequired && field >= 1 &&
        field <= fields.size()) {
      fields[field - 1].required = true;
    }
  }
}

}  // namespace

bool DbfField::IsMemo() const {
  return kind == DbfFieldKind::kMemo || kind == DbfFieldKind::kBinary ||
         kind == DbfFieldKind::kOle || kind == DbfFieldKind::kPicture;
}

DbfFile::DbfFile(const std::filesystem::path& path)
    : DbfFile(internal::FileLabel(path), std::make_unique<internal::FileByteSource>(path)) {}

DbfFile::DbfFile(std::string label, std::string bytes)
    : DbfFile(std::move(label), std::make_unique<internal::MemoryByteSource>(std::move(bytes))) {}

DbfFile::DbfFile(std::string label, std::unique_ptr<internal::ByteSource> source)
    : label_(std::move(label)),
      source_(std::move(source)),
      records_(std::make_unique<internal::ReadWindow>(*source_, kRecordWindowBytes)) {
  ReadHeader();
  Parse();
}

DbfFile::~DbfFile() = default;

void DbfFile::Fail(const std::string& cause) const { throw Error(label_ + ": " + cause); }

void DbfFile::ReadHeader() {
  file_size_ = source_->size();
  header_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(file_size_, kMaxHeaderBytes)));
  const std::size_t got = source_->ReadAt(0, header_.data(), header_.size());
  // A file cut since its size was taken ends where the reading ended.
  if (got < header_.size()) {
    header_.resize(got);
    file_size_ = got;
  }
}

std::string_view DbfFile::Record(std::uint32_t number) {
  if (number == 0 || number > record_count_) return {};
  const std::string_view bytes =
      records_->Read(header_length_ + std::uint64_t{number - 1} * record_length_, record_length_);
  return bytes.size() == record_length_ ? bytes : std::string_view();
}

void DbfFile::Parse() {
  if (file_size_ == 0) Fail("the file is empty");
  if (file_size_ < 32) {
    Fail("the file is too short for a table header (" + std::to_string(file_size_) + " bytes)");
  }
  const auto* known = std::find_if(std::begin(kVersions), std::end(kVersions),
                                   [&](const KnownVersion& v) { return v.version == version(); });
  if (known == std::end(kVersions))
    Fail("this is not a dBase table (version byte " + Hex(version()) + ")");
  family_ = known->family;

  header_record_count_ = Le32(header_, 4);
  header_length_ = Le16(header_, 8);
  record_length_ = Le16(header_, 10);
  // Some writers mark dBase IV tables without memo 04, the byte of dBase 7. The layouts tell them
  // apart: the descriptor terminator of a level 7 header (68 + 48n) never falls where a dBase IV
  // one (32 + 32n) does.
  if (family_ == DbfFamily::kDbase7 && !TerminatorAfterDescriptors(68, 48) &&
      TerminatorAfterDescriptors(32, 32)) {
    family_ = DbfFamily::kDbase;
  }
  const std::uint32_t descriptors_start = family_ == DbfFamily::kDbase7 ? 68 : 32;
  if (header_length_ > file_size_) {
    Fail("the header claims " + std::to_string(header_length_) + " bytes but the file holds only " +
         std::to_string(file_size_));
  }
  if (header_length_ <= descriptors_start) {
    Fail("the header length " + std::to_string(header_length_) +
         " leaves no room for field descriptors");
  }
  if (record_length_ == 0) Fail("the record length is 0");
  if (family_ == DbfFamily::kDbase7) {
    const std::string_view name = std::string_view(header_).substr(32, 32);
    driver_name_ = std::string(name.substr(0, name.find('\0')));
  }

  const std::size_t descriptors_end = ParseFieldDescriptors();
  CheckFieldLengths();
  if (family_ == DbfFamily::kDbase7 && descriptors_end < header_length_) {
    ReadRequiredProperties(
        std::string_view(header_).substr(descriptors_end + 1, header_length_ - descriptors_end - 1),
        fields_);
  }
  if (family_ == DbfFamily::kVisualFoxPro) AssignNullBits();

  // A header that claims more records than the file holds gets the whole records that are there.
  const std::uint64_t present = (file_size_ - header_length_) / record_length_;
  record_count_ =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(header_record_count_, present));
  header_.resize(header_length_);
}

bool DbfFile::TerminatorAfterDescriptors(std::size_t start, std::size_t size) const {
  // Walks descriptors of `size` bytes from `start`: each begins with a name, the list ends with the
  // terminator.
  const std::size_t end = std::min<std::size_t>(header_length_, header_.size());
  for (std::size_t at = start; at < end; at += size) {
    if (header_[at] == kDescriptorEnd) return at > start;
    if (header_[at] == '\0') return false;
  }
  return false;
}

std::size_t DbfFile::ParseFieldDescriptors() {
  const bool level7 = family_ == DbfFamily::kDbase7;
  const std::size_t size = level7 ? 48 : 32;
  const std::size_t name_size = level7 ? 32 : 11;
  const std::size_t type_at = level7 ? 32 : 11;
  const std::size_t length_at = level7 ? 33 : 16;
  const std::string_view header = std::string_view(header_).substr(0, header_length_);

  std::size_t at = level7 ? 68 : 32;
  while (at < header.size()) {
    // Some writers end the list with a zero byte instead of the terminator.
    if (header[at] == kDescriptorEnd || header[at] == '\0') break;
    if (at + size > header.size()) Fail("the field descriptors run past the end of the header");
    DbfField field;
    const std::string_view name = header.substr(at, name_size);
    field.name = std::string(name.substr(0, name.find('\0')));
    field.type = header[at + type_at];
    field.kind = internal::ClassifyField(family_, field.type);
    field.length = static_cast<unsigned char>(header[at + length_at]);
    field.decimals = static_cast<unsigned char>(header[at + length_at + 1]);
    if (family_ == DbfFamily::kVisualFoxPro)
      field.flags = static_cast<unsigned char>(header[at + 18]);
    fields_.push_back(std::move(field));
    at += size;
  }
  if (fields_.empty()) Fail("the table has no fields");
  return at;
}

void DbfFile::CheckFieldLengths() {
  // Clipper and FoxBASE store character fields longer than 255 bytes with the decimals byte as the
  // high byte of the length. Take that reading only when it, and not the plain one, adds up to the
  // record length.
  std::uint64_t plain = 1;
  std::uint64_t extended = 1;
  for (const DbfField& f : fields_) {
    plain += f.length;
    extended += f.kind == DbfFieldKind::kCharacter ? f.length + 256u * f.decimals : f.length;
  }
  const bool use_extended = family_ != DbfFamily::kVisualFoxPro && family_ != DbfFamily::kDbase7 &&
                            plain != record_length_ && extended == record_length_;
  std::uint32_t offset = 1;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    DbfField& f = fields_[i];
    if (f.name.empty()) Fail("field " + std::to_string(i + 1) + " has no name");
    if (use_extended && f.kind == DbfFieldKind::kCharacter) {
      f.length += 256u * f.decimals;
      f.decimals = 0;
    }
    const internal::AllowedLength allowed = internal::AllowedLengths(f.kind);
    if (allowed.first != 0 && f.length != allowed.first && f.length != allowed.second) {
      std::string lengths = std::to_string(allowed.first);
      if (allowed.second != allowed.first) lengths += " or " + std::to_string(allowed.second);
      Fail("field " + f.name + ": a field of type '" + std::string(1, f.type) + "' must be " +
           lengths + " bytes long, not " + std::to_string(f.length));
    }
    f.offset = offset;
    offset += f.length;
  }
  if (offset > record_length_) {
    Fail("the fields need " + std::to_string(offset) + " bytes but a record holds only " +
         std::to_string(record_length_));
  }
}

void DbfFile::AssignNullBits() {
  // Bits are handed out in field order: a V or Q field first gets its "length in the last byte"
  // bit, then every field that allows null gets its null bit.
  int bit = 0;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    DbfField& f = fields_[i];
    if (f.kind == DbfFieldKind::kNullFlags) {
      if (null_flags_index_ < 0) null_flags_index_ = static_cast<int>(i);
      continue;
    }
    if (f.kind == DbfFieldKind::kVarchar || f.kind == DbfFieldKind::kVarbinary)
      f.varlength_bit = bit++;
    if ((f.flags & DbfField::kNullableFlag) != 0) f.null_bit = bit++;
  }
  if (bit == 0) return;
  const DbfField* flags = null_flags();
  if (flags == nullptr)
    Fail("fields allow null or vary in length but the table has no _NullFlags field");
  if (static_cast<std::uint64_t>(bit) > std::uint64_t{flags->length} * 8) {
    Fail("the _NullFlags field has " + std::to_string(flags->length * 8) +
         " bits but the fields need " + std::to_string(bit));
  }
}

bool DbfFile::HasMemoFields() const {
  return std::any_of(fields_.begin(), fields_.end(), [](const DbfField& f) { return f.IsMemo(); });
}

std::string_view DbfFile::memo_extension() const {
  return family_ == DbfFamily::kFoxPro || family_ == DbfFamily::kVisualFoxPro ? ".fpt" : ".dbt";
}

MemoFormat DbfFile::memo_format() const {
  if (family_ == DbfFamily::kFoxPro || family_ == DbfFamily::kVisualFoxPro)
    return MemoFormat::kFoxPro;
  return version() == 0x83 ? MemoFormat::kDbase3 : MemoFormat::kDbase4;
}

}  // namespace shelvex::exporting
