#pragma once

#include <string>
#include <vector>

#include "export/internal/index_file.h"

namespace shelvex::exporting::internal {

// One tag as its index file stores it, before the key is classified against the table's columns.
struct RawIndexTag {
  std::string name;
  std::string expression;
  std::string filter;     // FOR condition text, when the file keeps it
  bool filtered = false;  // the tag has a FOR condition, whether or not its text is known
  bool unique = false;
  bool descending = false;
  char key_type = 0;  // 'C', 'N', 'D' ... where the file records it, else 0
};

// The tags of a dBase IV/5/7 multiple index file, in the order of its tag table. Throws Error on
// damage.
std::vector<RawIndexTag> ReadMdxTags(IndexFile& file);

// The tags of a FoxPro compound index file, in the order in which they were created (the order of
// their headers in the file). Throws Error on damage.
std::vector<RawIndexTag> ReadCdxTags(IndexFile& file);

}  // namespace shelvex::exporting::internal
