#include "export/memo_file.h"

#include <algorithm>
#include <cstring>

#include "export/internal/dbf_byte_source.h"
#include "export/internal/read_window.h"
#include "platform/error.h"

namespace shelvex::exporting {

namespace {

// Every layout keeps its header in the first 512 bytes; no value starts there.
constexpr std::uint64_t kHeaderBytes = 512;
// A value is first read as one block, at least this much and at most kMaxFirstRead, which holds
// most memos whole.
constexpr std::size_t kMinFirstRead = 512;
constexpr std::size_t kMaxFirstRead = 4096;
// dBase III values, which end at a mark, are searched this much at a time.
constexpr std::size_t kEndMarkChunk = 4096;
// Values in file order come through this much at a time; a longer value is read on its own.
constexpr std::size_t kWindowBytes = 256 * 1024;
constexpr char kEndMark = 0x1A;

std::uint32_t LittleEndian32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return u[0] | (u[1] << 8) | (u[2] << 16) | (static_cast<std::uint32_t>(u[3]) << 24);
}

std::uint32_t BigEndian32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return (static_cast<std::uint32_t>(u[0]) << 24) | (u[1] << 16) | (u[2] << 8) | u[3];
}

}  // namespace

MemoFile::MemoFile(const std::filesystem::path& path, MemoFormat format)
    : label_(internal::FileLabel(path)),
      source_(std::make_unique<internal::FileByteSource>(path)),
      window_(std::make_unique<internal::ReadWindow>(*source_, kWindowBytes)),
      format_(format) {
  ReadHeader();
}

MemoFile::MemoFile(std::string label, std::string bytes, MemoFormat format)
    : label_(std::move(label)),
      source_(std::make_unique<internal::MemoryByteSource>(std::move(bytes))),
      window_(std::make_unique<internal::ReadWindow>(*source_, kWindowBytes)),
      format_(format) {
  ReadHeader();
}

MemoFile::~MemoFile() = default;

void MemoFile::ReadHeader() {
  char header[22] = {};
  const std::size_t got = source_->ReadAt(0, header, sizeof header);
  if (got == 0) throw Error(label_ + ": the memo file is empty");
  switch (format_) {
    case MemoFormat::kDbase3:
      block_size_ = 512;
      break;
    case MemoFormat::kDbase4: {
      if (got < sizeof header) throw Error(label_ + ": the memo file is too short for its header");
      const unsigned size =
          static_cast<unsigned char>(header[20]) | (static_cast<unsigned char>(header[21]) << 8);
      // Writers of dBase III style files under a dBase IV table leave the field zero: their blocks
      // are 512 bytes.
      block_size_ = size == 0 ? 512 : size;
      break;
    }
    case MemoFormat::kFoxPro: {
      if (got < 8) throw Error(label_ + ": the memo file is too short for its header");
      block_size_ =
          (static_cast<unsigned char>(header[6]) << 8) | static_cast<unsigned char>(header[7]);
      if (block_size_ == 0) throw Error(label_ + ": the memo file header gives a block size of 0");
      break;
    }
  }
  first_read_ = std::clamp<std::size_t>(block_size_, kMinFirstRead, kMaxFirstRead);
}

void MemoFile::Fail(std::uint32_t block, const char* cause) const {
  throw Error(label_ + ": memo block " + std::to_string(block) + " " + cause);
}

void MemoFile::Read(std::uint32_t block, std::string& out) {
  const std::uint64_t offset = static_cast<std::uint64_t>(block) * block_size_;
  if (offset < kHeaderBytes) Fail(block, "lies inside the memo file header");
  if (offset >= source_->size()) Fail(block, "lies past the end of the file");
  const std::uint64_t left = source_->size() - offset;

  if (format_ == MemoFormat::kDbase3) {
    ReadUntilEndMark(offset, out);
    return;
  }
  const std::string_view head =
      window_->Read(offset, static_cast<std::size_t>(std::min<std::uint64_t>(left, first_read_)));
  if (head.size() < 8) Fail(block, "is cut short");

  std::uint64_t length = 0;
  if (format_ == MemoFormat::kFoxPro) {
    length = BigEndian32(head.data() + 4);
  } else {
    static constexpr char kBlockMark[4] = {'\xFF', '\xFF', '\x08', '\x00'};
    if (std::memcmp(head.data(), kBlockMark, 4) != 0) {
      // Some writers put dBase III style values into dBase IV memo files.
      ReadUntilEndMark(offset, out);
      return;
    }
    const std::uint32_t total = LittleEndian32(head.data() + 4);
    if (total < 8) Fail(block, "has a damaged block header");
    length = total - 8;
  }
  if (length > left - 8) Fail(block, "runs past the end of the file");

  const auto value_length = static_cast<std::size_t>(length);
  if (8 + value_length <= kWindowBytes) {
    // Most often already in the window with the head; asked for from the same offset, so that a
    // value visited out of order is read in one piece of its own size.
    const std::string_view value = window_->Read(offset, 8 + value_length);
    if (value.size() != 8 + value_length) Fail(block, "is cut short");
    out.assign(value.substr(8));
    return;
  }
  out.resize(value_length);
  if (source_->ReadAt(offset + 8, out.data(), value_length) != value_length)
    Fail(block, "is cut short");
}

void MemoFile::ReadUntilEndMark(std::uint64_t offset, std::string& out) {
  out.clear();
  for (;;) {
    const std::string_view chunk = window_->Read(offset, kEndMarkChunk);
    // A value that runs to the end of the file without its mark ends there.
    if (chunk.empty()) return;
    const std::size_t mark = chunk.find(kEndMark);
    if (mark != std::string_view::npos) {
      out.append(chunk.substr(0, mark));
      return;
    }
    out.append(chunk);
    offset += chunk.size();
  }
}

}  // namespace shelvex::exporting
