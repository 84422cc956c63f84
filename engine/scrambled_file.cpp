#include "engine/scrambled_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/error.h"
#include "platform/file_io.h"

namespace shelvex::engine {

namespace {

constexpr unsigned char kKey[] = {0x1E, 0x02, 0x17, 0x0B, 0x6D, 0x57, 0x3F, 0x66, 0x1A};
constexpr char kEndOfFile = 26;

// The first line as the original's text-file reader takes it: LF or CR LF ends it, byte 26 marks
// the end of the file, and a CR that no LF follows is dropped.
std::string FirstLine(std::string_view bytes) {
  std::string line;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char byte = bytes[i];
    if (byte == '\n' || byte == kEndOfFile) break;
    if (byte == '\r') {
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') break;
      continue;
    }
    line += byte;
  }
  return line;
}

}  // namespace

void ScrambleText(std::string& text) {
  std::size_t key_at = 0;
  for (char& byte : text) {
    byte = static_cast<char>(static_cast<unsigned char>(byte) ^ kKey[key_at]);
    key_at = (key_at + 1) % sizeof kKey;
  }
}

void WriteScrambledLine(const std::filesystem::path& path, std::string_view text) {
  std::string line(text);
  ScrambleText(line);
  line += "\r\n";
  platform::ReplaceFile(path, line,
                        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}

std::string ReadScrambledLine(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw IoError(path.string() + ": cannot open (" + std::strerror(errno) + ")");
  std::string bytes;
  char buffer[4096];
  bool failed = false;
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) failed = true;
    if (got <= 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
    // The line is all that is read; a password file is a few bytes, anything past the first line is
    // not needed.
    if (bytes.find_first_of(std::string_view("\n\x1A", 2)) != std::string::npos) break;
  }
  ::close(fd);
  if (failed) return {};
  std::string line = FirstLine(bytes);
  ScrambleText(line);
  return line;
}

bool CanStoreScrambled(std::string_view ansi_text) {
  std::string scrambled(ansi_text);
  ScrambleText(scrambled);
  return scrambled.find_first_of(std::string_view("\r\n\x1A", 3)) == std::string::npos;
}

}  // namespace shelvex::engine
