#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace shelvex::exporting {

// What a dBase table's language driver tells the reader: the character set of the table's text and
// the Windows locale identifier that the export reports as "LCID".
struct LanguageDriver {
  std::uint8_t id = 0;          // the header byte (29); 0 for a driver found by its level 7 name
  std::uint16_t code_page = 0;  // DOS, Windows or Mac code page number, e.g. 850
  std::string_view icu_name;    // ICU converter; empty: the system's ANSI code page (driver 0x57)
  bool built_in = false;        // a DOS page that ICU lacks (895, 620): converted by our own table
  std::uint32_t lcid = 0;       // Windows locale identifier, e.g. 1033
  std::string_view description;
};

// The driver of header byte `id`, or nullopt for 0 and for ids we do not know: such a table's text
// is read in the OEM code page and it reports no locale.
std::optional<LanguageDriver> FindLanguageDriver(std::uint8_t id);

// The driver that a level 7 header names ("DBWINUS0", "DB850DE0", ...): code page from the name's
// middle, locale from its country letters. nullopt when the name is empty or not of that form.
std::optional<LanguageDriver> FindLanguageDriverByName(std::string_view name);

// Every driver of the id table, in id order (for tests and documentation).
std::span<const LanguageDriver> LanguageDriverTable();

// The Unicode characters of a built-in code page (895 Kamenicky, 620 Mazovia), one per byte; empty
// for others.
std::span<const char16_t> BuiltInCodePage(std::uint16_t code_page);

}  // namespace shelvex::exporting
