#pragma once

#include <cstdint>
#include <streambuf>
#include <string>
#include <string_view>

#include "layout/value_tag.h"

namespace shelvex::layout {

// Writes tagged values to a byte sink (a std::stringbuf, a std::filebuf). Every value takes its
// smallest form. A sink that refuses bytes makes the write throw IoError. The sink must outlive the
// writer. Not thread-safe.
class ValueWriter final {
 public:
  explicit ValueWriter(std::streambuf& sink);
  ValueWriter(const ValueWriter&) = delete;
  ValueWriter& operator=(const ValueWriter&) = delete;

  void WriteValue(ValueTag tag);
  // vaInt8 for -128..127, vaInt16 for -32768..32767, vaInt32 otherwise.
  void WriteInteger(std::int32_t value);
  // `utf8` (ill-formed sequences become U+FFFD) as the shortest of the string forms: UTF-8 when
  // that is shorter than UTF-16, as an ANSI string when it is plain ASCII (vaString up to 255
  // bytes, vaLString beyond), and as vaWString otherwise, the empty string included.
  void WriteString(std::string_view utf8);
  void WriteListBegin() { WriteValue(ValueTag::vaList); }
  void WriteListEnd() { WriteValue(ValueTag::vaNull); }

 private:
  void WriteBytes(std::string_view bytes);
  void WriteUint32(std::uint32_t value);

  std::streambuf& sink_;
};

}  // namespace shelvex::layout
