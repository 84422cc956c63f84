#include "tools/hosting-server/account_store.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/error.h"
#include "tools/hosting-server/internal/atomic_file.h"
#include "tools/hosting-server/internal/text_escape.h"

namespace shelvex::host {

namespace fs = std::filesystem;

namespace {

constexpr char kAccountFile[] = "account.ini";
constexpr char kFilesFolder[] = "files";
constexpr char kWaitingFile[] = "reservations.txt";
constexpr char kDeliveredFile[] = "delivered.txt";

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text.append(line).append("\n");
  return text;
}

void CreateFolders(const fs::path& folder) {
  std::error_code error;
  fs::create_directories(folder, error);
  if (error) throw IoError(folder.string() + ": cannot create the folder: " + error.message());
}

void Rename(const fs::path& from, const fs::path& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    throw IoError(to.string() + ": cannot move " + from.filename().string() +
                  " here: " + std::strerror(errno));
  }
}

}  // namespace

AccountStore::AccountStore(fs::path root) : root_(std::move(root)) {}

void AccountStore::CheckUserName(std::string_view user) {
  if (user.empty()) throw Error("--user: the user name is empty");
  for (char ch : user) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c > 0x7E) {
      throw Error("--user: \"" + internal::Printable(user) +
                  "\" holds a byte outside printable ASCII");
    }
    if (c == '~' || c == ';') {
      throw Error("--user: \"" + std::string(user) + "\" holds \"" + std::string(1, ch) +
                  "\", which would split the status reply");
    }
  }
}

fs::path AccountStore::FolderOf(std::string_view user) const {
  return root_ / "accounts" / internal::FolderNameFor(user);
}

fs::path AccountStore::FilesFolder(std::string_view user) const {
  return FolderOf(user) / kFilesFolder;
}

std::optional<Account> AccountStore::Find(std::string_view user) const {
  if (user.empty()) return std::nullopt;
  fs::path path = FolderOf(user) / kAccountFile;
  bool exists = false;
  std::string text = internal::ReadFileIfPresent(path, &exists);
  if (!exists) return std::nullopt;
  Account account = ParseAccount(text, path);
  // Folder names are unique per user name, so this only fails for a hand-edited file.
  if (account.user != user)
    throw Error(path.string() + ": holds the account \"" + account.user + "\"");
  return account;
}

void AccountStore::Save(const Account& account) const {
  fs::path folder = FolderOf(account.user);
  CreateFolders(folder / kFilesFolder);
  internal::ReplaceFileAtomically(folder / kAccountFile, FormatAccount(account));
}

std::vector<std::string> AccountStore::ListFiles(std::string_view user) const {
  std::vector<std::string> names;
  std::error_code error;
  fs::path folder = FilesFolder(user);
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file(error)) names.push_back(it->path().filename().string());
  }
  if (error && error != std::errc::no_such_file_or_directory) {
    throw IoError(folder.string() + ": cannot list the files: " + error.message());
  }
  std::sort(names.begin(), names.end());
  return names;
}

fs::path AccountStore::MakeStagingFolder(std::string_view user) const {
  fs::path folder = FolderOf(user);
  CreateFolders(folder);
  std::string name = (folder / "incoming-XXXXXX").string();
  if (::mkdtemp(name.data()) == nullptr) {
    throw IoError(folder.string() + ": cannot create a staging folder: " + std::strerror(errno));
  }
  // mkdtemp makes it private; it becomes the account's files folder, which is as readable as the
  // rest.
  ::chmod(name.c_str(), 0755);
  return name;
}

void AccountStore::ReplaceFiles(std::string_view user, const fs::path& staging) const {
  fs::path files = FilesFolder(user);
  fs::path retired = FolderOf(user) / "files.old";
  std::error_code error;
  fs::remove_all(retired, error);
  bool had_files = fs::exists(files, error);
  if (had_files) Rename(files, retired);
  try {
    Rename(staging, files);
  } catch (const IoError&) {
    // Put the previous upload back so that a failed replacement loses nothing.
    if (had_files) ::rename(retired.c_str(), files.c_str());
    throw;
  }
  fs::remove_all(retired, error);
}

std::vector<std::string> AccountStore::MergeSettingsFiles(std::string_view user,
                                                          const fs::path& staging) const {
  fs::path files = FilesFolder(user);
  CreateFolders(files);
  std::vector<std::string> taken;
  std::error_code error;
  for (fs::directory_iterator it(staging, error), end; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    if (!IsSettingsFile(name)) continue;
    Rename(it->path(), files / name);
    taken.push_back(name);
  }
  if (error) throw IoError(staging.string() + ": cannot list the staged files: " + error.message());
  std::sort(taken.begin(), taken.end());
  return taken;
}

std::vector<std::string> AccountStore::WaitingReservations(std::string_view user) const {
  return SplitLines(internal::ReadFileIfPresent(FolderOf(user) / kWaitingFile));
}

void AccountStore::AddReservations(std::string_view user,
                                   const std::vector<std::string>& lines) const {
  std::vector<std::string> waiting = WaitingReservations(user);
  waiting.insert(waiting.end(), lines.begin(), lines.end());
  internal::ReplaceFileAtomically(FolderOf(user) / kWaitingFile, JoinLines(waiting));
}

void AccountStore::MarkReservationsDelivered(std::string_view user) const {
  fs::path folder = FolderOf(user);
  std::string waiting = internal::ReadFileIfPresent(folder / kWaitingFile);
  if (waiting.empty()) return;
  // The delivered list first: a failure in between leaves a reservation in both lists, never in
  // neither.
  std::string delivered = internal::ReadFileIfPresent(folder / kDeliveredFile);
  internal::ReplaceFileAtomically(folder / kDeliveredFile, delivered + waiting);
  internal::ReplaceFileAtomically(folder / kWaitingFile, "");
}

StoreLock::StoreLock(const AccountStore& store) {
  CreateFolders(store.root());
  fs::path path = store.root() / ".lock";
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0)
    throw IoError(path.string() + ": cannot open the lock file: " + std::strerror(errno));
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    int saved = errno;
    ::close(fd_);
    throw IoError(path.string() + ": cannot lock: " + std::strerror(saved));
  }
}

StoreLock::~StoreLock() { ::close(fd_); }

FolderRemover::~FolderRemover() {
  std::error_code error;
  fs::remove_all(folder_, error);
}

}  // namespace shelvex::host
