#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/hosting-server/account.h"

namespace shelvex::host {

// The accounts kept under one root folder, one folder per account:
//
//   ROOT/accounts/<name>/account.ini       the account (FormatAccount)
//   ROOT/accounts/<name>/files/            the files of the uploads, as the archives held them
//   ROOT/accounts/<name>/reservations.txt  reservations waiting for the library, one per line
//   ROOT/accounts/<name>/delivered.txt     reservations already handed to the library, oldest first
//
// <name> is FolderNameFor(user). Every file is replaced through a temporary file and a rename. The
// store keeps no state in memory, so administration commands may change it while a server runs;
// both hold a StoreLock around each change. All failures throw Error or IoError naming the file.
class AccountStore final {
 public:
  explicit AccountStore(std::filesystem::path root);

  const std::filesystem::path& root() const { return root_; }

  // Throws Error "--user: ..." unless `user` can name an account: printable ASCII, not empty,
  // without "~" or ";" (the status reply is split at them).
  static void CheckUserName(std::string_view user);

  std::optional<Account> Find(std::string_view user) const;
  // Writes the account, creating its folders when it is new.
  void Save(const Account& account) const;

  std::filesystem::path FilesFolder(std::string_view user) const;
  // The names of the account's files, sorted.
  std::vector<std::string> ListFiles(std::string_view user) const;

  // A new empty folder inside the account's folder for extracting an upload before it is accepted.
  std::filesystem::path MakeStagingFolder(std::string_view user) const;
  // A full upload: the staged files become the account's files; the previous ones are removed.
  void ReplaceFiles(std::string_view user, const std::filesystem::path& staging) const;
  // An options-only upload: staged settings files replace those of the same name; nothing else is
  // touched. Gives the names taken.
  std::vector<std::string> MergeSettingsFiles(std::string_view user,
                                              const std::filesystem::path& staging) const;

  std::vector<std::string> WaitingReservations(std::string_view user) const;
  void AddReservations(std::string_view user, const std::vector<std::string>& lines) const;
  // Appends the waiting reservations to the delivered ones and empties the waiting list.
  void MarkReservationsDelivered(std::string_view user) const;

 private:
  std::filesystem::path FolderOf(std::string_view user) const;

  std::filesystem::path root_;
};

// An exclusive advisory lock (flock) on ROOT/.lock for one request or one command. It serialises
// the server's threads with each other and with administration commands run while the server is up.
class StoreLock final {
 public:
  explicit StoreLock(const AccountStore& store);
  ~StoreLock();
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;

 private:
  int fd_ = -1;
};

// Removes a folder and everything in it when it goes out of scope (if it is still there), so that
// the staging folder of a refused upload leaves nothing behind.
class FolderRemover final {
 public:
  explicit FolderRemover(std::filesystem::path folder) : folder_(std::move(folder)) {}
  ~FolderRemover();
  FolderRemover(const FolderRemover&) = delete;
  FolderRemover& operator=(const FolderRemover&) = delete;

 private:
  std::filesystem::path folder_;
};

}  // namespace shelvex::host
