// The field codec of columns 6 to 234 on single records. Every encode row is
// checked on several base records (all zeros, all ones, random patterns) and
// must leave every bit outside the column's own bits as it was.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "DB.h"
#include "DBFields.h"
#include "TestSupport.h"
#include "Text.h"

namespace orrimax {
namespace {

using test::MaskOf;
using test::MessageOf;
using test::OwnedValue;
using Record = std::vector<std::uint8_t>;

// Bits of one byte: under `mask` the byte holds `value`.
struct Bits {
  int byte;
  std::uint8_t mask;
  std::uint8_t value;
};
using BitList = std::vector<Bits>;

void Put(Record& r, const BitList& bits) {
  for (const Bits& b : bits)
    r[b.byte] = static_cast<std::uint8_t>((r[b.byte] & ~b.mask) | (b.value & b.mask));
}

// The bases every row runs on: the kept bits must survive both values.
std::vector<Record> Bases() {
  std::vector<Record> bases = {Record(kRecordSize, 0x00), Record(kRecordSize, 0xFF)};
  for (std::uint32_t seed = 1; seed <= 4; ++seed) bases.push_back(test::RandomRecord(seed));
  return bases;
}

std::string Describe(const BitList& bits) {
  std::string s;
  for (const Bits& b : bits)
    s += " b" + std::to_string(b.byte) + "&" + std::to_string(b.mask) + "=" +
         std::to_string(b.value);
  return s;
}

// ---- Encoding known texts ----------------------------------------------------

struct EncodeCase {
  int column;
  std::u16string cell;
  BitList stored;  // every bit the column owns, with its expected value
};

void PrintTo(const EncodeCase& c, std::ostream* os) {
  *os << "column " << c.column << " " << test::Show(c.cell);
}

class EncodeKnown : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeKnown, StoresTheValueAndNothingElse) {
  const EncodeCase& c = GetParam();
  // The row must name every bit the column owns, and only those.
  std::array<std::uint8_t, kRecordSize> named{};
  for (const Bits& b : c.stored) named[b.byte] |= b.mask;
  ASSERT_EQ(named, MaskOf(c.column)) << "row does not cover exactly the column's bits";

