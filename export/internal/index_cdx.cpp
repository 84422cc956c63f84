// The compound index file (.cdx) of FoxPro and Visual FoxPro, read as far as its tag descriptions.
//
// A compound file is a set of compact indexes in one file. Every compact index starts with a
// 1024-byte header: 0-3 root node offset, 12-13 key length, 14 options (0x01 unique, 0x04
// candidate, 0x08 FOR clause, 0x20 compact), 502-503 descending when 1, 506-507 FOR expression
// length, 510-511 key expression length, 512-1023 the key expression and then the FOR expression,
// each zero-terminated. The index at offset 0 is the tag list: its keys are the tag names and the
// record number of each key is the file offset of that tag's own header.
//
// Nodes are 512 bytes at offsets that are multiples of 512: 0-1 attributes (bit 1 leaf), 2-3 key
// count, 4-7 left and 8-11 right neighbour (0xFFFFFFFF none). An interior node holds from byte 12
// the key, then the record number and the child node offset, both big-endian. A leaf packs its
// keys: from byte 24 one entry of byte 23 bytes per key, holding the record number, the count of
// leading bytes shared with the previous key and the count of trailing blanks (bit widths in bytes
// 20-22); the rest of each key is stored from the end of the node backwards.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "export/internal/index_formats.h"

namespace shelvex::exporting::internal {

namespace {

constexpr std::uint64_t kHeaderSize = 1024;
constexpr std::uint64_t kNodeSize = 512;
constexpr std::size_t kPoolOffset = 512;
constexpr std::size_t kPoolSize = 512;
constexpr std::uint32_t kNoNode = 0xFFFFFFFF;
constexpr std::uint8_t kOptionUnique = 0x01;
// Visual FoxPro's candidate key: unique, the only kind of key a free table can declare.
constexpr std::uint8_t kOptionCandidate = 0x04;
constexpr std::uint8_t kOptionFor = 0x08;
constexpr std::uint8_t kOptionCompact = 0x20;
constexpr std::uint16_t kAttributeLeaf = 2;
constexpr std::size_t kInteriorKeysOffset = 12;
constexpr std::size_t kLeafInfoOffset = 24;
constexpr std::size_t kMaxKeyLength = 240;
constexpr int kMaxDepth = 32;

struct TagEntry {
  std::string name;
  std::uint64_t header_offset = 0;
};

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%02X", value);
  return text;
}

std::uint64_t Mask(unsigned bits) {
  return bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1;
}
std::uint64_t ShiftDown(std::uint64_t value, unsigned bits) {
  return bits >= 64 ? 0 : value >> bits;
}

// Walks the tag list: down its leftmost branch to the first leaf, then along the leaves to the
// right. Every node is visited at most once, so a file whose pointers form a loop ends with an
// error, not a hang.
class TagListReader {
 public:
  TagListReader(IndexFile& file, std::size_t key_length) : file_(file), key_length_(key_length) {}

  std::vector<TagEntry> Read(std::uint64_t root) {
    std::vector<TagEntry> entries;
    std::uint64_t offset = root;
    std::string node = ReadNode(offset);
    for (int depth = 0; (Le16(node, 0) & kAttributeLeaf) == 0; ++depth) {
      if (depth >= kMaxDepth)
        file_.Fail("the tag list is nested deeper than " + std::to_string(kMaxDepth));
      const std::size_t count = Le16(node, 2);
      if (count == 0 || kInteriorKeysOffset + count * (key_length_ + 8) > kNodeSize) {
        file_.Fail("the tag list node at offset " + std::to_string(offset) + " holds " +
                   std::to_string(count) + " keys, which do not fit");
      }
      offset = Be32(node, kInteriorKeysOffset + key_length_ + 4);
      node = ReadNode(offset);
    }
    for (;;) {
      ReadLeaf(node, offset, entries);
      const std::uint32_t right = Le32(node, 8);
      if (right == kNoNode) break;
      offset = right;
      node = ReadNode(offset);
      if ((Le16(node, 0) & kAttributeLeaf) == 0) {
        file_.Fail("the tag list node at offset " + std::to_string(offset) +
                   " follows a leaf but is none");
      }
    }
    return entries;
  }

 private:
  std::string ReadNode(std::uint64_t offset) {
    if (offset < kHeaderSize || offset % kNodeSize != 0) {
      file_.Fail("the tag list points to offset " + std::to_string(offset) +
                 ", where no node can be");
    }
    if (!visited_.insert(offset).second) {
      file_.Fail("the tag list loops back to the node at offset " + std::to_string(offset));
    }
    return file_.Read(offset, kNodeSize, "the tag list node");
  }

