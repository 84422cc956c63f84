#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace shelvex::engine {

// The password files of the manager ("shelvexexe.p", "lantern.p"): one line of text scrambled with
// a fixed key so that the password cannot be read by opening the file in an editor. Texts are 8-bit
// strings (bytes in the ANSI code page); the caller converts typed text before and after.

// XORs the bytes with the cycling 9-byte key, starting at the key's first byte; applying it twice
// restores the text.
void ScrambleText(std::string& text);

// Replaces the file at `path` with the scrambled text and CR LF. A new file is readable by its
// owner only. Throws IoError when it cannot be written.
void WriteScrambledLine(const std::filesystem::path& path, std::string_view text);

// The text of the first line of the file, unscrambled; the empty text when that line cannot be
// read. Throws IoError when the file cannot be opened.
std::string ReadScrambledLine(const std::filesystem::path& path);

// True when ReadScrambledLine gives `ansi_text` back after WriteScrambledLine: its scrambled form
// holds no LF, CR or byte 26, which the line format cannot carry. The manager refuses passwords for
// which this is false.
bool CanStoreScrambled(std::string_view ansi_text);

}  // namespace shelvex::engine
