// CRC-32, byte order, the grouped form of money amounts and the UTF-16 /
// UTF-8 conversions behind every message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Errors.h"
#include "FindCRC.h"
#include "Functions.h"
#include "RosterGen.h"
#include "TestSupport.h"
#include "Text.h"

namespace orrimax {
namespace {

using test::TempDir;

std::vector<std::uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

// ---- CRC-32 ------------------------------------------------------------------

struct CrcCase {
  std::string input;
  std::uint32_t crc;
};

void PrintTo(const CrcCase& c, std::ostream* os) {
  *os << ::testing::PrintToString(c.input);
}

class Crc32Known : public ::testing::TestWithParam<CrcCase> {};

TEST_P(Crc32Known, OfBuffer) {
  const auto bytes = Bytes(GetParam().input);
  EXPECT_EQ(Crc32(bytes), GetParam().crc);
}

TEST_P(Crc32Known, FoldedInPiecesEqualsWhole) {
  const auto bytes = Bytes(GetParam().input);
  for (std::size_t cut = 0; cut <= bytes.size(); ++cut) {
    std::uint32_t crc = Crc32Update(bytes.data(), cut, 0xFFFFFFFFu);
    crc = Crc32Update(bytes.data() + cut, bytes.size() - cut, crc);
    EXPECT_EQ(~crc, GetParam().crc) << "cut at " << cut;
  }
}

INSTANTIATE_TEST_SUITE_P(Crc, Crc32Known,
                         ::testing::Values(CrcCase{"123456789", 0xCBF43926u},
                                           CrcCase{"", 0x00000000u}, CrcCase{"a", 0xE8B7BE43u},
                                           CrcCase{"The quick brown fox jumps over the lazy dog",
                                                   0x414FA339u},
                                           CrcCase{std::string(1, '\0'), 0xD202EF8Du}));

// The folding of 64 and 16 bytes at a time, eight bytes at a time and the
// bytes left over agree with the polynomial applied bit by bit, at every
// length and starting alignment.
TEST(Crc32, AgreesWithBitwiseDivision) {
  const auto bytes = test::RandomBytes(1200, 11);
  for (std::size_t start = 0; start < 17; ++start) {
    for (std::size_t length = 0; start + length <= bytes.size(); length += 5) {
      std::uint32_t crc = 0xFFFFFFFFu;
      for (std::size_t i = start; i < start + length; ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
      }
      EXPECT_EQ(Crc32(std::span(bytes).subspan(start, length)), ~crc)
          << "start " << start << " length " << length;
    }
  }
}

TEST(Crc32, NoBytesLeaveTheRunningValueAlone) {
  EXPECT_EQ(Crc32Update(nullptr, 0, 0x12345678u), 0x12345678u);
}

// ---- Byte order ----------------------------------------------------------------

TEST(ByteOrder, ReadsLittleEndian) {
  const std::uint8_t b[] = {0x26, 0x39, 0xF4, 0xCB};
  EXPECT_EQ(ReadU32LE(b), 0xCBF43926u);
}

TEST(ByteOrder, WritesLeastSignificantFirst) {
  std::uint8_t b[6] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
  WriteU32LE(b + 1, 0xCBF43926u);
  EXPECT_EQ(std::vector<std::uint8_t>(b, b + 6),
            (std::vector<std::uint8_t>{0xAA, 0x26, 0x39, 0xF4, 0xCB, 0xAA}));
}

// ---- GroupDigits ---------------------------------------------------------------

struct GroupCase {
  std::uint32_t n;
  std::u16string text;
};

void PrintTo(const GroupCase& c, std::ostream* os) {
  *os << c.n;
}

class GroupDigitsKnown : public ::testing::TestWithParam<GroupCase> {};

TEST_P(GroupDigitsKnown, Text) {
  EXPECT_EQ(GroupDigits(GetParam().n), GetParam().text);
  char16_t buffer[16];
  char16_t* end = GroupDigitsInto(GetParam().n, buffer);
  EXPECT_EQ(std::u16string(buffer, static_cast<std::size_t>(end - buffer)), GetParam().text);
}

TEST_P(GroupDigitsKnown, SpacesRemovedGiveThePlainNumber) {
  EXPECT_EQ(RemoveSpaces(GroupDigits(GetParam().n)), test::U16(std::to_string(GetParam().n)));
}

INSTANTIATE_TEST_SUITE_P(
    Functions, GroupDigitsKnown,
    ::testing::Values(GroupCase{0, u"0"}, GroupCase{5, u"5"}, GroupCase{12, u"12"},
                      GroupCase{123, u" 123"}, GroupCase{1234, u"1 234"},
                      GroupCase{100000, u" 100 000"}, GroupCase{123456, u" 123 456"},
                      GroupCase{1000000, u"1 000 000"}, GroupCase{1234567, u"1 234 567"},
                      GroupCase{2147483648u, u"2 147 483 648"},
                      GroupCase{4294967295u, u"4 294 967 295"}));

// ---- RegroupDigits and RemoveSpaces ----------------------------------------------

struct TextCase {
  std::u16string input;
  std::u16string output;
};

void PrintTo(const TextCase& c, std::ostream* os) {
  *os << test::Show(c.input);
}

class RegroupDigitsKnown : public ::testing::TestWithParam<TextCase> {};

TEST_P(RegroupDigitsKnown, Text) {
  EXPECT_EQ(RegroupDigits(GetParam().input), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(Functions, RegroupDigitsKnown,
                         ::testing::Values(TextCase{u"1234567", u"1 234 567"},
                                           TextCase{u"123456", u" 123 456"}, TextCase{u"12", u"12"},
                                           TextCase{u"", u""}, TextCase{u"123", u" 123"},
                                           TextCase{u"1000000", u"1 000 000"},
                                           // Spaces count as characters and stay.
                                           TextCase{u"1 234", u"1  234"},
                                           TextCase{u" 123", u"  123"},
                                           TextCase{u"abcdefg", u"a bcd efg"}));

class RemoveSpacesKnown : public ::testing::TestWithParam<TextCase> {};

TEST_P(RemoveSpacesKnown, Text) {
  EXPECT_EQ(RemoveSpaces(GetParam().input), GetParam().output);
}

INSTANTIATE_TEST_SUITE_P(Functions, RemoveSpacesKnown,
                         ::testing::Values(TextCase{u" 123 456", u"123456"},
                                           TextCase{u"1 234 567", u"1234567"}, TextCase{u"", u""},
                                           TextCase{u"   ", u""}, TextCase{u"12", u"12"},
                                           // Only U+0020 is a space here.
                                           TextCase{u"1\t2\u00A03", u"1\t2\u00A03"},
                                           TextCase{u" a b ", u"ab"}));

TEST(Functions, RegroupAfterRemoveSpacesRestoresGrouping) {
  for (std::uint32_t n : {0u, 7u, 999u, 1000u, 65536u, 1000000u, 4294967295u}) {
    const std::u16string plain = RemoveSpaces(GroupDigits(n));
    // GroupDigits writes a lone "0"; RegroupDigits keeps every other text's
    // digits and puts spaces exactly where GroupDigits does.
    EXPECT_EQ(RegroupDigits(plain), GroupDigits(n)) << n;
  }
}

// ---- UTF-16 and UTF-8 ---------------------------------------------------------

TEST(Text, Utf8OfNamesAboveLatin1) {
  EXPECT_EQ(ToUtf8(u"Yiğit Kovač"), "Yi\xC4\x9Fit Kova\xC4\x8D");
  EXPECT_EQ(ToUtf8(u"\U0001D11E"), "\xF0\x9D\x84\x9E");
  EXPECT_EQ(ToUtf8(u"№"), "\xE2\x84\x96");
  EXPECT_EQ(ToUtf8(u""), "");
}

TEST(Text, LoneSurrogateIsReplacedInUtf8AndKeptInWtf8) {
  const std::u16string lone = {u'a', char16_t(0xD800), u'b'};
  EXPECT_EQ(ToUtf8(lone),
            "a\xEF\xBF\xBD"
            "b");
  std::u16string back;
  ASSERT_TRUE(FromWtf8(ToWtf8(lone), back));
  EXPECT_EQ(back, lone);
}

TEST(Text, Wtf8RoundTripsEveryCodeUnitPattern) {
  std::u16string all;
  for (char32_t c = 1; c < 0x10000; c += 7) all += static_cast<char16_t>(c);
  all += u"\U0001F3C0";  // a proper pair stays a pair
  std::u16string back;
  ASSERT_TRUE(FromWtf8(ToWtf8(all), back));
  EXPECT_EQ(back, all);
}

class MalformedUtf8 : public ::testing::TestWithParam<std::string> {};

TEST_P(MalformedUtf8, IsRefused) {
  std::u16string out;
  EXPECT_FALSE(FromWtf8(GetParam(), out));
}

INSTANTIATE_TEST_SUITE_P(Text, MalformedUtf8,
                         ::testing::Values(std::string("\xC0\x80"),          // overlong
                                           std::string("\xE2\x84"),          // cut short
                                           std::string("\x80"),              // lone continuation
                                           std::string("\xFF"),              // never valid
                                           std::string("\xF4\x90\x80\x80"),  // past U+10FFFF
                                           std::string("a\xC3(")));

}  // namespace
}  // namespace orrimax