  void ReadLeaf(const std::string& node, std::uint64_t offset, std::vector<TagEntry>& entries) {
    const std::string where = "the tag list node at offset " + std::to_string(offset);
    const std::size_t count = Le16(node, 2);
    const unsigned record_bits = static_cast<unsigned char>(node[20]);
    const unsigned duplicate_bits = static_cast<unsigned char>(node[21]);
    const unsigned trail_bits = static_cast<unsigned char>(node[22]);
    const std::size_t entry_size = static_cast<unsigned char>(node[23]);
    if (entry_size == 0 || entry_size > 8 || record_bits > 32 ||
        record_bits + duplicate_bits + trail_bits > entry_size * 8) {
      file_.Fail(where + " packs its keys in a way that cannot be read");
    }
    const std::size_t info_end = kLeafInfoOffset + count * entry_size;
    if (info_end > kNodeSize)
      file_.Fail(where + " holds " + std::to_string(count) + " keys, which do not fit");

    std::size_t data_start = kNodeSize;
    std::string previous(key_length_, ' ');
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint64_t packed = LeN(node, kLeafInfoOffset + i * entry_size, entry_size);
      const std::uint64_t record = packed & Mask(record_bits);
      const std::uint64_t duplicates = ShiftDown(packed, record_bits) & Mask(duplicate_bits);
      const std::uint64_t trail =
          ShiftDown(packed, record_bits + duplicate_bits) & Mask(trail_bits);
      if (duplicates + trail > key_length_)
        file_.Fail(where + " holds a key longer than its key length");
      const std::size_t stored = key_length_ - static_cast<std::size_t>(duplicates + trail);
      if (stored > data_start - info_end)
        file_.Fail(where + " holds more key bytes than it has room for");
      data_start -= stored;
      std::string key = previous.substr(0, static_cast<std::size_t>(duplicates));
      key.append(node, data_start, stored);
      key.append(static_cast<std::size_t>(trail), ' ');
      previous = key;
      TagEntry entry{TextField(key), record};
      if (!IsTagName(entry.name)) file_.Fail(where + " holds no valid tag name");
      entries.push_back(std::move(entry));
    }
  }

  IndexFile& file_;
  std::size_t key_length_;
  std::set<std::uint64_t> visited_;
};

RawIndexTag ReadTag(IndexFile& file, const TagEntry& entry) {
  const std::string& name = entry.name;
  if (entry.header_offset < kHeaderSize)
    file.Fail("tag " + name + " has its header inside the file header");
  const std::string header =
      file.Read(entry.header_offset, kHeaderSize, "the header of tag " + name);
  const auto options = static_cast<unsigned char>(header[14]);
  if ((options & kOptionCompact) == 0)
    file.Fail("tag " + name + " is no compact index (options " + Hex(options) + ")");
  const std::size_t key_length = Le16(header, 12);
  if (key_length == 0 || key_length > kMaxKeyLength) {
    file.Fail("tag " + name + " has keys of " + std::to_string(key_length) + " bytes");
  }
  // The root node is where the keys begin; a file cut before its end has lost keys.
  const std::uint64_t root = Le32(header, 0);
  if (root < kHeaderSize) file.Fail("tag " + name + " has its root node inside the file header");
  file.CheckInside(root, kNodeSize, "the root node of tag " + name);

  RawIndexTag tag;
  tag.name = name;
  tag.unique = (options & (kOptionUnique | kOptionCandidate)) != 0;
  tag.descending = Le16(header, 502) != 0;
  const std::string_view pool = std::string_view(header).substr(kPoolOffset, kPoolSize);
  const std::size_t key_end = std::min(pool.find('\0'), pool.size());
  tag.expression = TextField(pool.substr(0, key_end));
  if (((options & kOptionFor) != 0 || Le16(header, 506) > 1) && key_end < pool.size()) {
    tag.filter = TextField(pool.substr(key_end + 1));
  }
  tag.filtered = (options & kOptionFor) != 0 || !tag.filter.empty();
  if (tag.expression.empty() || !IsExpressionText(tag.expression) ||
      !IsExpressionText(tag.filter)) {
    file.Fail("tag " + name + " has no readable key expression");
  }
  return tag;
}

}  // namespace

std::vector<RawIndexTag> ReadCdxTags(IndexFile& file) {
  if (file.size() == 0) file.Fail("the file is empty");
  if (file.size() < kHeaderSize) {
    file.Fail("the file is too short for an index header (" + std::to_string(file.size()) +
              " bytes)");
  }
  const std::string header = file.Read(0, kHeaderSize, "the file header");
  const auto options = static_cast<unsigned char>(header[14]);
  if ((options & kOptionCompact) == 0)
    file.Fail("the file is no compound index (options " + Hex(options) + ")");
  const std::size_t key_length = Le16(header, 12);
  if (key_length == 0 || key_length > kMaxKeyLength) {
    file.Fail("the tag list has keys of " + std::to_string(key_length) + " bytes");
  }

  std::vector<TagEntry> entries = TagListReader(file, key_length).Read(Le32(header, 0));
  // The tag list is sorted by name; the headers lie in the file in the order in which the tags were
  // made, which is the order FoxPro numbers them in.
  std::stable_sort(entries.begin(), entries.end(), [](const TagEntry& a, const TagEntry& b) {
    return a.header_offset < b.header_offset;
  });
  std::vector<RawIndexTag> tags;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i > 0 && entries[i].header_offset == entries[i - 1].header_offset) {
      file.Fail("tags " + entries[i - 1].name + " and " + entries[i].name + " share one header");
    }
    tags.push_back(ReadTag(file, entries[i]));
  }
  return tags;
}

}  // namespace shelvex::exporting::internal
