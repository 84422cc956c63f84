#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

namespace shelvex::host {

// One library's account on the hosting server. Texts are 8-bit bytes as the manager sends and reads
// them.
struct Account {
  std::string user;
  std::string password;  // the data upload password; empty: the account takes unencrypted archives
  bool online = true;    // the library's public site is on line
  std::int64_t hits = 0;
  std::string hits_month;                // "YYYY-MM" (local time) that `hits` counts
  std::int64_t last_upload = 0;          // Unix time of the last full upload; 0: never
  std::int64_t last_options_upload = 0;  // Unix time of the last options-only upload; 0: never
  std::string message;                   // shown by the manager's status dialog; CR LF line ends
};

// The account file: one "key=value" line per field, values escaped so that any byte fits on the
// line. Unknown keys are ignored. ParseAccount throws Error "`path`: line N: ..." on a malformed
// file.
std::string FormatAccount(const Account& account);
Account ParseAccount(std::string_view text, const std::filesystem::path& path);

// Counts one request: hits start again from 0 when the month of `now` differs from the one counted
// so far.
void CountHit(Account& account, std::time_t now);

// A time as the manager's locale shows it, "3/14/2024 2:05:09 PM" (local time), or "Never" for 0.
std::string FormatUploadTime(std::int64_t unix_time);

// True for the files an options-only upload replaces: *.ini, *.txt and *.lab, whatever the case.
bool IsSettingsFile(std::string_view name);
// True for the XML data packets: *.xml, whatever the case.
bool IsDataFile(std::string_view name);

// The reply to the status command:
// "USER~Yes;HITS;DATA_FILES;SETTINGS_FILES;LAST_UPLOAD;LAST_OPTIONS;MESSAGE". Field 0 is "Yes" or
// "No"; field 1 the hits of this month; fields 2 and 3 how many XML data files and settings files
// the account holds; fields 4 and 5 the times of the last full and options-only uploads; field 6
// the account's message (empty when it has none).
std::string FormatStatusReply(const Account& account, int data_files, int settings_files);

}  // namespace shelvex::host
