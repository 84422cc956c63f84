#include "layout/value_reader.h"

#include <algorithm>
#include <utility>

#include "layout/internal/unicode.h"
#include "platform/code_page.h"

namespace shelvex::layout {

namespace {

// Payloads are read in pieces of this size, so a damaged length never reserves more than one piece
// ahead of the bytes that really arrived.
constexpr std::uint64_t kPieceSize = 64 * 1024;

std::string TagText(ValueTag tag) { return std::to_string(static_cast<unsigned>(tag)); }

}  // namespace

ValueReader::ValueReader(std::streambuf& source, std::string source_name)
    : source_(source), source_name_(std::move(source_name)) {}

void ValueReader::Fail(std::string_view cause, std::uint64_t offset) const {
  throw ValueReadError(source_name_ + ": " + std::string(cause) + " at offset " +
                       std::to_string(offset));
}

std::uint8_t ValueReader::ReadByte() {
  auto byte = source_.sbumpc();
  if (byte == std::streambuf::traits_type::eof()) Fail("unexpected end of the data", position_);
  ++position_;
  return static_cast<std::uint8_t>(std::streambuf::traits_type::to_char_type(byte));
}

std::uint32_t ValueReader::ReadUint32() {
  std::uint32_t value = 0;
  for (int shift = 0; shift < 32; shift += 8) value |= std::uint32_t{ReadByte()} << shift;
  return value;
}

std::string ValueReader::ReadBytes(std::uint64_t count, std::string_view what) {
  std::uint64_t start = position_;
  std::string bytes;
  while (bytes.size() < count) {
    std::uint64_t piece = std::min(count - bytes.size(), kPieceSize);
    std::size_t old_size = bytes.size();
    bytes.resize(old_size + piece);
    auto got = source_.sgetn(bytes.data() + old_size, static_cast<std::streamsize>(piece));
    position_ += static_cast<std::uint64_t>(std::max<std::streamsize>(got, 0));
    if (got != static_cast<std::streamsize>(piece)) {
      Fail(std::string(what) + " of " + std::to_string(count) +
               " bytes runs past the end of the data",
           start);
    }
  }
  return bytes;
}

ValueTag ValueReader::NextValue() {
  auto byte = source_.sgetc();
  if (byte == std::streambuf::traits_type::eof()) Fail("unexpected end of the data", position_);
  return static_cast<ValueTag>(std::streambuf::traits_type::to_char_type(byte));
}

ValueTag ValueReader::ReadValue() { return static_cast<ValueTag>(ReadByte()); }

// Iterative, so that a file of nothing but list tags cannot exhaust the stack.
void ValueReader::SkipValue() {
  std::uint64_t open_lists = 0;
  do {
    std::uint64_t at = position_;
    ValueTag tag = NextValue();
    switch (tag) {
      case ValueTag::vaNull:
        ReadValue();
        if (open_lists > 0) --open_lists;
        break;
      case ValueTag::vaList:
        ReadValue();
        ++open_lists;
        break;
      case ValueTag::vaInt8:
      case ValueTag::vaInt16:
      case ValueTag::vaInt32:
        ReadInteger();
        break;
      case ValueTag::vaString:
      case ValueTag::vaLString:
      case ValueTag::vaWString:
      case ValueTag::vaUTF8String:
        ReadString();
        break;
      default:
        Fail("unknown value tag " + TagText(tag), at);
    }
  } while (open_lists > 0);
}

std::int32_t ValueReader::ReadInteger() {
  std::uint64_t at = position_;
  ValueTag tag = ReadValue();
  switch (tag) {
    case ValueTag::vaInt8:
      return static_cast<std::int8_t>(ReadByte());
    case ValueTag::vaInt16: {
      std::uint16_t low = ReadByte();
      return static_cast<std::int16_t>(low | std::uint16_t(ReadByte() << 8));
    }
    case ValueTag::vaInt32:
      return static_cast<std::int32_t>(ReadUint32());
    default:
      Fail("integer expected, found value tag " + TagText(tag), at);
  }
}

std::string ValueReader::ReadString() {
  std::uint64_t at = position_;
  ValueTag tag = ReadValue();
  switch (tag) {
    case ValueTag::vaString:
      return platform::AnsiToUtf8(ReadBytes(ReadByte(), "string"));
    case ValueTag::vaLString:
      return platform::AnsiToUtf8(ReadBytes(ReadUint32(), "string"));
    case ValueTag::vaWString: {
      std::uint64_t units = ReadUint32();
      return internal::Utf16LeToUtf8(ReadBytes(units * 2, "UTF-16 string"));
    }
    case ValueTag::vaUTF8String:
      return internal::ValidUtf8(ReadBytes(ReadUint32(), "UTF-8 string"));
    default:
      Fail("string expected, found value tag " + TagText(tag), at);
  }
}

void ValueReader::CheckValue(ValueTag expected, std::string_view what) {
  if (NextValue() == expected) {
    ReadValue();
    return;
  }
  // The unexpected value is consumed whole, so that whatever follows it can still be read.
  std::uint64_t at = position_;
  ValueTag found = NextValue();
  SkipValue();
  Fail(std::string(what) + " expected, found value tag " + TagText(found), at);
}

void ValueReader::ReadListBegin() { CheckValue(ValueTag::vaList, "start of a list"); }

void ValueReader::ReadListEnd() { CheckValue(ValueTag::vaNull, "end of a list"); }

}  // namespace shelvex::layout
