#pragma once

#include <cstddef>
#include <string_view>

namespace shelvex::exporting {

namespace internal {
class GrowingBuffer;
}

// The finished bytes of a data packet: one contiguous block, owned by this object and freed with
// it, so that the caller writes the whole file with a single write. Move-only.
class PacketBuffer final {
 public:
  PacketBuffer() = default;
  ~PacketBuffer();
  PacketBuffer(PacketBuffer&& other) noexcept;
  PacketBuffer& operator=(PacketBuffer&& other) noexcept;
  PacketBuffer(const PacketBuffer&) = delete;
  PacketBuffer& operator=(const PacketBuffer&) = delete;

  const char* data() const { return data_; }
  std::size_t size() const { return size_; }
  std::string_view view() const { return {data_, size_}; }

 private:
  friend class internal::GrowingBuffer;
  // Takes over a block from malloc/realloc.
  PacketBuffer(char* data, std::size_t size) noexcept : data_(data), size_(size) {}

  char* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace shelvex::exporting
