#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace shelvex::exporting::internal {

// Read access to an index file that never goes past its end: every read is checked against the file
// size first, whatever offset the file's own bytes name. Failures throw Error with "NAME: cause",
// NAME being the file name without its folder. One thread at a time.
class IndexFile final {
 public:
  explicit IndexFile(const std::filesystem::path& path);
  IndexFile(const IndexFile&) = delete;
  IndexFile& operator=(const IndexFile&) = delete;

  std::uint64_t size() const { return size_; }
  const std::string& name() const { return name_; }

  // `length` bytes from `offset`; `what` names the structure for the message when they lie
  // outside the file.
  std::string Read(std::uint64_t offset, std::size_t length, std::string_view what);

  // Throws unless `length` bytes from `offset` lie inside the file.
  void CheckInside(std::uint64_t offset, std::uint64_t length, std::string_view what) const;

  [[noreturn]] void Fail(std::string_view cause) const;

 private:
  std::string name_;
  std::ifstream in_;
  std::uint64_t size_ = 0;
};

// Little- and big-endian integers inside a buffer that the caller has already read; positions
// outside the buffer are a programming error of the format readers and throw Error.
std::uint16_t Le16(std::string_view bytes, std::size_t at);
std::uint32_t Le32(std::string_view bytes, std::size_t at);
std::uint32_t Be32(std::string_view bytes, std::size_t at);
// `width` (1 to 8) bytes, least significant first.
std::uint64_t LeN(std::string_view bytes, std::size_t at, std::size_t width);

// The bytes before the first zero byte (all of them when there is none), blanks at both ends
// removed.
std::string TextField(std::string_view bytes);

// A tag name: 1 or more bytes, printable ASCII without blanks.
bool IsTagName(std::string_view name);
// Expression text: no control characters (bytes of 0x80 and above may stand in string constants).
bool IsExpressionText(std::string_view text);

}  // namespace shelvex::exporting::internal
