#pragma once

#include <cstdint>
#include <streambuf>
#include <string>
#include <string_view>

#include "layout/value_tag.h"
#include "platform/error.h"

namespace shelvex::layout {

// Data that cannot be read as the expected value: an unknown or unexpected tag, or a value cut
// short by the end of the data. Readers of layout pages catch it to discard what they were reading
// and go on.
class ValueReadError : public Error {
 public:
  using Error::Error;
};

// Reads tagged values from a byte source (a std::filebuf for a file, a std::stringbuf for bytes in
// memory), which does the buffering. Safe on any bytes: a length is never trusted for an
// allocation, so a length that claims more than the source holds costs no more memory than the
// source has, and is a ValueReadError.
//
// The source must outlive the reader. A failure of the source itself (an I/O error) looks like the
// end of the data. Not thread-safe.
class ValueReader final {
 public:
  // `source_name` (the file name) starts every error message.
  ValueReader(std::streambuf& source, std::string source_name);
  ValueReader(const ValueReader&) = delete;
  ValueReader& operator=(const ValueReader&) = delete;

  // The tag of the next value, not consumed. May be a byte that is no known tag.
  ValueTag NextValue();
  // Consumes and returns the next tag.
  ValueTag ReadValue();
  // Consumes the next value, whatever its kind; a list is skipped up to and including its vaNull.
  void SkipValue();

  // An integer of any of the three integer tags, widened with its sign.
  std::int32_t ReadInteger();
  // A string of any of the four string tags, as UTF-8. ANSI strings are converted from the ANSI
  // code page; UTF-16 and UTF-8 that do not decode give U+FFFD where they fail.
  std::string ReadString();

  // vaList, else the value found is skipped and a ValueReadError is thrown.
  void ReadListBegin();
  // vaNull, else the value found is skipped and a ValueReadError is thrown.
  void ReadListEnd();
  // True when the next tag is vaNull.
  bool EndOfList() { return NextValue() == ValueTag::vaNull; }

  // Bytes consumed so far.
  std::uint64_t position() const { return position_; }

 private:
  void CheckValue(ValueTag expected, std::string_view what);
  std::uint8_t ReadByte();
  std::uint32_t ReadUint32();
  std::string ReadBytes(std::uint64_t count, std::string_view what);
  [[noreturn]] void Fail(std::string_view cause, std::uint64_t offset) const;

  std::streambuf& source_;
  std::string source_name_;
  std::uint64_t position_ = 0;
};

}  // namespace shelvex::layout
