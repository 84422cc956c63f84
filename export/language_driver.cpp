#include "export/language_driver.h"

#include <algorithm>
#include <array>
#include <string>

#include "platform/code_page.h"

namespace shelvex::exporting {

namespace {

// Language driver ids (header byte 29) as dBase and FoxPro write them, with the code page of the
// text and the locale a librarian of that country expects. Where an id names a page but no single
// language (850 "International", 852 "Eastern European", 865 "Nordic") we report the first language
// the writers meant it for.
constexpr LanguageDriver kDrivers[] = {
    {0x01, 437, "ibm-437", false, 1033, "US MS-DOS"},
    {0x02, 850, "ibm-850", false, 1033, "International MS-DOS"},
    {0x03, 1252, "windows-1252", false, 1033, "Windows ANSI"},
    {0x04, 10000, "macintosh", false, 1033, "Standard Macintosh"},
    {0x08, 865, "ibm-865", false, 1030, "Danish OEM"},
    {0x09, 437, "ibm-437", false, 1043, "Dutch OEM"},
    {0x0A, 850, "ibm-850", false, 1043, "Dutch OEM (850)"},
    {0x0B, 437, "ibm-437", false, 1035, "Finnish OEM"},
    {0x0D, 437, "ibm-437", false, 1036, "French OEM"},
    {0x0E, 850, "ibm-850", false, 1036, "French OEM (850)"},
    {0x0F, 437, "ibm-437", false, 1031, "German OEM"},
    {0x10, 850, "ibm-850", false, 1031, "German OEM (850)"},
    {0x11, 437, "ibm-437", false, 1040, "Italian OEM"},
    {0x12, 850, "ibm-850", false, 1040, "Italian OEM (850)"},
    {0x13, 932, "windows-932", false, 1041, "Japanese Shift-JIS"},
    {0x14, 850, "ibm-850", false, 1034, "Spanish OEM (850)"},
    {0x15, 437, "ibm-437", false, 1053, "Swedish OEM"},
    {0x16, 850, "ibm-850", false, 1053, "Swedish OEM (850)"},
    {0x17, 865, "ibm-865", false, 1044, "Norwegian OEM"},
    {0x18, 437, "ibm-437", false, 1034, "Spanish OEM"},
    {0x19, 437, "ibm-437", false, 2057, "English OEM (Britain)"},
    {0x1A, 850, "ibm-850", false, 2057, "English OEM (Britain, 850)"},
    {0x1B, 437, "ibm-437", false, 1033, "English OEM (US)"},
    {0x1C, 863, "ibm-863", false, 3084, "French OEM (Canada)"},
    {0x1D, 850, "ibm-850", false, 1036, "French OEM (850)"},
    {0x1F, 852, "ibm-852", false, 1029, "Czech OEM"},
    {0x22, 852, "ibm-852", false, 1038, "Hungarian OEM"},
    {0x23, 852, "ibm-852", false, 1045, "Polish OEM"},
    {0x24, 860, "ibm-860", false, 2070, "Portuguese OEM"},
    {0x25, 850, "ibm-850", false, 2070, "Portuguese OEM (850)"},
    {0x26, 866, "ibm-866", false, 1049, "Russian OEM"},
    {0x37, 850, "ibm-850", false, 1033, "English OEM (US, 850)"},
    {0x40, 852, "ibm-852", false, 1048, "Romanian OEM"},
    {0x4D, 936, "windows-936", false, 2052, "Chinese GBK (PRC)"},
    {0x4E, 949, "windows-949", false, 1042, "Korean"},
    {0x4F, 950, "windows-950", false, 1028, "Chinese Big5 (Taiwan)"},
    {0x50, 874, "windows-874", false, 1054, "Thai"},
    {0x57, 1252, "", false, 1033, "Current ANSI"},
    {0x58, 1252, "windows-1252", false, 1033, "Western European ANSI"},
    {0x59, 1252, "windows-1252", false, 1034, "Spanish ANSI"},
    {0x64, 852, "ibm-852", false, 1029, "Eastern European MS-DOS"},
    {0x65, 866, "ibm-866", false, 1049, "Russian MS-DOS"},
    {0x66, 865, "ibm-865", false, 1044, "Nordic MS-DOS"},
    {0x67, 861, "ibm-861", false, 1039, "Icelandic MS-DOS"},
    {0x68, 895, "", true, 1029, "Kamenicky (Czech) MS-DOS"},
    {0x69, 620, "", true, 1045, "Mazovia (Polish) MS-DOS"},
    {0x6A, 737, "ibm-737", false, 1032, "Greek MS-DOS"},
    {0x6B, 857, "ibm-857", false, 1055, "Turkish MS-DOS"},
    {0x6C, 863, "ibm-863", false, 3084, "French-Canadian MS-DOS"},
    {0x78, 950, "windows-950", false, 1028, "Taiwan Big5"},
    {0x79, 949, "windows-949", false, 1042, "Hangul (Wansung)"},
    {0x7A, 936, "windows-936", false, 2052, "PRC GBK"},
    {0x7B, 932, "windows-932", false, 1041, "Japanese Shift-JIS"},
    {0x7C, 874, "windows-874", false, 1054, "Thai Windows"},
    {0x7D, 1255, "windows-1255", false, 1037, "Hebrew Windows"},
    {0x7E, 1256, "windows-1256", false, 1025, "Arabic Windows"},
    {0x86, 737, "ibm-737", false, 1032, "Greek OEM"},
    {0x87, 852, "ibm-852", false, 1060, "Slovenian OEM"},
    {0x88, 857, "ibm-857", false, 1055, "Turkish OEM"},
    {0x96, 10007, "x-mac-cyrillic", false, 1049, "Russian Macintosh"},
    {0x97, 10029, "x-mac-centraleurroman", false, 1029, "Eastern European Macintosh"},
    {0x98, 10006, "x-mac-greek", false, 1032, "Greek Macintosh"},
    {0xC8, 1250, "windows-1250", false, 1029, "Eastern European Windows"},
    {0xC9, 1251, "windows-1251", false, 1049, "Russian Windows"},
    {0xCA, 1254, "windows-1254", false, 1055, "Turkish Windows"},
    {0xCB, 1253, "windows-1253", false, 1032, "Greek Windows"},
    {0xCC, 1257, "windows-1257", false, 1063, "Baltic Windows"},
};

static_assert(std::is_sorted(std::begin(kDrivers), std::end(kDrivers),
                             [](const LanguageDriver& a, const LanguageDriver& b) {
                               return a.id < b.id;
                             }),
              "FindLanguageDriver searches the table by id");

// Level 7 headers name their driver "DB" + code page ("437", "850", ... or "WIN" for Windows ANSI)
// + two country letters + a variant digit. The pages and countries we know how to read:
struct NamedPage {
  std::string_view digits;
  std::uint16_t code_page;
  std::string_view icu_name;
};
constexpr NamedPage kNamedPages[] = {
    {"437", 437, "ibm-437"}, {"850", 850, "ibm-850"},       {"852", 852, "ibm-852"},
    {"857", 857, "ibm-857"}, {"860", 860, "ibm-860"},       {"861", 861, "ibm-861"},
    {"863", 863, "ibm-863"}, {"865", 865, "ibm-865"},       {"866", 866, "ibm-866"},
    {"737", 737, "ibm-737"}, {"WIN", 1252, "windows-1252"},
};
struct NamedCountry {
  std::string_view letters;
  std::uint32_t lcid;
};
constexpr NamedCountry kNamedCountries[] = {
    {"US", 1033}, {"WE", 1033}, {"UK", 2057}, {"DE", 1031}, {"FR", 1036},
    {"CF", 3084}, {"IT", 1040}, {"NL", 1043}, {"ES", 1034}, {"SV", 1053},
    {"FI", 1035}, {"DA", 1030}, {"NO", 1044}, {"PT", 2070}, {"BR", 1046},
    {"IS", 1039}, {"CZ", 1029}, {"PO", 1045}, {"PL", 1045}, {"HU", 1038},
    {"HD", 1038}, {"SL", 1060}, {"RU", 1049}, {"GR", 1032}, {"TR", 1055},
};

// Where 895 and 620 differ from code page 437 (the rest, box drawing included, is the same).
struct Override {
  unsigned char byte;
  char16_t unicode;
};
constexpr Override kKamenicky[] = {
    {0x80, u'\u010C'}, {0x81, u'\u00FC'}, {0x82, u'\u00E9'}, {0x83, u'\u010F'}, {0x84, u'\u00E4'},
    {0x85, u'\u010E'}, {0x86, u'\u0164'}, {0x87, u'\u010D'}, {0x88, u'\u011B'}, {0x89, u'\u011A'},
    {0x8A, u'\u0139'}, {0x8B, u'\u00CD'}, {0x8C, u'\u013E'}, {0x8D, u'\u013A'}, {0x8E, u'\u00C4'},
    {0x8F, u'\u00C1'}, {0x90, u'\u00C9'}, {0x91, u'\u017E'}, {0x92, u'\u017D'}, {0x93, u'\u00F4'},
    {0x94, u'\u00F6'}, {0x95, u'\u00D3'}, {0x96, u'\u016F'}, {0x97, u'\u00DA'}, {0x98, u'\u00FD'},
    {0x99, u'\u00D6'}, {0x9A, u'\u00DC'}, {0x9B, u'\u0160'}, {0x9C, u'\u013D'}, {0x9D, u'\u00DD'},
    {0x9E, u'\u0158'}, {0x9F, u'\u0165'}, {0xA0, u'\u00E1'}, {0xA1, u'\u00ED'}, {0xA2, u'\u00F3'},
    {0xA3, u'\u00FA'}, {0xA4, u'\u0148'}, {0xA5, u'\u0147'}, {0xA6, u'\u016E'}, {0xA7, u'\u00D4'},
    {0xA8, u'\u0161'}, {0xA9, u'\u0159'}, {0xAA, u'\u0155'}, {0xAB, u'\u0154'}, {0xAD, u'\u00A7'},
};
constexpr Override kMazovia[] = {
    {0x86, u'\u0105'}, {0x8D, u'\u0107'}, {0x8F, u'\u0104'}, {0x90, u'\u0118'}, {0x91, u'\u0119'},
    {0x92, u'\u0142'}, {0x95, u'\u0106'}, {0x98, u'\u015A'}, {0x9C, u'\u0141'}, {0x9E, u'\u015B'},
    {0xA0, u'\u0179'}, {0xA1, u'\u017B'}, {0xA3, u'\u00D3'}, {0xA4, u'\u0144'}, {0xA5, u'\u0143'},
    {0xA6, u'\u017A'}, {0xA7, u'\u017C'},
};

using PageTable = std::array<char16_t, 256>;

PageTable BuildPage(std::span<const Override> overrides) {
  auto base = platform::CodePage::Open("ibm-437");
  std::string all_bytes(256, '\0');
  for (int b = 0; b < 256; ++b) all_bytes[b] = static_cast<char>(b);
  std::u16string unicode = base->ToUtf16(all_bytes);
  PageTable page{};
  for (int b = 0; b < 256 && b < static_cast<int>(unicode.size()); ++b) page[b] = unicode[b];
  for (const Override& o : overrides) page[o.byte] = o.unicode;
  return page;
}

}  // namespace

std::optional<LanguageDriver> FindLanguageDriver(std::uint8_t id) {
  auto it = std::lower_bound(std::begin(kDrivers), std::end(kDrivers), id,
                             [](const LanguageDriver& d, std::uint8_t key) { return d.id < key; });
  if (it == std::end(kDrivers) || it->id != id) return std::nullopt;
  return *it;
}

std::optional<LanguageDriver> FindLanguageDriverByName(std::string_view name) {
  // Names are zero-padded to 32 bytes; only the text before the first zero counts.
  name = name.substr(0, name.find('\0'));
  if (name.size() < 7 || name.substr(0, 2) != "DB") return std::nullopt;
  const std::string_view digits = name.substr(2, 3);
  const std::string_view letters = name.substr(5, 2);
  const NamedPage* page = nullptr;
  for (const NamedPage& p : kNamedPages) {
    if (p.digits == digits) page = &p;
  }
  if (page == nullptr) return std::nullopt;
  for (const NamedCountry& c : kNamedCountries) {
    if (c.letters == letters)
      return LanguageDriver{0, page->code_page, page->icu_name, false, c.lcid, "dBase 7"};
  }
  return std::nullopt;
}

std::span<const LanguageDriver> LanguageDriverTable() { return kDrivers; }

std::span<const char16_t> BuiltInCodePage(std::uint16_t code_page) {
  // Built on first use from ICU's 437 so that the shared upper half is exactly ICU's.
  if (code_page == 895) {
    static const PageTable kamenicky = BuildPage(kKamenicky);
    return kamenicky;
  }
  if (code_page == 620) {
    static const PageTable mazovia = BuildPage(kMazovia);
    return mazovia;
  }
  return {};
}

}  // namespace shelvex::exporting