  for (const Record& base : Bases()) {
    Record r = base;
    EncodeField(c.column, c.cell, r);
    Record expected = base;
    Put(expected, c.stored);
    EXPECT_EQ(r, expected);
  }
}

const std::vector<EncodeCase> kEncodeCases = {
    // Integer parse rules on a whole-byte column.
    {21, u" 12", {{54, 0xFF, 12}}},
    {21, u"$1F", {{54, 0xFF, 31}}},
    {21, u"0x1F", {{54, 0xFF, 31}}},
    {21, u"255", {{54, 0xFF, 255}}},
    {21, u"-1", {{54, 0xFF, 255}}},
    // A 3-bit field given 9 keeps its low bits.
    {6, u"9", {{32, 0xE0, 0x20}}},
    {6, u"7", {{32, 0xE0, 0xE0}}},
    // Height: value - 128.
    {7, u"100", {{14, 0xFF, 228}}},
    {7, u"128", {{14, 0xFF, 0}}},
    {7, u"383", {{14, 0xFF, 255}}},
    {7, u"200", {{14, 0xFF, 72}}},
    // Weight: both bytes whole.
    {8, u"200", {{17, 0xFF, 0}, {18, 0xFF, 72}}},
    {8, u"301", {{17, 0xFF, 128}, {18, 0xFF, 150}}},
    {8, u"300", {{17, 0xFF, 0}, {18, 0xFF, 150}}},
    {8, u"600", {{17, 0xFF, 0}, {18, 0xFF, 44}}},
    {8, u"128", {{17, 0xFF, 0}, {18, 0xFF, 0}}},
    {8, u"255", {{17, 0xFF, 0}, {18, 0xFF, 127}}},
    {8, u"256", {{17, 0xFF, 0}, {18, 0xFF, 128}}},
    {8, u"257", {{17, 0xFF, 128}, {18, 0xFF, 128}}},
    {8, u"511", {{17, 0xFF, 128}, {18, 0xFF, 255}}},
    {8, u"100", {{17, 0xFF, 0}, {18, 0xFF, 50}}},
    // Age: 217 - value.
    {9, u"-5", {{30, 0xFF, 222}}},
    {9, u"217", {{30, 0xFF, 0}}},
    {9, u"-38", {{30, 0xFF, 255}}},
    // Jersey number, bytes 33-34 bits 5-11.
    {10, u"00", {{33, 0xE0, 0x80}, {34, 0x0F, 0x0C}}},
    {10, u"100", {{33, 0xE0, 0x80}, {34, 0x0F, 0x0C}}},
    {10, u"200", {{33, 0xE0, 0x00}, {34, 0x0F, 0x09}}},
    {10, u"7", {{33, 0xE0, 0xE0}, {34, 0x0F, 0x00}}},
    {10, u"0", {{33, 0xE0, 0x00}, {34, 0x0F, 0x00}}},
    {10, u" 00", {{33, 0xE0, 0x00}, {34, 0x0F, 0x00}}},
    {10, u"128", {{33, 0xE0, 0x00}, {34, 0x0F, 0x00}}},
    {10, u"127", {{33, 0xE0, 0xE0}, {34, 0x0F, 0x0F}}},
    // Years Pro, Pos, 2nd Pos share byte 121.
    {11, u"31", {{121, 0xC0, 0xC0}, {122, 0x07, 0x07}}},
    {11, u"5", {{121, 0xC0, 0x40}, {122, 0x07, 0x01}}},
    {12, u"5", {{121, 0x07, 0x05}}},
    {13, u"5", {{121, 0x38, 0x28}}},
    {14, u"1", {{207, 0x80, 0x80}}},
    {15, u"3", {{171, 0xC0, 0xC0}}},
    {16, u"70000", {{28, 0xFF, 0x70}, {29, 0xFF, 0x11}}},
    {16, u"65535", {{28, 0xFF, 0xFF}, {29, 0xFF, 0xFF}}},
    {17, u"5", {{159, 0x38, 0x28}}},
    {18, u"1", {{159, 0x40, 0x40}}},
    {19, u"5", {{125, 0x80, 0x80}, {126, 0x03, 0x02}}},
    {19, u"6", {{125, 0x80, 0x00}, {126, 0x03, 0x03}}},
    {20, u"5", {{124, 0xC0, 0x40}, {125, 0x01, 0x01}}},
    {20, u"2", {{124, 0xC0, 0x80}, {125, 0x01, 0x00}}},
    // Skill ratings: 3x - 75, rounded half to even, low 8 bits.
    {22, u"25", {{436, 0xFF, 0}}},
    {22, u"25.3", {{436, 0xFF, 1}}},
    {22, u"25.6", {{436, 0xFF, 2}}},
    {22, u"98.3", {{436, 0xFF, 220}}},
    {22, u"98.6", {{436, 0xFF, 221}}},
    {22, u"99", {{436, 0xFF, 222}}},
    {22, u"99.3", {{436, 0xFF, 223}}},
    {22, u"99.6", {{436, 0xFF, 224}}},
    {22, u"100", {{436, 0xFF, 225}}},
    {22, u"100.", {{436, 0xFF, 225}}},
    {22, u"110", {{436, 0xFF, 255}}},
    {22, u"99.5", {{436, 0xFF, 224}}},
    {22, u"98.5", {{436, 0xFF, 220}}},
    {22, u"200", {{436, 0xFF, 13}}},
    {22, u"-5", {{436, 0xFF, 166}}},
    {40, u" 99 ", {{454, 0xFF, 222}}},
    {55, u"1e2", {{469, 0xFF, 225}}},
    {59, u"9.9E1", {{473, 0xFF, 222}}},
    // Tendencies: whole bytes, c + 414.
    {60, u"255", {{474, 0xFF, 255}}},
    {60, u"256", {{474, 0xFF, 0}}},
    {60, u"-1", {{474, 0xFF, 255}}},
    {86, u"$7f", {{500, 0xFF, 127}}},
    {121, u"77", {{535, 0xFF, 77}}},
    // Hot spots.
    {122, u"256", {{536, 0xFF, 0}}},
    {122, u"255", {{536, 0xFF, 255}}},
    {146, u"17", {{560, 0xFF, 17}}},
    // Signature packages keep the bits no column owns.
    {147, u"200", {{399, 0xFE, 0x90}}},
    {147, u"127", {{399, 0xFE, 0xFE}}},
    {147, u"0", {{399, 0xFE, 0x00}}},
    {148, u"40", {{400, 0x1F, 0x08}}},
    {148, u"31", {{400, 0x1F, 0x1F}}},
    // Animation identifiers: hex pairs in record order.
    {149,
     u"0a0b0c0d",
     {{212, 0xFF, 0x0A}, {213, 0xFF, 0x0B}, {214, 0xFF, 0x0C}, {215, 0xFF, 0x0D}}},
    {149, u"1234567", {{212, 0xFF, 0x12}, {213, 0xFF, 0x34}, {214, 0xFF, 0x56}, {215, 0xFF, 0x07}}},
    {149,
     u"0A0B0C0D99",
     {{212, 0xFF, 0x0A}, {213, 0xFF, 0x0B}, {214, 0xFF, 0x0C}, {215, 0xFF, 0x0D}}},
    {178,
     u"1F00A205",
     {{328, 0xFF, 0x1F}, {329, 0xFF, 0x00}, {330, 0xFF, 0xA2}, {331, 0xFF, 0x05}}},
    {178,
     u"FFFFFFFF",
     {{328, 0xFF, 0xFF}, {329, 0xFF, 0xFF}, {330, 0xFF, 0xFF}, {331, 0xFF, 0xFF}}},
    // Contract.
    {179, u"7", {{122, 0x38, 0x38}}},
    {180, u"1", {{169, 0x30, 0x10}}},
    {180, u"2", {{169, 0x30, 0x20}}},
    {181, u"1", {{211, 0x80, 0x80}}},
    {182, u"0", {{336, 0xFF, 0}, {337, 0xFF, 0}, {338, 0xFF, 0}, {339, 0xFF, 0}}},
    {182, u"1 000 000", {{336, 0xFF, 0x40}, {337, 0xFF, 0x42}, {338, 0xFF, 0x0F}, {339, 0xFF, 0}}},
    {182, u"1000000", {{336, 0xFF, 0x40}, {337, 0xFF, 0x42}, {338, 0xFF, 0x0F}, {339, 0xFF, 0}}},
    {182, u" 100 000", {{336, 0xFF, 0xA0}, {337, 0xFF, 0x86}, {338, 0xFF, 0x01}, {339, 0xFF, 0}}},
    {182,
     u"2147483647",
     {{336, 0xFF, 0xFF}, {337, 0xFF, 0xFF}, {338, 0xFF, 0xFF}, {339, 0xFF, 0x7F}}},
    {188, u"-1", {{360, 0xFF, 0xFF}, {361, 0xFF, 0xFF}, {362, 0xFF, 0xFF}, {363, 0xFF, 0xFF}}},
    // Gear.
    {189, u"3", {{125, 0x60, 0x60}}},
    {190, u"15", {{404, 0x0F, 0x0F}}},
    {191, u"15", {{404, 0xF0, 0xF0}}},
    {192, u"31", {{158, 0xC0, 0xC0}, {159, 0x07, 0x07}}},
    {192, u"5", {{158, 0xC0, 0x40}, {159, 0x07, 0x01}}},
    {193, u"31", {{160, 0x1F, 0x1F}}},
    {194, u"7", {{161, 0x80, 0x80}, {162, 0x03, 0x03}}},
    {194, u"2", {{161, 0x80, 0x00}, {162, 0x03, 0x01}}},
    {195, u"7", {{412, 0x1C, 0x1C}}},
    {196, u"31", {{157, 0xF0, 0xF0}, {158, 0x01, 0x01}}},
    {196, u"16", {{157, 0xF0, 0x00}, {158, 0x01, 0x01}}},
    {197, u"31", {{158, 0x3E, 0x3E}}},
    {198, u"31", {{160, 0xE0, 0xE0}, {161, 0x03, 0x03}}},
    {198, u"8", {{160, 0xE0, 0x00}, {161, 0x03, 0x01}}},
    {199, u"31", {{161, 0x7C, 0x7C}}},
    {200, u"7", {{405, 0x07, 0x07}}},
    {201, u"7", {{412, 0xE0, 0xE0}}},
    {202, u"15", {{167, 0xF0, 0xF0}}},
    {203, u"31", {{405, 0xF8, 0xF8}}},
    {204, u"63", {{162, 0xFC, 0xFC}}},
    {205, u"7", {{128, 0x80, 0x80}, {129, 0x03, 0x03}}},
    {205, u"6", {{128, 0x80, 0x00}, {129, 0x03, 0x03}}},
    {206, u"31", {{129, 0x7C, 0x7C}}},
    {207, u"1", {{129, 0x80, 0x80}}},
    // Shoe colours: pairs to bytes 134, 133, 132; the fourth byte is kept.
    {208, u"aabbcc", {{132, 0xFF, 0xCC}, {133, 0xFF, 0xBB}, {134, 0xFF, 0xAA}}},
    {208, u"AABBC", {{132, 0xFF, 0x0C}, {133, 0xFF, 0xBB}, {134, 0xFF, 0xAA}}},
    {208, u"112233FF", {{132, 0xFF, 0x33}, {133, 0xFF, 0x22}, {134, 0xFF, 0x11}}},
    {213, u"332211", {{152, 0xFF, 0x11}, {153, 0xFF, 0x22}, {154, 0xFF, 0x33}}},
    // Draft and status.
    {214, u"63", {{172, 0x3F, 0x3F}}},
    {214, u"64", {{172, 0x3F, 0x00}}},
    {215, u"1946", {{181, 0xFF, 46}}},
    {215, u"2046", {{181, 0xFF, 46}}},
    {215, u"1947", {{181, 0xFF, 47}}},
    {215, u"1999", {{181, 0xFF, 99}}},
    {215, u"2000", {{181, 0xFF, 0}}},
    {215, u"2047", {{181, 0xFF, 147}}},
    {215, u"2100", {{181, 0xFF, 200}}},
    {215, u"2155", {{181, 0xFF, 255}}},
    {215, u"2156", {{181, 0xFF, 0}}},
    {215, u"100", {{181, 0xFF, 0}}},
    {216, u"15", {{207, 0x78, 0x78}}},
    {217, u"3", {{53, 0xC0, 0xC0}}},
    {218, u"7", {{397, 0x0E, 0x0E}}},
    {219, u"7", {{398, 0x07, 0x07}}},
    // Injury days: low byte and the quotient by 256 rounded toward zero.
    {220, u"-1", {{68, 0xFF, 0xFF}, {69, 0xFF, 0x00}}},
    {220, u"-256", {{68, 0xFF, 0x00}, {69, 0xFF, 0xFF}}},
    {220, u"-257", {{68, 0xFF, 0xFF}, {69, 0xFF, 0xFF}}},
    {220, u"70000", {{68, 0xFF, 0x70}, {69, 0xFF, 0x11}}},
    {220, u"65535", {{68, 0xFF, 0xFF}, {69, 0xFF, 0xFF}}},
    {221, u"300", {{120, 0xFF, 44}}},
    {222, u"65536", {{56, 0xFF, 0}, {57, 0xFF, 0}}},
    {223, u"4660", {{384, 0xFF, 0x34}, {385, 0xFF, 0x12}}},
    // Body tweaks; chest size and prostruction negated.
    {229, u"-1", {{566, 0xFF, 0x01}}},
    {229, u"128", {{566, 0xFF, 0x80}}},
    {230, u"5", {{567, 0xFF, 0xFB}}},
    {224, u"-1", {{561, 0xFF, 0xFF}}},
    {224, u"128", {{561, 0xFF, 0x80}}},
    {234, u"-128", {{571, 0xFF, 0x80}}},
};

INSTANTIATE_TEST_SUITE_P(Fields, EncodeKnown, ::testing::ValuesIn(kEncodeCases));

// ---- Decoding known bytes ------------------------------------------------------

struct DecodeCase {
  int column;
  BitList stored;  // the column's bits that matter; the rest stay random
  std::u16string text;
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
  *os << "column " << c.column << Describe(c.stored);
}

class DecodeKnown : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeKnown, Text) {
  for (Record r : Bases()) {
    Put(r, GetParam().stored);
    EXPECT_EQ(DecodeField(GetParam().column, r), GetParam().text);
  }
}

