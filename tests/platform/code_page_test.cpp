#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/error.h"

namespace shelvex::platform {
namespace {

std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes;
}

TEST(CodePage, Windows1252KeepsAll256BytesThroughUtf8AndUtf16) {
  const auto page = CodePage::Open("windows-1252");
  const std::string bytes = AllBytes();
  EXPECT_EQ(page->FromUtf8(page->ToUtf8(bytes)), bytes);
  EXPECT_EQ(page->FromUtf16(page->ToUtf16(bytes)), bytes);
  // The holes of the code page map to the C1 controls, as Windows maps them, and 0x80 is the euro
  // sign.
  EXPECT_EQ(page->ToUtf8("\x81\x8D"), "\xC2\x81\xC2\x8D");
  EXPECT_EQ(page->ToUtf8("\x80\xE9"), "\xE2\x82\xAC\xC3\xA9");
  EXPECT_TRUE(page->IsSingleByte());
  EXPECT_FALSE(page->IsLeadByte(0x81));
}

struct UnmappableCase {
  const char* code_page;
  const char* utf8;
  const char* expected;
};

class Unmappable : public ::testing::TestWithParam<UnmappableCase> {};

// ICU's own substitutes would be 0x1A or 0x7F; Windows writes '?', and so must we.
TEST_P(Unmappable, BecomesQuestionMark) {
  const auto page = CodePage::Open(GetParam().code_page);
  EXPECT_EQ(page->FromUtf8(GetParam().utf8), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Unmappable,
    ::testing::Values(UnmappableCase{"windows-1252", "a\xE6\xBC\xA2z", "a?z"},
                      UnmappableCase{"windows-1252", "\xE2\x82\xAC\xE2\x98\x83", "\x80?"},
                      UnmappableCase{"ibm-437", "\xC3\xA9\xE2\x82\xAC", "\x82?"},
                      UnmappableCase{"ibm-850", "\xF0\x9F\x98\x80!", "?!"},
                      UnmappableCase{"windows-932",
                                     "\xE0\xB8\x81"
                                     "a",
                                     "?a"},
                      // Ill-formed UTF-8 is a character that cannot be written either.
                      UnmappableCase{"windows-1252", "x\xFFy", "x?y"}));

TEST(CodePage, MultiByteCodePageKnowsItsLeadBytes) {
  for (const char* name : {"windows-932", "ibm-943"}) {
    SCOPED_TRACE(name);
    const auto page = CodePage::Open(name);
    EXPECT_FALSE(page->IsSingleByte());
    for (int byte : {0x81, 0x88, 0x9F, 0xE0, 0xEA})
      EXPECT_TRUE(page->IsLeadByte(static_cast<unsigned char>(byte)));
    // ASCII and half-width katakana are characters of one byte.
    for (int byte : {0x00, 0x41, 0x7F, 0xA1, 0xDF})
      EXPECT_FALSE(page->IsLeadByte(static_cast<unsigned char>(byte)));
    // "日本" in Shift-JIS.
    const std::string nihon = "\x93\xFA\x96\x7B";
    EXPECT_EQ(page->ToUtf8(nihon), "\xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_EQ(page->FromUtf8(page->ToUtf8(nihon)), nihon);
  }
}

TEST(CodePage, UndecodableBytesBecomeReplacementCharacters) {
  const auto page = CodePage::Open("windows-932");
  // A lead byte with nothing after it.
  EXPECT_EQ(page->ToUtf8("A\x93"), "A\xEF\xBF\xBD");
}

TEST(CodePage, UnknownConverterIsAnErrorNamingIt) {
  try {
    CodePage::Open("no-such-page-42");
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_NE(std::string(error.what()).find("no-such-page-42"), std::string::npos) << error.what();
  }
}

TEST(CodePage, AnsiDefaultsToWindows1252) {
  // The test environment leaves SHELVEX_ANSI_CODEPAGE unset.
  ASSERT_EQ(std::getenv("SHELVEX_ANSI_CODEPAGE"), nullptr);
  EXPECT_EQ(CodePage::Ansi().name(), "windows-1252");
  EXPECT_EQ(Utf8ToAnsi("caf\xC3\xA9 \xE2\x82\xAC"), "caf\xE9 \x80");
  EXPECT_EQ(AnsiToUtf8("caf\xE9"), "caf\xC3\xA9");
  ASSERT_EQ(std::getenv("SHELVEX_OEM_CODEPAGE"), nullptr);
  EXPECT_EQ(CodePage::Oem().ToUtf8("\x82"), "\xC3\xA9");
}

TEST(Recoder, TranslatesBetweenSingleByteCodePages) {
  const auto oem = CodePage::Open("ibm-437");
  const auto ansi = CodePage::Open("windows-1252");
  const Recoder recoder(*oem, *ansi);
  EXPECT_FALSE(recoder.IsIdentity());
  // é and ü in code page 437, then a box-drawing character that windows-1252 does not have.
  std::string text = "\x82\x81\xC9 ok";
  recoder.Recode(text);
  EXPECT_EQ(text, "\xE9\xFC? ok");
}

TEST(Recoder, SameCodePageIsIdentity) {
  const auto a = CodePage::Open("windows-1252");
  const auto b = CodePage::Open("cp1252");
  const Recoder recoder(*a, *b);
  EXPECT_TRUE(recoder.IsIdentity());
  std::string bytes = AllBytes();
  recoder.Recode(bytes);
  EXPECT_EQ(bytes, AllBytes());
}

TEST(Recoder, FromMultiByteCodePage) {
  const auto sjis = CodePage::Open("windows-932");
  const auto ansi = CodePage::Open("windows-1252");
  const Recoder recoder(*sjis, *ansi);
  EXPECT_FALSE(recoder.IsIdentity());
  std::string text =
      "ab\x93\xFA"
      "c";
  recoder.Recode(text);
  EXPECT_EQ(text, "ab?c");
}

// Keeps() lets callers (and Recode itself) skip converting text, so it must never claim a byte
// that the conversion changes:
// every byte value, at every place of an eight-byte group and of the tail, under pages that keep
// ASCII (IBM 437 moves 0x1A, 0x1C and 0x7F), an identity, and EBCDIC, which moves every letter.
TEST(Recoder, KeepsExactlyTheTextThatRecodeLeavesAlone) {
  const std::pair<const char*, const char*> kPairs[] = {{"ibm-437", "windows-1252"},
                                                        {"ibm-850", "windows-1252"},
                                                        {"windows-1252", "cp1252"},
                                                        {"ibm-037", "windows-1252"}};
  const std::string plain = "The quick brown fox jumps";  // three groups of eight and a tail
  for (const auto& [from_name, to_name] : kPairs) {
    const auto from = CodePage::Open(from_name);
    const auto to = CodePage::Open(to_name);
    const Recoder recoder(*from, *to);
    for (int byte = 0; byte < 256; ++byte) {
      for (std::size_t at = 0; at < plain.size(); ++at) {
        std::string text = plain;
        text[at] = static_cast<char>(byte);
        // Through Unicode, without the recoder's shortcuts.
        const std::string converted = to->FromUtf16(from->ToUtf16(text));
        std::string recoded = text;
        recoder.Recode(recoded);
        ASSERT_EQ(recoded, converted) << from_name << ": byte " << byte << " at " << at;
        ASSERT_EQ(recoder.Keeps(text), converted == text)
            << from_name << " to " << to_name << ": byte " << byte << " at " << at;
      }
    }
  }
  const auto oem = CodePage::Open("ibm-437");
  const auto ansi = CodePage::Open("windows-1252");
  const Recoder western(*oem, *ansi);
  EXPECT_TRUE(western.Keeps("Salt & Stone\r\n(2011), 12.50"));
  EXPECT_TRUE(western.Keeps(""));
  EXPECT_FALSE(western.Keeps("caf\x82"));
}

}  // namespace
}  // namespace shelvex::platform
