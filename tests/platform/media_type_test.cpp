#include "platform/media_type.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace shelvex::platform {
namespace {

using shelvex::testing::TempFolder;
using shelvex::testing::WriteAll;

TEST(MediaType, LooksUpTheSystemTableThenTheBuiltInOne) {
  TempFolder folder;
  const auto table = folder / "mime.types";
  WriteAll(table,
           "# comment zip\n"
           "application/epub+zip\t\tepub\n"
           "application/zip\t\t\t\tzip  ZIPX # trailing\n"
           "text/plain txt\n");
  EXPECT_EQ(MediaTypeForExtension("zip", table), "application/zip");
  EXPECT_EQ(MediaTypeForExtension(".ZIP", table), "application/zip");
  EXPECT_EQ(MediaTypeForExtension("zipx", table), "application/zip");
  EXPECT_EQ(MediaTypeForExtension("xml", table), "text/xml");
  EXPECT_EQ(MediaTypeForExtension("trailing", table), "application/octet-stream");
  EXPECT_EQ(MediaTypeForExtension("zip", folder / "missing.types"), "application/x-zip-compressed");
  EXPECT_EQ(MediaTypeForExtension(".Zip", folder / "missing.types"),
            "application/x-zip-compressed");
  EXPECT_EQ(MediaTypeForExtension("qqq", folder / "missing.types"), "application/octet-stream");
  EXPECT_EQ(MediaTypeForExtension("", table), "application/octet-stream");
}

}  // namespace
}  // namespace shelvex::platform
