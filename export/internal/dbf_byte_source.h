#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace shelvex::exporting::internal {

// Read-only bytes of a table or memo file, read by offset. The size is taken once, when the source
// is opened; a file that shrinks afterwards gives short reads, never a fault.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t size() const = 0;
  // Copies up to `count` bytes from `offset` into `out`; returns how many were there.
  virtual std::size_t ReadAt(std::uint64_t offset, char* out, std::size_t count) const = 0;
};

// A file opened read-only (a table whose file is read-only opens like any other). Throws Error
// "name: cause" when the file is missing, is a folder or cannot be opened.
class FileByteSource final : public ByteSource {
 public:
  explicit FileByteSource(const std::filesystem::path& path);
  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  std::uint64_t size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, char* out, std::size_t count) const override;

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::string name_;
};

// Bytes held in memory (tests and the fuzzer).
class MemoryByteSource final : public ByteSource {
 public:
  explicit MemoryByteSource(std::string bytes) : bytes_(std::move(bytes)) {}
  std::uint64_t size() const override { return bytes_.size(); }
  std::size_t ReadAt(std::uint64_t offset, char* out, std::size_t count) const override;

 private:
  std::string bytes_;
};

// The name that messages about `path` begin with: its file name.
std::string FileLabel(const std::filesystem::path& path);

}  // namespace shelvex::exporting::internal
