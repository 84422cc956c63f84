#include "export/internal/read_window.h"

#include <algorithm>

#include "export/internal/dbf_byte_source.h"

namespace shelvex::exporting::internal {

ReadWindow::ReadWindow(const ByteSource& source, std::size_t window_bytes)
    : source_(source), window_bytes_(std::max<std::size_t>(window_bytes, 1)) {}

ReadWindow::~ReadWindow() = default;

std::string_view ReadWindow::Read(std::uint64_t offset, std::size_t count) {
  const bool held = offset >= start_ && offset - start_ <= size_ &&
                    count <= size_ - static_cast<std::size_t>(offset - start_);
  if (!held) {
    // Near the last read, ahead of it or behind it, counts as a walk; anything else as a jump.
    const bool ahead = has_read_ && offset > last_start_ && offset < last_end_ + window_bytes_;
    const bool behind = has_read_ && offset < last_start_ && last_start_ - offset < window_bytes_ &&
                        count < window_bytes_;
    if (ahead) {
      Fill(offset, std::max(count, window_bytes_));
    } else if (behind) {
      const std::uint64_t end = offset + count;
      const std::uint64_t from = end > window_bytes_ ? end - window_bytes_ : 0;
      Fill(from, static_cast<std::size_t>(end - from));
    } else {
      Fill(offset, count);
    }
  }
  last_start_ = offset;
  last_end_ = offset + count;
  has_read_ = true;
  // A short fill (the end of the file) may not even reach `offset`.
  if (offset - start_ >= size_) return {};
  const auto at = static_cast<std::size_t>(offset - start_);
  return std::string_view(buffer_.get() + at, std::min(count, size_ - at));
}

void ReadWindow::Fill(std::uint64_t offset, std::size_t count) {
  if (count > capacity_) {
    // Not zero-filled: the bytes are overwritten at once.
    buffer_.reset(new char[count]);
    capacity_ = count;
  }
  start_ = offset;
  size_ = 0;
  size_ = source_.ReadAt(offset, buffer_.get(), count);
}

}  // namespace shelvex::exporting::internal
