#include "engine/internal/parallel_deflate.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/error.h"

namespace shelvex::engine::internal {

namespace {

constexpr int kLevel = 6;
constexpr int kRawWindowBits = -15;
constexpr int kMemoryLevel = 8;
// Large enough that the joins cost nothing measurable, small enough to keep two processors busy
// on the last file.
constexpr std::size_t kBlockBytes = 4u << 20;
constexpr std::size_t kDictionaryBytes = 32u << 10;

// A file mapped for reading, or nothing for an empty one.
class MappedFile final {
 public:
  explicit MappedFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail(path, "cannot be read", errno);
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
      const int error = errno;
      ::close(fd);
      Fail(path, "cannot be read", error);
    }
    size_ = static_cast<std::size_t>(status.st_size);
    mtime_ = status.st_mtime;
    if (size_ > 0) {
      void* address = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
      const int error = errno;
      ::close(fd);
      if (address == MAP_FAILED) Fail(path, "cannot be read", error);
      data_ = static_cast<const unsigned char*>(address);
      ::madvise(address, size_, MADV_SEQUENTIAL);
    } else {
      ::close(fd);
    }
  }
  ~MappedFile() {
    if (data_ != nullptr) ::munmap(const_cast<unsigned char*>(data_), size_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  const unsigned char* data() const { return data_; }
  std::size_t size() const { return size_; }
  std::int64_t mtime() const { return mtime_; }

 private:
  [[noreturn]] static void Fail(const std::filesystem::path& path, const char* what, int error) {
    throw Error(path.string() + ": " + what + " (" + std::strerror(error) + ")");
  }

  const unsigned char* data_ = nullptr;
  std::size_t size_ = 0;
  std::int64_t mtime_ = 0;
};

struct Block {
  const MappedFile* file = nullptr;
  std::size_t offset = 0;
  std::size_t length = 0;
  bool last = false;
  std::string deflated;
  std::uint32_t crc = 0;
};

class Deflater final {
 public:
  Deflater() {
    if (deflateInit2(&stream_, kLevel, Z_DEFLATED, kRawWindowBits, kMemoryLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
      throw Error("deflate: cannot start zlib");
    }
  }
  ~Deflater() { deflateEnd(&stream_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  void Compress(Block& block) {
    deflateReset(&stream_);
    const unsigned char* start = block.file->data() + block.offset;
    if (block.offset > 0) {
      // The block starts where the one before ends: the bytes before it are the dictionary that
      // a single stream would have had in its window.
      const std::size_t dictionary = std::min(block.offset, kDictionaryBytes);
      deflateSetDictionary(&stream_, start - dictionary, static_cast<uInt>(dictionary));
    }
    block.deflated.resize(deflateBound(&stream_, block.length) + 16);
    stream_.next_in = const_cast<unsigned char*>(start);
    stream_.avail_in = static_cast<uInt>(block.length);
    stream_.next_out = reinterpret_cast<unsigned char*>(block.deflated.data());
    stream_.avail_out = static_cast<uInt>(block.deflated.size());
    // Every block but the last ends on a byte boundary without the final-block bit, so the next
    // block's data can follow it directly.
    const int result = deflate(&stream_, block.last ? Z_FINISH : Z_SYNC_FLUSH);
    if ((block.last && result != Z_STREAM_END) || (!block.last && result != Z_OK) ||
        stream_.avail_in != 0) {
      throw Error("deflate: zlib failed");
    }
    block.deflated.resize(block.deflated.size() - stream_.avail_out);
    block.crc = static_cast<std::uint32_t>(crc32(0, start, static_cast<uInt>(block.length)));
  }

 private:
  z_stream stream_{};
};

unsigned ThreadCount(unsigned wanted, std::size_t blocks) {
  if (wanted == 0) wanted = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
  return static_cast<unsigned>(std::min<std::size_t>(wanted, std::max<std::size_t>(blocks, 1)));
}

}  // namespace

std::vector<DeflatedFile> DeflateFiles(const std::vector<std::filesystem::path>& files,
                                       unsigned threads) {
  std::vector<std::unique_ptr<MappedFile>> mapped;
  std::vector<Block> blocks;
  for (const std::filesystem::path& path : files) {
    mapped.push_back(std::make_unique<MappedFile>(path));
    const MappedFile& file = *mapped.back();
    std::size_t offset = 0;
    do {
      Block block;
      block.file = &file;
      block.offset = offset;
      block.length = std::min(kBlockBytes, file.size() - offset);
      offset += block.length;
      block.last = offset == file.size();
      blocks.push_back(std::move(block));
    } while (offset < file.size());
  }

  // The biggest share of the work is the last file's blocks; the workers take blocks in order, so
  // they all stay busy until the end.
  std::atomic<std::size_t> next{0};
  std::exception_ptr failure;
  std::mutex failure_mutex;
  auto work = [&] {
    try {
      Deflater deflater;
      for (std::size_t i; (i = next.fetch_add(1)) < blocks.size();) deflater.Compress(blocks[i]);
    } catch (...) {
      const std::lock_guard lock(failure_mutex);
      if (!failure) failure = std::current_exception();
      next = blocks.size();
    }
  };
  std::vector<std::thread> workers;
  const unsigned count = ThreadCount(threads, blocks.size());
  for (unsigned i = 1; i < count; ++i) workers.emplace_back(work);
  work();
  for (std::thread& worker : workers) worker.join();
  if (failure) std::rethrow_exception(failure);

  std::vector<DeflatedFile> results(files.size());
  std::size_t block = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    DeflatedFile& result = results[i];
    result.size = mapped[i]->size();
    result.mtime = mapped[i]->mtime();
    result.crc = static_cast<std::uint32_t>(crc32(0, nullptr, 0));
    std::size_t total = 0;
    for (std::size_t j = block; j < blocks.size() && blocks[j].file == mapped[i].get(); ++j) {
      total += blocks[j].deflated.size();
    }
    result.data.reserve(total);
    for (; block < blocks.size() && blocks[block].file == mapped[i].get(); ++block) {
      result.data += blocks[block].deflated;
      result.crc = static_cast<std::uint32_t>(
          crc32_combine(result.crc, blocks[block].crc, static_cast<z_off_t>(blocks[block].length)));
      std::string().swap(blocks[block].deflated);
    }
  }
  return results;
}

}  // namespace shelvex::engine::internal