const std::vector<DecodeCase> kDecodeCases = {
    {10, {{33, 0xE0, 0x80}, {34, 0x0F, 0x0C}}, u"00"},
    {10, {{33, 0xE0, 0xE0}, {34, 0x0F, 0x00}}, u"7"},
    {10, {{33, 0xE0, 0xE0}, {34, 0x0F, 0x0F}}, u"127"},
    {10, {{33, 0xE0, 0x00}, {34, 0x0F, 0x00}}, u"0"},
    // Weight: byte 17 is ignored below b18 = 128 and counts only as nonzero above.
    {8, {{18, 0xFF, 72}}, u"200"},
    {8, {{18, 0xFF, 0}}, u"128"},
    {8, {{18, 0xFF, 127}}, u"255"},
    {8, {{17, 0xFF, 0x40}, {18, 0xFF, 150}}, u"301"},
    {8, {{17, 0xFF, 0x01}, {18, 0xFF, 150}}, u"301"},
    {8, {{17, 0xFF, 0x00}, {18, 0xFF, 150}}, u"300"},
    {8, {{17, 0xFF, 0x80}, {18, 0xFF, 255}}, u"511"},
    {8, {{17, 0xFF, 0x00}, {18, 0xFF, 128}}, u"256"},
    {7, {{14, 0xFF, 228}}, u"356"},
    {7, {{14, 0xFF, 0}}, u"128"},
    {7, {{14, 0xFF, 255}}, u"383"},
    {9, {{30, 0xFF, 255}}, u"-38"},
    {9, {{30, 0xFF, 0}}, u"217"},
    {9, {{30, 0xFF, 222}}, u"-5"},
    {11, {{121, 0xC0, 0xC0}, {122, 0x07, 0x07}}, u"31"},
    {11, {{121, 0xC0, 0x40}, {122, 0x07, 0x01}}, u"5"},
    {16, {{28, 0xFF, 0xFF}, {29, 0xFF, 0xFF}}, u"65535"},
    {16, {{28, 0xFF, 0x70}, {29, 0xFF, 0x11}}, u"4464"},
    {19, {{125, 0x80, 0x80}, {126, 0x03, 0x02}}, u"5"},
    {20, {{124, 0xC0, 0x40}, {125, 0x01, 0x01}}, u"5"},
    // Ratings on several skill columns.
    {22, {{436, 0xFF, 0}}, u"25"},
    {22, {{436, 0xFF, 1}}, u"25.3"},
    {22, {{436, 0xFF, 2}}, u"25.6"},
    {37, {{451, 0xFF, 221}}, u"98.6"},
    {37, {{451, 0xFF, 222}}, u"99"},
    {37, {{451, 0xFF, 225}}, u"100"},
    {59, {{473, 0xFF, 255}}, u"110"},
    {59, {{473, 0xFF, 226}}, u"100."},
    {59, {{473, 0xFF, 227}}, u"100."},
    // Tendencies and hot spots.
    {60, {{474, 0xFF, 255}}, u"255"},
    {121, {{535, 0xFF, 0}}, u"0"},
    {122, {{536, 0xFF, 255}}, u"255"},
    {146, {{560, 0xFF, 9}}, u"9"},
    {147, {{399, 0xFE, 0xFE}}, u"127"},
    {147, {{399, 0xFE, 0x02}}, u"1"},
    {148, {{400, 0x1F, 0x1F}}, u"31"},
    {149,
     {{212, 0xFF, 0x1F}, {213, 0xFF, 0x00}, {214, 0xFF, 0xA2}, {215, 0xFF, 0x05}},
     u"1F00A205"},
    {149,
     {{212, 0xFF, 0x0A}, {213, 0xFF, 0x0B}, {214, 0xFF, 0x0C}, {215, 0xFF, 0x0D}},
     u"0A0B0C0D"},
    {180, {{169, 0x30, 0x20}}, u"2"},
    // Salaries in grouped digits.
    {182, {{336, 0xFF, 0}, {337, 0xFF, 0}, {338, 0xFF, 0}, {339, 0xFF, 0}}, u"0"},
    {182, {{336, 0xFF, 0x40}, {337, 0xFF, 0x42}, {338, 0xFF, 0x0F}, {339, 0xFF, 0}}, u"1 000 000"},
    {182, {{336, 0xFF, 0xA0}, {337, 0xFF, 0x86}, {338, 0xFF, 0x01}, {339, 0xFF, 0}}, u" 100 000"},
    {186, {{352, 0xFF, 0x87}, {353, 0xFF, 0xD6}, {354, 0xFF, 0x12}, {355, 0xFF, 0}}, u"1 234 567"},
    {188,
     {{360, 0xFF, 0xFF}, {361, 0xFF, 0xFF}, {362, 0xFF, 0xFF}, {363, 0xFF, 0xFF}},
     u"4 294 967 295"},
    {188, {{360, 0xFF, 0}, {361, 0xFF, 0}, {362, 0xFF, 0}, {363, 0xFF, 0x80}}, u"2 147 483 648"},
    // Shoe colours, the highest offset first.
    {208, {{132, 0xFF, 0x11}, {133, 0xFF, 0x22}, {134, 0xFF, 0x33}}, u"332211"},
    {213, {{152, 0xFF, 0xAA}, {153, 0xFF, 0xBB}, {154, 0xFF, 0x0C}}, u"0CBBAA"},
    // Draft years.
    {215, {{181, 0xFF, 46}}, u"2046"},
    {215, {{181, 0xFF, 47}}, u"1947"},
    {215, {{181, 0xFF, 99}}, u"1999"},
    {215, {{181, 0xFF, 100}}, u"2000"},
    {215, {{181, 0xFF, 147}}, u"2047"},
    {215, {{181, 0xFF, 200}}, u"2100"},
    {215, {{181, 0xFF, 0}}, u"2000"},
    {215, {{181, 0xFF, 255}}, u"2155"},
    {220, {{68, 0xFF, 0xFF}, {69, 0xFF, 0xFF}}, u"65535"},
    {222, {{56, 0xFF, 0x34}, {57, 0xFF, 0x12}}, u"4660"},
    // Body tweaks are signed; chest size and prostruction negated.
    {229, {{566, 0xFF, 0x80}}, u"128"},
    {229, {{566, 0xFF, 0x01}}, u"-1"},
    {230, {{567, 0xFF, 0x80}}, u"128"},
    {230, {{567, 0xFF, 0x00}}, u"0"},
    {224, {{561, 0xFF, 0x80}}, u"-128"},
    {224, {{561, 0xFF, 0xFF}}, u"-1"},
    {234, {{571, 0xFF, 0x7F}}, u"127"},
};

