#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <variant>

#include "layout/value_reader.h"
#include "layout/value_writer.h"

namespace shelvex::layout {
namespace {

// "02 7F" -> the two bytes 0x02 0x7F.
std::string Hex(std::string_view text) {
  std::string bytes;
  std::istringstream in{std::string(text)};
  unsigned value = 0;
  while (in >> std::hex >> value) bytes += static_cast<char>(value);
  return bytes;
}

std::string AsHex(std::string_view bytes) {
  std::string text;
  char piece[4];
  for (unsigned char byte : bytes) {
    std::snprintf(piece, sizeof piece, "%02X ", byte);
    text += piece;
  }
  if (!text.empty()) text.pop_back();
  return text;
}

struct EncodingCase {
  std::variant<std::int32_t, std::string> value;
  std::string bytes;  // hexadecimal
};

void PrintTo(const EncodingCase& c, std::ostream* out) { *out << c.bytes; }

class ValueEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(ValueEncoding, WritesSmallestForm) {
  std::stringbuf sink;
  ValueWriter writer(sink);
  if (auto* number = std::get_if<std::int32_t>(&GetParam().value)) {
    writer.WriteInteger(*number);
  } else {
    writer.WriteString(std::get<std::string>(GetParam().value));
  }
  EXPECT_EQ(AsHex(sink.str()), AsHex(Hex(GetParam().bytes)));
}

TEST_P(ValueEncoding, ReadsBackEveryByte) {
  std::stringbuf source(Hex(GetParam().bytes));
  ValueReader reader(source, "values.def");
  if (auto* number = std::get_if<std::int32_t>(&GetParam().value)) {
    EXPECT_EQ(reader.ReadInteger(), *number);
  } else {
    EXPECT_EQ(reader.ReadString(), std::get<std::string>(GetParam().value));
  }
  EXPECT_EQ(reader.position(), Hex(GetParam().bytes).size());
}

std::string LongAscii(std::size_t count) { return std::string(count, 'a'); }

std::string HexRepeat(std::string_view byte, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += " " + std::string(byte);
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ValueEncoding,
    ::testing::Values(EncodingCase{1, "02 01"}, EncodingCase{127, "02 7F"},
                      EncodingCase{-128, "02 80"}, EncodingCase{128, "03 80 00"},
                      EncodingCase{-129, "03 7F FF"}, EncodingCase{32767, "03 FF 7F"},
                      EncodingCase{-32768, "03 00 80"}, EncodingCase{32768, "04 00 80 00 00"},
                      EncodingCase{-40000, "04 C0 63 FF FF"},
                      EncodingCase{INT32_MIN, "04 00 00 00 80"},
                      EncodingCase{std::string("Title"), "06 05 54 69 74 6C 65"},
                      EncodingCase{std::string(""), "12 00 00 00 00"},
                      // UTF-8 is not shorter than UTF-16 for one two-byte or three-byte letter, nor
                      // for a surrogate pair.
                      EncodingCase{std::string("\xC3\xA9"), "12 01 00 00 00 E9 00"},
                      EncodingCase{std::string("\xE2\x82\xAC"), "12 01 00 00 00 AC 20"},
                      EncodingCase{std::string("\xF0\x9F\x98\x80"), "12 02 00 00 00 3D D8 00 DE"},
                      EncodingCase{std::string("Caf\xC3\xA9"), "14 05 00 00 00 43 61 66 C3 A9"},
                      EncodingCase{LongAscii(255), "06 FF" + HexRepeat("61", 255)},
                      EncodingCase{LongAscii(256), "0C 00 01 00 00" + HexRepeat("61", 256)}));

TEST(ValueWriter, ReplacesIllFormedUtf8) {
  std::stringbuf sink;
  ValueWriter writer(sink);
  // The stray byte becomes U+FFFD before the form is chosen: five bytes of UTF-8 against three
  // units of UTF-16.
  writer.WriteString("ab\xFF");
  EXPECT_EQ(AsHex(sink.str()), "14 05 00 00 00 61 62 EF BF BD");
}

TEST(ValueWriter, ReportsASinkThatRefusesBytes) {
  std::filebuf full;
  full.pubsetbuf(nullptr, 0);
  ASSERT_NE(full.open("/dev/full", std::ios::out | std::ios::binary), nullptr);
  ValueWriter writer(full);
  EXPECT_THROW(writer.WriteInteger(1), IoError);
}

struct ReadCase {
  std::string bytes;
  std::variant<std::int32_t, std::string> value;
};

TEST(ValueReader, WidensNonMinimalIntegersAndConvertsEveryStringForm) {
  const ReadCase cases[] = {
      {"03 FF FF", -1},
      {"03 05 00", 5},
      {"04 FF FF FF FF", -1},
      {"04 FF FF FF 7F", INT32_MAX},
      // ANSI payloads come from the Windows-1252 code page.
      {"06 04 43 61 66 E9", std::string("Caf\xC3\xA9")},
      {"0C 03 00 00 00 80 41 42", std::string("\xE2\x82\xAC"
                                              "AB")},
      {"06 00", std::string()},
      {"14 00 00 00 00", std::string()},
      // Ill-formed payloads give U+FFFD instead of passing bad text on.
      {"12 02 00 00 00 00 D8 41 00", std::string("\xEF\xBF\xBD"
                                                 "A")},
      {"14 03 00 00 00 C3 28 41", std::string("\xEF\xBF\xBD(A")},
      {"14 03 00 00 00 ED A0 80", std::string("\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD")},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.bytes);
    std::stringbuf source(Hex(c.bytes));
    ValueReader reader(source, "values.def");
    if (auto* number = std::get_if<std::int32_t>(&c.value)) {
      EXPECT_EQ(reader.ReadInteger(), *number);
    } else {
      EXPECT_EQ(reader.ReadString(), std::get<std::string>(c.value));
    }
  }
}

enum class Read { kInteger, kString, kListBegin, kSkip };

struct BadCase {
  const char* what;
  std::string bytes;
  Read read;
};

TEST(ValueReader, RejectsDamagedValuesWithoutTrustingLengths) {
  const BadCase cases[] = {
      {"no data", "", Read::kInteger},
      {"unknown tag", "05 01", Read::kInteger},
      {"unknown tag", "07 00", Read::kString},
      {"unknown tag", "FF", Read::kSkip},
      {"string for integer", "06 01 41", Read::kInteger},
      {"integer for string", "02 01", Read::kString},
      {"integer cut short", "03 01", Read::kInteger},
      {"length cut short", "0C 01 00", Read::kString},
      {"string past the end", "06 05 41 42", Read::kString},
      {"4 GB ANSI string", "0C FF FF FF FF 41 42", Read::kString},
      {"8 GB wide string", "12 FF FF FF FF 41 00", Read::kString},
      {"4 GB UTF-8 string", "14 FF FF FF FF C3 A9", Read::kString},
      {"odd wide string", "12 01 00 00 00 41", Read::kString},
      {"list never closed", "01 02 01 06 01 41", Read::kSkip},
      {"integer for list", "02 01", Read::kListBegin},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::stringbuf source(Hex(c.bytes));
    ValueReader reader(source, "broken.def");
    try {
      switch (c.read) {
        case Read::kInteger:
          reader.ReadInteger();
          break;
        case Read::kString:
          reader.ReadString();
          break;
        case Read::kListBegin:
          reader.ReadListBegin();
          break;
        case Read::kSkip:
          reader.SkipValue();
          break;
      }
      ADD_FAILURE() << "no error";
    } catch (const ValueReadError& error) {
      EXPECT_EQ(std::string(error.what()).rfind("broken.def: ", 0), 0u) << error.what();
    }
  }
}

TEST(ValueReader, SkipsAnUnexpectedValueWholeBeforeReportingIt) {
  // A nested list where a list was expected to start; the integer after it must still be readable.
  std::stringbuf source(Hex("06 02 41 42  02 07"));
  ValueReader reader(source, "values.def");
  EXPECT_THROW(reader.ReadListBegin(), ValueReadError);
  EXPECT_EQ(reader.ReadInteger(), 7);

  std::stringbuf nested(Hex("01 02 01 01 06 01 41 00 12 00 00 00 00 00  02 09"));
  ValueReader nested_reader(nested, "values.def");
  nested_reader.SkipValue();
  EXPECT_EQ(nested_reader.ReadInteger(), 9);
}

TEST(ValueReader, SkipsDeeplyNestedListsWithoutRecursion) {
  std::string bytes(2'000'000, '\x01');
  bytes += std::string(2'000'000, '\x00');
  bytes += Hex("02 2A");
  std::stringbuf source(bytes);
  ValueReader reader(source, "nested.def");
  reader.SkipValue();
  EXPECT_EQ(reader.ReadInteger(), 42);
}

}  // namespace
}  // namespace shelvex::layout
