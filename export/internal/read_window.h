#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

namespace shelvex::exporting::internal {

class ByteSource;

// Reads a table or memo file through one buffer of bounded size, so that a file of any size is
// never held whole. A read that goes on from where the one before ended (the next record, the next
// memo) fills the buffer a whole window ahead, and one that steps back a little fills the window
// behind it (rows sorted against the file's order), so a walk in either direction costs one system
// call per window. Any other read fetches just what it asks for: visiting records in random order
// never drags whole windows in. The buffer is never larger than the window or the largest single
// read. One thread at a time.
class ReadWindow final {
 public:
  // `source` must outlive the window.
  ReadWindow(const ByteSource& source, std::size_t window_bytes);
  ~ReadWindow();
  ReadWindow(const ReadWindow&) = delete;
  ReadWindow& operator=(const ReadWindow&) = delete;

  // Up to `count` bytes from `offset`: fewer when the file ends (or has been cut short since it was
  // opened) before. The view stays valid until the next call.
  std::string_view Read(std::uint64_t offset, std::size_t count);

 private:
  void Fill(std::uint64_t offset, std::size_t count);

  const ByteSource& source_;
  const std::size_t window_bytes_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::uint64_t start_ = 0;  // the buffer holds the file's bytes [start_, start_ + size_)
  std::size_t size_ = 0;
  // The last read, which tells a walk from a jump.
  std::uint64_t last_start_ = 0;
  std::uint64_t last_end_ = 0;
  bool has_read_ = false;
};

}  // namespace shelvex::exporting::internal
