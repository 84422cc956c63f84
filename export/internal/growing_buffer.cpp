#include "export/internal/growing_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
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
  Prefault(size_);
}

void GrowingBuffer::Prefault(std::size_t from) {
  // Every byte of the buffer is about to be written. Asking the kernel for the new pages at once
  // costs one call instead of a page fault per 4 KB, which dominated the kernel's share of a big
  // export. Only a hint: where it is not supported, the pages fault in one by one as before.
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto begin = (reinterpret_cast<std::uintptr_t>(data_) + from + page - 1) / page * page;
  const auto end = (reinterpret_cast<std::uintptr_t>(data_) + capacity_) / page * page;
  if (end > begin) {
    (void)::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
  }
}

PacketBuffer GrowingBuffer::Release() {
  PacketBuffer finished(data_, size_);
  data_ = nullptr;
  size_ = 0;
  capacity_ = 0;
  return finished;
}

}  // namespace shelvex::exporting::internal
