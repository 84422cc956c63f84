#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

#include "export/packet_buffer.h"

namespace shelvex::exporting::internal {

// The one contiguous buffer a data packet is built in. It starts at 32,768 bytes; an enlargement
// adds at least what the append needs and at least 32,768 bytes, and every second enlargement adds
// up to the current capacity (at most 1,024,000 bytes), so large packets grow roughly
// geometrically. Growth goes through realloc, which remaps large blocks instead of copying them,
// and each enlargement asks the kernel for the new pages at once rather than one fault at a time.
// When memory runs out, the append throws Error "Insufficient memory for this operation.".
class GrowingBuffer final {
 public:
  static constexpr std::size_t kInitialCapacity = 32768;
  static constexpr std::size_t kMinimumGrowth = 32768;
  static constexpr std::size_t kMaximumDoubling = 1024000;

  GrowingBuffer();
  ~GrowingBuffer();
  GrowingBuffer(const GrowingBuffer&) = delete;
  GrowingBuffer& operator=(const GrowingBuffer&) = delete;

  void Append(const char* bytes, std::size_t count) {
    if (count > capacity_ - size_) Grow(count);
    std::memcpy(data_ + size_, bytes, count);
    size_ += count;
  }
  void Append(std::string_view bytes) { Append(bytes.data(), bytes.size()); }
  void Append(char byte) {
    if (size_ == capacity_) Grow(1);
    data_[size_++] = byte;
  }
  // Room for `count` bytes at the end, to be formatted in place and then taken with Commit.
  char* Reserve(std::size_t count) {
    if (count > capacity_ - size_) Grow(count);
    return data_ + size_;
  }
  void Commit(std::size_t count) { size_ += count; }
  void CommitTo(const char* end) { size_ = static_cast<std::size_t>(end - data_); }

  char* data() { return data_; }
  std::size_t size() const { return size_; }
  std::size_t capacity() const { return capacity_; }

  // Hands the block over; the buffer is empty and unusable afterwards.
  PacketBuffer Release();

 private:
  [[gnu::noinline]] void Grow(std::size_t count);
  void Prefault(std::size_t from);

  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  unsigned enlargements_ = 0;
};

}  // namespace shelvex::exporting::internal
