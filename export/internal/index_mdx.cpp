// The multiple index file (.mdx) of dBase IV, 5 and 7, read as far as its tag descriptions.
//
// Layout, little-endian throughout:
//   file header, 544 bytes: 0 version, 4-19 table name, 20-21 pages in a block, 22-23 block size
//     in bytes, 24 production flag, 25 tag table slots, 26 entry length, 28-29 tags in use;
//   tag table from byte 544, one entry per tag in creation order: 0-3 page of the tag header,
//     4-14 tag name (zero-terminated), 15 key format, 16-18 name tree threads, 20 key type;
//   tag header at page * 512: 0-3 root page, 8 key format (0x08 descending, 0x40 unique), 9 key
//     type ('C', 'N', 'D'), 12-13 key length, 23 unique flag, 24-243 key expression.
// A tag's FOR condition is left unread: no account of its place in the tag header is firm enough,
// and a wrong guess would turn good keys into expressions.
// Pages are 512 bytes; B-tree blocks are one block size long.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "export/internal/index_formats.h"

namespace shelvex::exporting::internal {

namespace {

constexpr std::uint64_t kPageSize = 512;
constexpr std::size_t kFileHeaderSize = 544;
constexpr std::uint64_t kTagTableOffset = 544;
// The fields of a tag table entry that are read, header page and name, end at byte 15.
constexpr std::size_t kMinEntryLength = 15;
constexpr std::size_t kTagHeaderReadSize = 244;
constexpr std::size_t kExpressionOffset = 24;
constexpr std::size_t kExpressionSize = 220;
constexpr std::uint8_t kFormatDescending = 0x08;
constexpr std::uint8_t kFormatUnique = 0x40;
// dBase's largest block size is 32 pages.
constexpr std::uint32_t kMaxBlockSize = 32 * 512;

std::uint8_t ByteAt(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes.at(at));
}

}  // namespace

std::vector<RawIndexTag> ReadMdxTags(IndexFile& file) {
  if (file.size() == 0) file.Fail("the file is empty");
  if (file.size() < kFileHeaderSize) {
    file.Fail("the file is too short for an index header (" + std::to_string(file.size()) +
              " bytes)");
  }
  const std::string header = file.Read(0, kFileHeaderSize, "the file header");
  const std::uint32_t block_size = Le16(header, 22);
  if (block_size < kPageSize || block_size > kMaxBlockSize || block_size % kPageSize != 0) {
    file.Fail("the block size of " + std::to_string(block_size) +
              " bytes is not a whole number of pages");
  }
  const std::size_t slots = ByteAt(header, 25);
  const std::size_t entry_length = ByteAt(header, 26);
  const std::size_t tags_in_use = Le16(header, 28);
  if (entry_length < kMinEntryLength) {
    file.Fail("tag table entries of " + std::to_string(entry_length) + " bytes are too short");
  }
  if (tags_in_use > slots) {
    file.Fail(std::to_string(tags_in_use) + " tags are in use in a tag table of " +
              std::to_string(slots) + " entries");
  }

  // Tag headers follow the used part of the tag table; one that starts inside it points at garbage.
  const std::uint64_t table_end = kTagTableOffset + tags_in_use * entry_length;
  std::vector<RawIndexTag> tags;
  std::set<std::uint64_t> header_offsets;
  for (std::size_t i = 0; i < tags_in_use; ++i) {
    const std::string number = std::to_string(i + 1);
    const std::string entry =
        file.Read(kTagTableOffset + i * entry_length, entry_length, "tag table entry " + number);
    RawIndexTag tag;
    tag.name = TextField(std::string_view(entry).substr(4, 11));
    if (!IsTagName(tag.name)) file.Fail("tag table entry " + number + " holds no valid tag name");

    const std::uint64_t header_offset = Le32(entry, 0) * kPageSize;
    if (header_offset < table_end) {
      file.Fail("tag " + tag.name + " has its header at page " + std::to_string(Le32(entry, 0)) +
                ", inside the file header");
    }
    if (!header_offsets.insert(header_offset).second) {
      file.Fail("tag " + tag.name + " shares its header with another tag");
    }
    const std::string tag_header =
        file.Read(header_offset, kTagHeaderReadSize, "the header of tag " + tag.name);

    // The root block is where the keys begin; a file cut before its end has lost keys.
    const std::uint64_t root_offset = Le32(tag_header, 0) * kPageSize;
    if (root_offset < table_end) {
      file.Fail("tag " + tag.name + " has its root block at page " +
                std::to_string(Le32(tag_header, 0)) + ", inside the file header");
    }
    file.CheckInside(root_offset, block_size, "the root block of tag " + tag.name);

    const std::uint8_t key_format = ByteAt(tag_header, 8);
    tag.key_type = static_cast<char>(ByteAt(tag_header, 9));
    tag.descending = (key_format & kFormatDescending) != 0;
    tag.unique = (key_format & kFormatUnique) != 0 || ByteAt(tag_header, 23) != 0;
    tag.expression =
        TextField(std::string_view(tag_header).substr(kExpressionOffset, kExpressionSize));
    if (tag.expression.empty() || !IsExpressionText(tag.expression)) {
      file.Fail("tag " + tag.name + " has no readable key expression");
    }
    tags.push_back(std::move(tag));
  }
  return tags;
}

}  // namespace shelvex::exporting::internal
