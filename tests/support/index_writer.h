#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace shelvex::testing {

// Writers of small production index files, laid out as dBase (.mdx) and FoxPro (.cdx) lay them out:
// headers, tag tables and tag lists as the published descriptions of both formats give them, and
// one empty root block per tag, so that a reader finds every structure where it expects it. No keys
// are written.

struct IndexTagToWrite {
  std::string name;        // at most 10 characters
  std::string expression;  // the key expression text
  bool unique = false;
  bool descending = false;
  std::string filter;      // FOR condition (.cdx only; the .mdx writer leaves it out)
  bool candidate = false;  // .cdx: a candidate key (option 0x04) instead of a unique one (0x01)
  char key_type = 'C';     // .mdx: the key's type letter
  int key_length = 10;     // bytes of one key
};

// An index file's bytes and where its parts lie, for tests that damage them on purpose.
struct IndexImage {
  std::string bytes;
  std::vector<std::uint64_t> tag_headers;     // offset of each tag's header, in the order given
  std::vector<std::uint64_t> tag_list_nodes;  // .cdx: the tag list's leaves left to right, then its
                                              // root if that is an interior node
};

// .mdx: the file header (block size 1024), the tag table from byte 544 (32 bytes an entry, in the
// order given), then for tag i its header at page 4 + 4i and its root block two pages further on.
inline constexpr std::size_t kMdxTagTableOffset = 544;
inline constexpr std::size_t kMdxTagEntryLength = 32;
IndexImage BuildMdx(const std::vector<IndexTagToWrite>& tags,
                    std::string_view table_name = "TABLE");

// .cdx: the tag list's header (1024 bytes), its nodes from byte 1024, then for each tag in the
// order given its header (1024 bytes) and an empty root leaf. The tag list holds the names sorted,
// `tags_per_leaf` to a leaf (0: all in one root leaf); with more than one leaf an interior root
// node over them follows the leaves.
inline constexpr std::size_t kCdxTagListNodes = 1024;
IndexImage BuildCdx(const std::vector<IndexTagToWrite>& tags, int tags_per_leaf = 0);

void WriteIndexImage(const std::filesystem::path& path, const IndexImage& image);

void PutLe16(std::string& bytes, std::size_t at, std::uint16_t value);
void PutLe32(std::string& bytes, std::size_t at, std::uint32_t value);
void PutBe32(std::string& bytes, std::size_t at, std::uint32_t value);

}  // namespace shelvex::testing
