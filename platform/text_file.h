#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace shelvex::platform {

// 8-bit text files as the original system reads and writes them.

// Splits raw file bytes into lines of UTF-8 text. A UTF-8 or UTF-16 (LE or BE) byte-order mark is
// honoured; without one the bytes are read in the ANSI code page. Lines end at CR LF, LF or a lone
// CR; a last line without an end counts, an empty file has no lines.
std::vector<std::string> DecodeTextLines(std::string_view bytes);

// Reads `path` as DecodeTextLines does. Throws IoError when it cannot be read.
std::vector<std::string> ReadTextLines(const std::filesystem::path& path);

// Each line converted to the ANSI code page and followed by CR LF; no byte-order mark.
std::string EncodeAnsiLines(const std::vector<std::string>& lines);

// Writes EncodeAnsiLines(lines) through ReplaceFile (file_io.h).
void WriteAnsiLines(const std::filesystem::path& path, const std::vector<std::string>& lines);

}  // namespace shelvex::platform
