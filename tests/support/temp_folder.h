#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace shelvex::testing {

// A fresh, empty folder for one test, removed with everything in it when the object goes. Lives
// under $SHELVEX_TEST_TMP when set (the build folder under CTest), else under the system's
// temporary folder.
class TempFolder final {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder with a trailing "/", the form the engine keeps its folders in.
  std::string Dir() const { return path_.string() + "/"; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// A file of the real-world tables that other programs wrote (shared/fixtures/realworld).
std::filesystem::path RealWorldFixture(std::string_view name);

// Copies the real-world fixture `name` into `folder` (under `as` when given) and returns the copy's
// path.
std::filesystem::path CopyRealWorldFixture(std::string_view name,
                                           const std::filesystem::path& folder,
                                           std::string_view as = {});

// Whole-file helpers for assertions.
std::string ReadAll(const std::filesystem::path& path);
void WriteAll(const std::filesystem::path& path, std::string_view bytes);

// The lines of 8-bit text whose lines end in CR LF (a log, a list file); a last line without CR LF
// is left out.
std::vector<std::string> CrLfLines(std::string_view text);

}  // namespace shelvex::testing
