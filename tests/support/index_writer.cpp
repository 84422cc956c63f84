#include "tests/support/index_writer.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

#include "tests/support/temp_folder.h"

namespace shelvex::testing {

namespace {

constexpr std::size_t kMdxPage = 512;
constexpr std::size_t kMdxBlock = 1024;
constexpr std::size_t kMdxSlots = 48;
constexpr std::size_t kMdxMaxTags =
    47;  // the tag table ends where the first tag header starts, at page 4
constexpr std::size_t kCdxHeader = 1024;
constexpr std::size_t kCdxNode = 512;
constexpr std::size_t kCdxTagListKey = 10;
constexpr std::uint32_t kNone = 0xFFFFFFFF;

void PutText(std::string& bytes, std::size_t at, std::string_view text) {
  std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

void CheckName(const IndexTagToWrite& tag) {
  if (tag.name.empty() || tag.name.size() > 10)
    throw std::invalid_argument("tag name of 1 to 10 characters");
}

bool IsPlainFieldName(std::string_view expression) {
  return !expression.empty() && std::all_of(expression.begin(), expression.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
}

// dBase keeps the tag names in a binary tree as well: per tag the numbers (1-based) of its left and
// right children and of its parent, built in the order the tags were made.
struct TagThreads {
  std::vector<std::uint8_t> left, right, parent;
};

TagThreads BuildThreads(const std::vector<IndexTagToWrite>& tags) {
  TagThreads threads{std::vector<std::uint8_t>(tags.size()), std::vector<std::uint8_t>(tags.size()),
                     std::vector<std::uint8_t>(tags.size())};
  for (std::size_t i = 1; i < tags.size(); ++i) {
    std::size_t at = 0;
    for (;;) {
      std::vector<std::uint8_t>& side = tags[i].name < tags[at].name ? threads.left : threads.right;
      if (side[at] == 0) {
        side[at] = static_cast<std::uint8_t>(i + 1);
        threads.parent[i] = static_cast<std::uint8_t>(at + 1);
        break;
      }
      at = side[at] - 1u;
    }
  }
  return threads;
}

// The bit layout of a compact leaf: record number, then the count of bytes shared with the previous
// key, then the count of trailing blanks, packed into as few whole bytes as hold them.
struct LeafLayout {
  unsigned record_bits, count_bits, entry_size;
};

LeafLayout LayoutFor(std::uint64_t largest_record, std::size_t key_length) {
  const unsigned count_bits = static_cast<unsigned>(std::bit_width(key_length));
  const unsigned needed = std::max(8u, static_cast<unsigned>(std::bit_width(largest_record)));
  const unsigned entry_size = (needed + 2 * count_bits + 7) / 8;
  return LeafLayout{entry_size * 8 - 2 * count_bits, count_bits, entry_size};
}

std::string CompactLeaf(const std::vector<std::pair<std::string, std::uint32_t>>& keys,
                        std::size_t key_length, bool root, std::uint32_t left, std::uint32_t right,
                        const LeafLayout& layout) {
  std::string node(kCdxNode, '\0');
  PutLe16(node, 0, static_cast<std::uint16_t>(root ? 3 : 2));
  PutLe16(node, 2, static_cast<std::uint16_t>(keys.size()));
  PutLe32(node, 4, left);
  PutLe32(node, 8, right);
  const std::uint64_t count_mask = (1u << layout.count_bits) - 1;
  PutLe32(node, 14, static_cast<std::uint32_t>((std::uint64_t{1} << layout.record_bits) - 1));
  node[18] = static_cast<char>(count_mask);
  node[19] = static_cast<char>(count_mask);
  node[20] = static_cast<char>(layout.record_bits);
  node[21] = static_cast<char>(layout.count_bits);
  node[22] = static_cast<char>(layout.count_bits);
  node[23] = static_cast<char>(layout.entry_size);

  std::size_t data_start = kCdxNode;
  std::string previous;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    std::string key = keys[i].first;
    key.resize(key_length, ' ');
    const std::size_t trail = key_length - (key.find_last_not_of(' ') + 1);
    std::size_t shared = 0;
    while (i > 0 && shared < key_length && key[shared] == previous[shared]) ++shared;
    shared = std::min(shared, key_length - trail);
    const std::size_t stored = key_length - shared - trail;
    data_start -= stored;
    if (data_start < 24 + (i + 1) * layout.entry_size)
      throw std::invalid_argument("too many keys for a leaf");
    PutText(node, data_start, std::string_view(key).substr(shared, stored));
    const std::uint64_t packed = keys[i].second | (std::uint64_t{shared} << layout.record_bits) |
                                 (std::uint64_t{trail} << (layout.record_bits + layout.count_bits));
    for (unsigned b = 0; b < layout.entry_size; ++b) {
      node[24 + i * layout.entry_size + b] = static_cast<char>((packed >> (8 * b)) & 0xFF);
    }
    previous = key;
  }
  PutLe16(node, 12, static_cast<std::uint16_t>(data_start - 24 - keys.size() * layout.entry_size));
  return node;
}

std::string CompactHeader(std::uint32_t root, std::size_t key_length, std::uint8_t options,
                          bool descending, std::string_view expression, std::string_view filter) {
  std::string header(kCdxHeader, '\0');
  PutLe32(header, 0, root);
  PutLe32(header, 4, kNone);
  PutLe16(header, 12, static_cast<std::uint16_t>(key_length));
  header[14] = static_cast<char>(options);
  header[15] = 1;
  PutLe16(header, 502, descending ? 1 : 0);
  const std::size_t key_pool = expression.empty() ? 0 : expression.size() + 1;
  const std::size_t for_pool = filter.empty() ? 0 : filter.size() + 1;
  if (key_pool + for_pool > 512) throw std::invalid_argument("expressions longer than the pool");
  PutLe16(header, 504, static_cast<std::uint16_t>(key_pool + for_pool));
  PutLe16(header, 506, static_cast<std::uint16_t>(for_pool));
  PutLe16(header, 510, static_cast<std::uint16_t>(key_pool));
  PutText(header, 512, expression);
  PutText(header, 512 + key_pool, filter);
  return header;
}

}  // namespace

void PutLe16(std::string& bytes, std::size_t at, std::uint16_t value) {
  bytes.at(at) = static_cast<char>(value & 0xFF);
  bytes.at(at + 1) = static_cast<char>(value >> 8);
}

void PutLe32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutBe32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
}

IndexImage BuildMdx(const std::vector<IndexTagToWrite>& tags, std::string_view table_name) {
  if (tags.size() > kMdxMaxTags) throw std::invalid_argument("an .mdx holds at most 47 tags");
  const std::size_t pages = 4 + 4 * tags.size();
  IndexImage image;
  image.bytes.assign(pages * kMdxPage, '\0');
  std::string& file = image.bytes;
  file[0] = 2;
  file[1] = 124;  // 2024-03-15, years counted from 1900
  file[2] = 3;
  file[3] = 15;
  PutText(file, 4, table_name.substr(0, 16));
  PutLe16(file, 20, kMdxBlock / kMdxPage);
  PutLe16(file, 22, kMdxBlock);
  file[24] = 1;
  file[25] = static_cast<char>(kMdxSlots);
  file[26] = static_cast<char>(kMdxTagEntryLength);
  PutLe16(file, 28, static_cast<std::uint16_t>(tags.size()));
  PutLe32(file, 32, static_cast<std::uint32_t>(pages));
  PutLe32(file, 36, static_cast<std::uint32_t>(pages));
  file[44] = 124;
  file[45] = 3;
  file[46] = 15;

  const TagThreads threads = BuildThreads(tags);
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const IndexTagToWrite& tag = tags[i];
    CheckName(tag);
    if (tag.expression.size() > 219)
      throw std::invalid_argument("key expression over 219 characters");
    const std::uint32_t header_page = static_cast<std::uint32_t>(4 + 4 * i);
    const std::uint8_t field_key = IsPlainFieldName(tag.expression) ? 0x10 : 0x00;

    const std::size_t entry = kMdxTagTableOffset + i * kMdxTagEntryLength;
    PutLe32(file, entry, header_page);
    PutText(file, entry + 4, tag.name);
    file[entry + 15] = static_cast<char>(field_key);
    file[entry + 16] = static_cast<char>(threads.left[i]);
    file[entry + 17] = static_cast<char>(threads.right[i]);
    file[entry + 18] = static_cast<char>(threads.parent[i]);
    file[entry + 20] = tag.key_type;

    const std::size_t header = header_page * kMdxPage;
    image.tag_headers.push_back(header);
    const std::size_t item_length = (static_cast<std::size_t>(tag.key_length) + 4 + 3) / 4 * 4;
    PutLe32(file, header, header_page + 2);
    PutLe32(file, header + 4, static_cast<std::uint32_t>(pages));
    file[header + 8] =
        static_cast<char>(field_key | (tag.descending ? 0x08 : 0) | (tag.unique ? 0x40 : 0));
    file[header + 9] = tag.key_type;
    PutLe16(file, header + 12, static_cast<std::uint16_t>(tag.key_length));
    PutLe16(file, header + 14, static_cast<std::uint16_t>((kMdxBlock - 8) / item_length));
    PutLe16(file, header + 18, static_cast<std::uint16_t>(item_length));
    file[header + 23] = static_cast<char>(tag.unique ? 0x40 : 0);
    PutText(file, header + 24, tag.expression);
    // The root block stays empty: no keys, no child block.
  }
  return image;
}