INSTANTIATE_TEST_SUITE_P(Fields, DecodeKnown, ::testing::ValuesIn(kDecodeCases));

// ---- Texts that do not convert --------------------------------------------------

struct BadCellCase {
  int column;
  std::u16string cell;
  std::string message;
};

void PrintTo(const BadCellCase& c, std::ostream* os) {
  *os << "column " << c.column << " " << test::Show(c.cell);
}

class BadCell : public ::testing::TestWithParam<BadCellCase> {};

TEST_P(BadCell, FailsWithMessageAndWritesNothing) {
  for (const Record& base : Bases()) {
    Record r = base;
    EXPECT_EQ(MessageOf<ConvertError>([&] { EncodeField(GetParam().column, GetParam().cell, r); }),
              GetParam().message);
    EXPECT_EQ(r, base);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, BadCell,
    ::testing::Values(
        BadCellCase{7, u"12 ", "''12 '' is not a valid integer value"},
        BadCellCase{21, u"", "'''' is not a valid integer value"},
        BadCellCase{60, u"abc", "''abc'' is not a valid integer value"},
        BadCellCase{10, u"0 0", "''0 0'' is not a valid integer value"},
        BadCellCase{10, u"", "'''' is not a valid integer value"},
        BadCellCase{22, u"98,6", "'98,6' is not a valid floating point value"},
        BadCellCase{22, u"", "'' is not a valid floating point value"},
        BadCellCase{59, u"$10", "'$10' is not a valid floating point value"},
        // Three times these is beyond a double: no byte to store.
        BadCellCase{23, u"1e308", "'1e308' is not a valid floating point value"},
        BadCellCase{23, u"-1.7e308", "'-1.7e308' is not a valid floating point value"},
        // Hex pairs: the pair that fails is named with its "$".
        BadCellCase{149, u"12345", "''$'' is not a valid integer value"},
        BadCellCase{149, u"123456", "''$'' is not a valid integer value"},
        BadCellCase{149, u"", "''$'' is not a valid integer value"},
        BadCellCase{149, u"1G345678", "''$1G'' is not a valid integer value"},
        BadCellCase{149, u"12 45678", "''$ 4'' is not a valid integer value"},
        BadCellCase{178, u"-1234567", "''$-1'' is not a valid integer value"},
        BadCellCase{208, u"aabb", "''$'' is not a valid integer value"},
        BadCellCase{208, u"", "''$'' is not a valid integer value"},
        BadCellCase{208, u"zzbbcc", "''$zz'' is not a valid integer value"},
        // Salaries: the text named is the one without its spaces.
        BadCellCase{182, u"2147483648", "''2147483648'' is not a valid integer value"},
        BadCellCase{182, u"2 147 483 648", "''2147483648'' is not a valid integer value"},
        BadCellCase{188, u"4 294 967 295", "''4294967295'' is not a valid integer value"},
        BadCellCase{183, u"1,000", "''1,000'' is not a valid integer value"},
        // Draft years up to 2046 need a third and fourth character.
        BadCellCase{215, u"99", "'''' is not a valid integer value"},
        BadCellCase{215, u"46", "'''' is not a valid integer value"},
        BadCellCase{215, u"", "'''' is not a valid integer value"},
        BadCellCase{215, u"abcd", "''abcd'' is not a valid integer value"},
        BadCellCase{215, u"0x7FE", "''7F'' is not a valid integer value"},
        BadCellCase{229, u"x", "''x'' is not a valid integer value"},
        BadCellCase{220, u"1.5", "''1.5'' is not a valid integer value"}));

// ---- Values no text carries -----------------------------------------------------

struct LossyCase {
  int column;
  BitList before;
  std::u16string shown;
  BitList after;
};

void PrintTo(const LossyCase& c, std::ostream* os) {
  *os << "column " << c.column << Describe(c.before);
}

class Lossy : public ::testing::TestWithParam<LossyCase> {};

TEST_P(Lossy, ShowsAndSavesAsDocumented) {
  for (Record r : Bases()) {
    Put(r, GetParam().before);
    const std::u16string text = DecodeField(GetParam().column, r);
    EXPECT_EQ(text, GetParam().shown);
    Record expected = r;
    Put(expected, GetParam().after);
    EncodeField(GetParam().column, text, r);
    EXPECT_EQ(r, expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, Lossy,
    ::testing::Values(LossyCase{8, {{17, 0xFF, 0x40}, {18, 0xFF, 150}}, u"301", {{17, 0xFF, 0x80}}},
                      LossyCase{8, {{17, 0xFF, 0x33}, {18, 0xFF, 100}}, u"228", {{17, 0xFF, 0x00}}},
                      LossyCase{22, {{436, 0xFF, 226}}, u"100.", {{436, 0xFF, 225}}},
                      LossyCase{22, {{436, 0xFF, 227}}, u"100.", {{436, 0xFF, 225}}},
                      LossyCase{40, {{454, 0xFF, 229}}, u"101.", {{454, 0xFF, 228}}},
                      LossyCase{59, {{473, 0xFF, 254}}, u"109.", {{473, 0xFF, 252}}},
                      LossyCase{215, {{181, 0xFF, 100}}, u"2000", {{181, 0xFF, 0}}},
                      LossyCase{215, {{181, 0xFF, 123}}, u"2023", {{181, 0xFF, 23}}},
                      LossyCase{215, {{181, 0xFF, 146}}, u"2046", {{181, 0xFF, 46}}}));

TEST(Fields, SalaryWithTopBitShowsButCannotBeSaved) {
  Record r = test::RandomRecord(11);
  Put(r, {{340, 0xFF, 0x00}, {341, 0xFF, 0x5E}, {342, 0xFF, 0xD0}, {343, 0xFF, 0xB2}});
  const std::u16string text = DecodeField(183, r);
  EXPECT_EQ(text, u"3 000 000 000");
  const Record before = r;
  EXPECT_EQ(MessageOf<ConvertError>([&] { EncodeField(183, text, r); }),
            "''3000000000'' is not a valid integer value");
  EXPECT_EQ(r, before);
}

TEST(Fields, ExactlyTwentySkillBytesDoNotSurvive) {
  std::vector<int> lost;
  for (int b = 0; b < 256; ++b) {
    Record r(kRecordSize, 0);
    r[450] = static_cast<std::uint8_t>(b);  // column 36
    EncodeField(36, DecodeField(36, r), r);
    if (r[450] != b) lost.push_back(b);
  }
  std::vector<int> expected;
  for (int b = 226; b <= 254; ++b)
    if (b % 3 != 0) expected.push_back(b);
  EXPECT_EQ(expected.size(), 20u);
  EXPECT_EQ(lost, expected);
}

TEST(Fields, DraftYearTypedBefore1947ReadsBackFrom2000On) {
  Record r = test::RandomRecord(5);
  EncodeField(215, u"1946", r);
  EXPECT_EQ(r[181], 46);
  EXPECT_EQ(DecodeField(215, r), u"2046");
}

TEST(Fields, ColourAndAnimationTextsReadBackInUpperCase) {
  Record r = test::RandomRecord(6);
  EncodeField(208, u"aabbcc", r);
  EXPECT_EQ(DecodeField(208, r), u"AABBCC");
  EncodeField(149, u"0a0b0c0d", r);
  EXPECT_EQ(DecodeField(149, r), u"0A0B0C0D");
}

TEST(Fields, OutOfRangeValuesReadBackWrapped) {
  Record r = test::RandomRecord(7);
  EncodeField(7, u"100", r);
  EXPECT_EQ(DecodeField(7, r), u"356");
  EncodeField(8, u"600", r);
  EXPECT_EQ(DecodeField(8, r), u"172");
  EncodeField(10, u"100", r);
  EXPECT_EQ(DecodeField(10, r), u"00");
  EncodeField(122, u"256", r);
  EXPECT_EQ(DecodeField(122, r), u"0");
  EncodeField(148, u"40", r);
  EXPECT_EQ(DecodeField(148, r), u"8");
}

// ---- Whole-record properties -----------------------------------------------------

// Every bit some column owns.
std::array<std::uint8_t, kRecordSize> Coverage() {
  std::array<std::uint8_t, kRecordSize> all{};
  for (int c = kFirstFieldColumn; c < kColumnCount; ++c) {
    const auto m = MaskOf(c);
    for (std::size_t b = 0; b < kRecordSize; ++b) {
      EXPECT_EQ(all[b] & m[b], 0) << "byte " << b << " owned twice, column " << c;
      all[b] |= m[b];
    }
  }
  return all;
}

// The text that stores 0 in every owned bit of a column.
std::u16string ZeroText(int column) {
  if (column >= 22 && column <= 59) return u"25";
  if (column >= 149 && column <= 178) return u"00000000";
  if (column >= 208 && column <= 213) return u"000000";
  switch (column) {
    case 7:
      return u"128";
    case 8:
      return u"128";
    case 9:
      return u"217";
    case 215:
      return u"2000";
    default:
      return u"0";
  }
}

TEST(FieldsRecord, GroupsCoverEveryFieldColumn) {
  int next = kFirstFieldColumn;
  for (const ColumnGroup& g : kColumnGroups) {
    EXPECT_EQ(g.First, next);
    next = g.Last + 1;
  }
  EXPECT_EQ(next, kColumnCount);
}

TEST(FieldsRecord, ZeroingEveryColumnKeepsExactlyTheUnownedBits) {
  const auto covered = Coverage();
  Record r(kRecordSize, 0xFF);
  for (int c = kFirstFieldColumn; c < kColumnCount; ++c) EncodeField(c, ZeroText(c), r);
  for (std::size_t b = 0; b < kRecordSize; ++b)
    EXPECT_EQ(r[b], static_cast<std::uint8_t>(~covered[b])) << "byte " << b;
  // The name pointers and the untouched runs stay whole.
  for (int b = 0; b < 8; ++b) EXPECT_EQ(r[b], 0xFF);
  for (int b : {135, 139, 143, 147, 151, 155, 156, 364}) EXPECT_EQ(r[b], 0xFF) << b;
}

TEST(FieldsRecord, WritingOrderDoesNotMatter) {
  for (std::uint32_t seed = 20; seed < 25; ++seed) {
    // Texts of one record written into another, in three different orders.
    Record source = test::RandomRecord(seed);
    for (int k = 0; k < 7; ++k) source[339 + 4 * k] &= 0x7F;  // savable salaries
    std::vector<std::u16string> texts(kColumnCount);
    for (int c = kFirstFieldColumn; c < kColumnCount; ++c) texts[c] = DecodeField(c, source);
    const Record base = test::RandomRecord(seed + 100);
    Record ascending = base, descending = base, recordOrder = base;
    for (int c = kFirstFieldColumn; c < kColumnCount; ++c) EncodeField(c, texts[c], ascending);
    for (int c = kColumnCount - 1; c >= kFirstFieldColumn; --c)
      EncodeField(c, texts[c], descending);
    for (int p = kFirstFieldColumn; p < kColumnCount; ++p) {
      const int c = ColumnAtRecordPosition(p);
      EncodeField(c, texts[c], recordOrder);
    }
    EXPECT_EQ(ascending, descending);
    EXPECT_EQ(ascending, recordOrder);
  }
}

// ---- Per-column properties, columns 6 to 234 --------------------------------------

// Makes the bytes of a column's values that no text carries into values that
// one does, so that the rest must come back exactly.
void MakeCarried(int column, Record& r) {
  if (column == 8) r[17] = (r[18] >= 128 && r[17] != 0) ? 0x80 : 0x00;
  if (column >= 22 && column <= 59) {
    std::uint8_t& b = r[column + 414];
    if (b >= 226 && b % 3 != 0) b = static_cast<std::uint8_t>(b - b % 3);
  }
  if (column == 215 && r[181] >= 100 && r[181] <= 146)
    r[181] = static_cast<std::uint8_t>(r[181] - 100);
  if (column >= 182 && column <= 188) r[339 + 4 * (column - 182)] &= 0x7F;
}

void DecodedTextEncodesBack(int column) {
  for (std::uint32_t k = 0; k < 40; ++k) {
    Record r = test::RandomRecord(static_cast<std::uint32_t>(column) * 1000 + k);
    MakeCarried(column, r);
    const Record before = r;
    EncodeField(column, DecodeField(column, r), r);
    ASSERT_EQ(r, before) << "text '" << ToUtf8(DecodeField(column, before)) << "'";
  }
}

void DecodeReadsOnlyOwnBits(int column) {
  const auto mask = MaskOf(column);
  for (std::uint32_t k = 0; k < 20; ++k) {
    const Record r = test::RandomRecord(column * 7919u + k);
    Record other = test::RandomRecord(column * 104729u + k);
    for (std::size_t b = 0; b < kRecordSize; ++b)
      other[b] = static_cast<std::uint8_t>((other[b] & ~mask[b]) | (r[b] & mask[b]));
    EXPECT_EQ(DecodeField(column, other), DecodeField(column, r));
  }
}

void EncodeWritesOnlyOwnBits(int column) {
  const auto mask = MaskOf(column);
  std::vector<std::u16string> texts = {u"0",           u"1",        u"-1",         u"7",
                                       u"100",         u"255",      u"256",        u"1000",
                                       u"65535",       u"65536",    u"70000",      u"2147483647",
                                       u"-2147483648", u"$FF",      u"00",         u"2046",
                                       u"1946",        u"2047",     u"2155",       u"99.5",
                                       u"-5",          u"FFFFFFFF", u"00000000",   u"0a0b0c0d",
                                       u"aabbcc",      u"1234567",  u"12345",      u"",
                                       u"abc",         u"1e2",      u" 1 000 000", u"4 294 967 295",
                                       u"110",         u"25.3"};
  // And values across the column's own width.
  std::mt19937 rng(static_cast<std::uint32_t>(column));
  for (int k = 0; k < 20; ++k) texts.push_back(Ascii(std::to_string(rng() % 70000)));
  for (const Record& base : Bases()) {
    for (const auto& text : texts) {
      Record r = base;
      try {
        EncodeField(column, text, r);
      } catch (const ConvertError&) {
        EXPECT_EQ(r, base) << "failed text '" << ToUtf8(text) << "' wrote";
        continue;
      }
      for (std::size_t b = 0; b < kRecordSize; ++b)
        ASSERT_EQ((r[b] ^ base[b]) & ~mask[b], 0)
            << "text '" << ToUtf8(text) << "' changed byte " << b;
    }
  }
}

// One row per column group; together the groups cover columns 6 to 234.
class EveryColumnOfGroup : public ::testing::TestWithParam<int> {
 protected:
  template <typename Check>
  void ForEachColumn(Check check) {
    const ColumnGroup& g = kColumnGroups[GetParam()];
    for (int column = g.First; column <= g.Last; ++column) {
      SCOPED_TRACE("column " + std::to_string(column));
      check(column);
    }
  }
};

TEST_P(EveryColumnOfGroup, DecodedTextEncodesBackToTheSameRecord) {
  ForEachColumn(DecodedTextEncodesBack);
}

TEST_P(EveryColumnOfGroup, DecodeReadsOnlyTheColumnsBits) {
  ForEachColumn(DecodeReadsOnlyOwnBits);
}

TEST_P(EveryColumnOfGroup, EncodeWritesOnlyTheColumnsBits) {
  ForEachColumn(EncodeWritesOnlyOwnBits);
}

INSTANTIATE_TEST_SUITE_P(Fields, EveryColumnOfGroup, ::testing::Range(0, kGroupCount),
                         [](const auto& info) {
                           const ColumnGroup& g = kColumnGroups[info.param];
                           return "Columns" + std::to_string(g.First) + "To" +
                                  std::to_string(g.Last);
                         });

// ---- Columns whose cell is the stored value in decimal -------------------------------

class PlainColumn : public ::testing::TestWithParam<int> {};

TEST_P(PlainColumn, ValueLandsInTheOwnedBits) {
  const int column = GetParam();
  int width = 0;
  for (const auto& o : test::OwnedBitsOf(column)) width += std::popcount(o.mask);
  const std::uint64_t max = (std::uint64_t{1} << width) - 1;
  std::vector<std::uint64_t> values = {0, 1, max, max / 2};
  std::mt19937 rng(static_cast<std::uint32_t>(column) + 77);
  for (int k = 0; k < 10; ++k) values.push_back(rng() % (max + 1));
  for (const Record& base : Bases()) {
    for (const std::uint64_t v : values) {
      Record r = base;
      const std::u16string text = Ascii(std::to_string(v));
      EncodeField(column, text, r);
      EXPECT_EQ(OwnedValue(column, r), v) << "value " << v;
      EXPECT_EQ(DecodeField(column, r), column == 10 && v == 100 ? u"00" : text);
      // A negative value stores its two's complement, cut to the width.
      EncodeField(column, Ascii("-" + std::to_string(v)), r);
      if (column != 220) {
        EXPECT_EQ(OwnedValue(column, r), (0 - v) & max) << "value -" << v;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Fields, PlainColumn,
                         ::testing::Values(6, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 60,
                                           86, 121, 122, 146, 147, 148, 179, 180, 181, 189, 190,
                                           191, 192, 193, 194, 195, 196, 197, 198, 199, 200, 201,
                                           202, 203, 204, 205, 206, 207, 214, 216, 217, 218, 219,
                                           220, 221, 222, 223));

}  // namespace
}  // namespace orrimax

namespace orrimax {
namespace {

// ---- The bit primitive, against a bit-by-bit reading of a place -------------

// Byte and bit of a place's container bit `b`: little-endian, or a run
// whose first byte holds the highest bits.
std::pair<int, int> ContainerBit(const Place& p, int b) {
  return {p.run ? p.offset + p.bytes - 1 - b / 8 : p.offset + b / 8, b % 8};
}

struct PlaceKind {
  const char* name;
  int bytes;
  bool run;
};

class BitPrimitive : public ::testing::TestWithParam<PlaceKind> {};

TEST_P(BitPrimitive, ReadsAndWritesExactlyItsBitsAtEveryShiftAndWidth) {
  const PlaceKind kind = GetParam();
  std::mt19937 random(7);
  for (int shift = 0; shift < 8 * kind.bytes; ++shift) {
    for (int width = 1; shift + width <= 8 * kind.bytes && width <= 32; ++width) {
      const Place place{3, kind.bytes, shift, width, kind.run};
      std::array<std::uint8_t, 12> record;
      for (auto& b : record) b = static_cast<std::uint8_t>(random());
      std::uint32_t expected = 0;
      for (int i = 0; i < width; ++i) {
        const auto [byte, bit] = ContainerBit(place, shift + i);
        expected |= std::uint32_t{(record[byte] >> bit) & 1u} << i;
      }
      ASSERT_EQ(ReadPlace(place, record.data()), expected) << kind.name << shift << "/" << width;

      const std::uint32_t value = random();
      auto written = record;
      WritePlace(place, written.data(), value);
      auto reference = record;
      for (int i = 0; i < width; ++i) {
        const auto [byte, bit] = ContainerBit(place, shift + i);
        reference[byte] = static_cast<std::uint8_t>((reference[byte] & ~(1u << bit)) |
                                                    (((value >> i) & 1u) << bit));
      }
      ASSERT_EQ(written, reference) << kind.name << " shift " << shift << " width " << width;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Fields, BitPrimitive,
                         ::testing::Values(PlaceKind{"byte", 1, false},
                                           PlaceKind{"bits16", 2, false},
                                           PlaceKind{"le24", 3, false}, PlaceKind{"le32", 4, false},
                                           PlaceKind{"run24", 3, true},
                                           PlaceKind{"run32", 4, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orrimax
