#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace shelvex::exporting {

namespace internal {
class ByteSource;
class ReadWindow;
}  // namespace internal

// The three memo file layouts that dBase and FoxPro tables keep their memo, binary and OLE values
// in.
enum class MemoFormat {
  kDbase3,  // .dbt, 512-byte blocks, a value runs until the byte 0x1A
  kDbase4,  // .dbt, block size in the header, each value led by FF FF 08 00 and its length
  kFoxPro,  // .fpt, big-endian block size in the header, each value led by its type and length
};

// A memo file, read by block number. The file is read where a value lies, through a window of
// bounded size (values visited in file order come from one read), never as a whole, and never
// outside itself whatever its bytes say.
class MemoFile final {
 public:
  // Opens `path` read-only and checks its header. Throws Error "books.dbt: cause" when it cannot be
  // opened or the header is damaged.
  MemoFile(const std::filesystem::path& path, MemoFormat format);
  // A memo file given as bytes; `label` names it in messages.
  MemoFile(std::string label, std::string bytes, MemoFormat format);
  ~MemoFile();
  MemoFile(const MemoFile&) = delete;
  MemoFile& operator=(const MemoFile&) = delete;

  MemoFormat format() const { return format_; }
  std::uint32_t block_size() const { return block_size_; }
  const std::string& label() const { return label_; }

  // Replaces `out` with the value that starts in block `block` (1 or more). Throws Error naming the
  // file and block when the block lies outside the file's data or its value runs past the end of
  // the file.
  void Read(std::uint32_t block, std::string& out);

 private:
  void ReadHeader();
  void ReadUntilEndMark(std::uint64_t offset, std::string& out);
  [[noreturn]] void Fail(std::uint32_t block, const char* cause) const;

  std::string label_;
  std::unique_ptr<internal::ByteSource> source_;
  std::unique_ptr<internal::ReadWindow> window_;
  MemoFormat format_;
  std::uint32_t block_size_ = 512;
  std::size_t first_read_ = 512;  // what a value is first read as: its block, most often all of it
};

}  // namespace shelvex::exporting