IndexImage BuildCdx(const std::vector<IndexTagToWrite>& tags, int tags_per_leaf) {
  std::vector<std::size_t> by_name(tags.size());
  for (std::size_t i = 0; i < tags.size(); ++i) {
    CheckName(tags[i]);
    by_name[i] = i;
  }
  std::sort(by_name.begin(), by_name.end(),
            [&](std::size_t a, std::size_t b) { return tags[a].name < tags[b].name; });
  const std::size_t per_leaf = tags_per_leaf > 0 ? static_cast<std::size_t>(tags_per_leaf)
                                                 : std::max<std::size_t>(tags.size(), 1);
  const std::size_t leaves = std::max<std::size_t>(1, (tags.size() + per_leaf - 1) / per_leaf);
  const std::size_t list_nodes = leaves + (leaves > 1 ? 1 : 0);
  const std::size_t first_tag = kCdxTagListNodes + list_nodes * kCdxNode;
  const std::size_t tag_size = kCdxHeader + kCdxNode;

  IndexImage image;
  image.bytes.assign(first_tag + tags.size() * tag_size, '\0');
  for (std::size_t i = 0; i < tags.size(); ++i)
    image.tag_headers.push_back(first_tag + i * tag_size);
  for (std::size_t j = 0; j < list_nodes; ++j)
    image.tag_list_nodes.push_back(kCdxTagListNodes + j * kCdxNode);

  const auto root = static_cast<std::uint32_t>(image.tag_list_nodes.back());
  PutText(image.bytes, 0, CompactHeader(root, kCdxTagListKey, 0xE0, false, {}, {}));

  const LeafLayout list_layout = LayoutFor(image.bytes.size(), kCdxTagListKey);
  std::string interior(kCdxNode, '\0');
  PutLe16(interior, 0, 1);
  PutLe16(interior, 2, static_cast<std::uint16_t>(leaves));
  PutLe32(interior, 4, kNone);
  PutLe32(interior, 8, kNone);
  for (std::size_t j = 0; j < leaves; ++j) {
    std::vector<std::pair<std::string, std::uint32_t>> keys;
    for (std::size_t k = j * per_leaf; k < std::min(tags.size(), (j + 1) * per_leaf); ++k) {
      keys.emplace_back(tags[by_name[k]].name,
                        static_cast<std::uint32_t>(image.tag_headers[by_name[k]]));
    }
    const auto left = j > 0 ? static_cast<std::uint32_t>(image.tag_list_nodes[j - 1]) : kNone;
    const auto right =
        j + 1 < leaves ? static_cast<std::uint32_t>(image.tag_list_nodes[j + 1]) : kNone;
    PutText(image.bytes, image.tag_list_nodes[j],
            CompactLeaf(keys, kCdxTagListKey, leaves == 1, left, right, list_layout));
    if (leaves > 1) {
      // An interior entry holds the highest key below it, its record number and the child, both
      // big-endian.
      std::string key = keys.back().first;
      key.resize(kCdxTagListKey, ' ');
      const std::size_t at = 12 + j * (kCdxTagListKey + 8);
      PutText(interior, at, key);
      PutBe32(interior, at + kCdxTagListKey, keys.back().second);
      PutBe32(interior, at + kCdxTagListKey + 4,
              static_cast<std::uint32_t>(image.tag_list_nodes[j]));
    }
  }
  if (leaves > 1) PutText(image.bytes, image.tag_list_nodes.back(), interior);

  for (std::size_t i = 0; i < tags.size(); ++i) {
    const IndexTagToWrite& tag = tags[i];
    const std::size_t header = image.tag_headers[i];
    const auto options =
        static_cast<std::uint8_t>(0x60 | (tag.unique ? 0x01 : 0) | (tag.candidate ? 0x04 : 0) |
                                  (tag.filter.empty() ? 0 : 0x08));
    const auto key_length = static_cast<std::size_t>(tag.key_length);
    const auto tag_root = static_cast<std::uint32_t>(header + kCdxHeader);
    PutText(
        image.bytes, header,
        CompactHeader(tag_root, key_length, options, tag.descending, tag.expression, tag.filter));
    PutText(image.bytes, tag_root,
            CompactLeaf({}, key_length, true, kNone, kNone, LayoutFor(0xFFFF, key_length)));
  }
  return image;
}

void WriteIndexImage(const std::filesystem::path& path, const IndexImage& image) {
  WriteAll(path, image.bytes);
}

}  // namespace shelvex::testing
