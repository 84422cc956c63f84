#include "export/internal/index_file.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/error.h"

namespace shelvex::exporting::internal {

namespace fs = std::filesystem;

IndexFile::IndexFile(const fs::path& path) : name_(path.filename().string()) {
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error) throw IoError(name_ + ": cannot be opened (" + error.message() + ")");
  if (!fs::is_regular_file(status)) throw Error(name_ + ": is not a regular file");
  size_ = fs::file_size(path, error);
  if (error) throw IoError(name_ + ": cannot be opened (" + error.message() + ")");
  errno = 0;
  in_.open(path, std::ios::binary);
  if (!in_) {
    throw IoError(name_ + ": cannot be opened (" +
                  (errno != 0 ? std::string(std::strerror(errno)) : std::string("unknown cause")) +
                  ")");
  }
}

void IndexFile::CheckInside(std::uint64_t offset, std::uint64_t length,
                            std::string_view what) const {
  if (offset > size_ || length > size_ - offset) {
    Fail(std::string(what) + " at offset " + std::to_string(offset) +
         " lies past the end of the file (" + std::to_string(size_) + " bytes)");
  }
}

std::string IndexFile::Read(std::uint64_t offset, std::size_t length, std::string_view what) {
  CheckInside(offset, length, what);
  std::string bytes(length, '\0');
  in_.clear();
  in_.seekg(static_cast<std::streamoff>(offset));
  in_.read(bytes.data(), static_cast<std::streamsize>(length));
  if (!in_ || static_cast<std::size_t>(in_.gcount()) != length) {
    throw IoError(name_ + ": cannot read " + std::string(what) + " at offset " +
                  std::to_string(offset));
  }
  return bytes;
}

void IndexFile::Fail(std::string_view cause) const {
  throw Error(name_ + ": " + std::string(cause));
}

namespace {

void CheckRange(std::string_view bytes, std::size_t at, std::size_t width) {
  if (at > bytes.size() || width > bytes.size() - at) {
    throw Error("index reader: field at " + std::to_string(at) + " lies outside a buffer of " +
                std::to_string(bytes.size()) + " bytes");
  }
}

std::uint32_t Byte(std::string_view bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes[at]);
}

}  // namespace

std::uint16_t Le16(std::string_view bytes, std::size_t at) {
  CheckRange(bytes, at, 2);
  return static_cast<std::uint16_t>(Byte(bytes, at) | (Byte(bytes, at + 1) << 8));
}

std::uint32_t Le32(std::string_view bytes, std::size_t at) {
  CheckRange(bytes, at, 4);
  return Byte(bytes, at) | (Byte(bytes, at + 1) << 8) | (Byte(bytes, at + 2) << 16) |
         (Byte(bytes, at + 3) << 24);
}

std::uint32_t Be32(std::string_view bytes, std::size_t at) {
  CheckRange(bytes, at, 4);
  return (Byte(bytes, at) << 24) | (Byte(bytes, at + 1) << 16) | (Byte(bytes, at + 2) << 8) |
         Byte(bytes, at + 3);
}

std::uint64_t LeN(std::string_view bytes, std::size_t at, std::size_t width) {
  if (width == 0 || width > 8)
    throw Error("index reader: integer of " + std::to_string(width) + " bytes");
  CheckRange(bytes, at, width);
  std::uint64_t value = 0;
  for (std::size_t i = width; i-- > 0;) value = (value << 8) | Byte(bytes, at + i);
  return value;
}

std::string TextField(std::string_view bytes) {
  const std::size_t end = bytes.find('\0');
  std::string_view text = bytes.substr(0, end);
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

bool IsTagName(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F) return false;
  }
  return true;
}

bool IsExpressionText(std::string_view text) {
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return false;
  }
  return true;
}

}  // namespace shelvex::exporting::internal
