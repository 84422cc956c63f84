#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/host_process.h"
#include "tests/support/temp_folder.h"

namespace shelvex::testing {

// What a request through the curl command gave.
struct HttpReply {
  int status = 0;  // HTTP status; 0 when no reply came
  std::string body;
  int curl_exit = 0;  // 28: timed out
};

using FileList = std::vector<std::pair<std::string, std::string>>;  // name, content

// A temporary folder with a store under root(), and helpers to make archives and talk to a server.
class HostFixture : public ::testing::Test {
 protected:
  std::filesystem::path root() const { return temp_ / "root"; }
  std::string Root() const { return root().string(); }
  std::filesystem::path FilesOf(const std::string& folder_name) const {
    return root() / "accounts" / folder_name / "files";
  }

  // Runs a shelvexhost command that must succeed.
  void Host(std::vector<std::string> args) {
    ProgramResult result = RunHost(args);
    ASSERT_EQ(result.exit_code, 0) << result.errors;
  }

  // Writes `files` into a fresh folder and packs them with Info-ZIP's zip, encrypted with -P when
  // `password` is not empty. The arguments reach zip as bytes, so an 8-bit password stays 8-bit.
  std::filesystem::path MakeZip(const FileList& files, const std::string& password = {}) {
    std::filesystem::path folder = Scratch();
    std::filesystem::create_directories(folder);
    std::vector<std::string> argv{"zip", "-q", "-j"};
    if (!password.empty()) argv.insert(argv.end(), {"-P", password});
    std::filesystem::path archive = folder / "xml.zip";
    argv.push_back(archive.string());
    for (const auto& [name, content] : files) {
      WriteAll(folder / name, content);
      argv.push_back((folder / name).string());
    }
    ProgramResult result = RunProgram(argv);
    EXPECT_EQ(result.exit_code, 0) << result.errors;
    return archive;
  }

  // Runs a Python script with arguments; for archives Info-ZIP cannot make (hostile names).
  ProgramResult Python(const std::string& script, std::vector<std::string> args = {}) {
    std::vector<std::string> argv{"python3", "-c", script};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv);
  }

  // A request with curl's own options ("-H", "--data-binary", "--max-time", ...); a GET unless they
  // say otherwise.
  HttpReply Send(const HostProcess& host, const std::string& path_and_query,
                 std::vector<std::string> curl_options = {}) {
    curl_options.push_back(host.Url(path_and_query));
    return Curl(curl_options);
  }
  HttpReply Get(const HostProcess& host, const std::string& path_and_query) {
    return Send(host, path_and_query);
  }

  // Posts `archive` as the multipart part "myfile", the way the manager uploads it.
  HttpReply Post(const HostProcess& host, const std::string& path_and_query,
                 const std::filesystem::path& archive) {
    return Curl({"-F", "myfile=@" + archive.string() + ";type=application/x-zip-compressed",
                 host.Url(path_and_query)});
  }

  std::filesystem::path Scratch() { return temp_ / ("scratch" + std::to_string(++scratch_count_)); }

  TempFolder temp_;

 private:
  HttpReply Curl(const std::vector<std::string>& options) {
    std::filesystem::path body = Scratch();
    std::vector<std::string> argv{"curl", "-sS",         "--noproxy", "*",
                                  "-o",   body.string(), "-w",        "%{http_code}"};
    argv.insert(argv.end(), options.begin(), options.end());
    ProgramResult result = RunProgram(argv);
    HttpReply reply;
    reply.curl_exit = result.exit_code;
    reply.status = std::atoi(result.output.c_str());
    if (std::filesystem::exists(body)) reply.body = ReadAll(body);
    return reply;
  }

  int scratch_count_ = 0;
};

}  // namespace shelvex::testing
