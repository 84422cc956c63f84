#include "tests/support/temp_folder.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <system_error>

namespace shelvex::testing {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  const char* root_env = std::getenv("SHELVEX_TEST_TMP");
  fs::path root =
      root_env != nullptr && *root_env != '\0' ? fs::path(root_env) : fs::temp_directory_path();
  fs::create_directories(root);
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = root / ("shelvex-" + std::to_string(random() % 1000000000000ULL));
    std::error_code error;
    if (fs::create_directory(candidate, error)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder under " + root.string());
}

TempFolder::~TempFolder() {
  std::error_code error;
  // Tests may leave read-only folders behind; give the owner write access back so that removal
  // succeeds.
  for (auto it = fs::recursive_directory_iterator(path_, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_directory(error)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, error);
  fs::remove_all(path_, error);
}

fs::path RealWorldFixture(std::string_view name) {
  return fs::path(SHELVEX_FIXTURES_DIR) / "realworld" / name;
}

fs::path CopyRealWorldFixture(std::string_view name, const fs::path& folder, std::string_view as) {
  fs::path target = folder / (as.empty() ? name : as);
  fs::copy_file(RealWorldFixture(name), target, fs::copy_options::overwrite_existing);
  // The fixtures are read-only where they live; the copies must be writable like any user's file.
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
  return target;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::string> CrLfLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string_view::npos;
       start = end + 2) {
    lines.emplace_back(text.substr(start, end - start));
  }
  return lines;
}

}  // namespace shelvex::testing
