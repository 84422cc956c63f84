#include "export/internal/growing_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "platform/error.h"

namespace shelvex::exporting::internal {

namespace {

[[noreturn]] void ThrowOutOfMemory() { throw Error("Insufficient memory for this operation."); }

}  // namespace

GrowingBuffer::GrowingBuffer() {
  data_ = static_cast<char*>(std::malloc(kInitialCapacity));
  if (data_ == nullptr) ThrowOutOfMemory();
  capacity_ = kInitialCapacity;
}

GrowingBuffer::~GrowingBuffer() { std::free(data_); }

void GrowingBuffer::Grow(std::size_t count) {
  std::size_t growth = std::max(count, kMinimumGrowth);
  // Alternate enlargements also add up to the capacity so far. The cap keeps a big packet from
  // reserving far more than it uses; realloc remapping the pages keeps the many enlargements it
  // causes cheap.
  if (++enlargements_ % 2 == 0) growth = std::max(growth, std::min(capacity_, kMaximumDoubling));
  if (growth > std::numeric_limits<std::size_t>::max() - capacity_) ThrowOutOfMemory();
  const std::size_t new_capacity = capacity_ + growth;
  char* grown = static_cast<char*>(std::realloc(data_, new_capacity));
  if (grown == nullptr) ThrowOutOfMemory();
  data_ = grown;
  capacity_ = new_capacity;
}

PacketBuffer GrowingBuffer::Release() {
  PacketBuffer finished(data_, size_);
  data_ = nullptr;
  size_ = 0;
  capacity_ = 0;
  return finished;
}

}  // namespace shelvex::exporting::internal
