#include "export/packet_buffer.h"

#include <cstdlib>
#include <utility>

namespace shelvex::exporting {

PacketBuffer::~PacketBuffer() { std::free(data_); }

PacketBuffer::PacketBuffer(PacketBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

PacketBuffer& PacketBuffer::operator=(PacketBuffer&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
  }
  return *this;
}

}  // namespace shelvex::exporting
