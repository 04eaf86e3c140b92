// The integer parse, the decimal-fraction parse and the rating text, with
// the exact messages the user sees.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "DB.h"
#include "TestSupport.h"

namespace orrimax {
namespace {

using test::MessageOf;

// ---- Integer parse -------------------------------------------------------------

struct IntegerCase {
  std::u16string text;
  std::int32_t value;
};

void PrintTo(const IntegerCase& c, std::ostream* os) {
  *os << test::Show(c.text);
}

class IntegerAccepted : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerAccepted, Value) {
  EXPECT_EQ(ParseInteger(GetParam().text), GetParam().value);
  EXPECT_EQ(TryParseInteger(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, IntegerAccepted,
    ::testing::Values(IntegerCase{u"12", 12}, IntegerCase{u" 12", 12}, IntegerCase{u"    12", 12},
                      IntegerCase{u"+12", 12}, IntegerCase{u"-12", -12}, IntegerCase{u" -12", -12},
                      IntegerCase{u"0", 0}, IntegerCase{u"-0", 0}, IntegerCase{u"007", 7},
                      IntegerCase{u"00", 0}, IntegerCase{u"000000000000000000042", 42},
                      // Hexadecimal prefixes, digits of either case.
                      IntegerCase{u"$1F", 31}, IntegerCase{u"$1f", 31}, IntegerCase{u"x1F", 31},
                      IntegerCase{u"X1F", 31}, IntegerCase{u"0x1F", 31}, IntegerCase{u"0X1f", 31},
                      IntegerCase{u" $1F", 31}, IntegerCase{u"-$1F", -31},
                      IntegerCase{u"+0x10", 16}, IntegerCase{u"-x10", -16}, IntegerCase{u"$0", 0},
                      IntegerCase{u"$00000001", 1}, IntegerCase{u"$aBcDeF", 0xABCDEF},
                      // Eight hex digits are a 32-bit two's-complement value.
                      IntegerCase{u"$FFFFFFFF", -1}, IntegerCase{u"$7FFFFFFF", 2147483647},
                      IntegerCase{u"$80000000", -2147483647 - 1},
                      IntegerCase{u"-$80000000", -2147483647 - 1}, IntegerCase{u"-$FFFFFFFF", 1},
                      // The decimal limits of the signed 32-bit range.
                      IntegerCase{u"2147483647", 2147483647},
                      IntegerCase{u"+2147483647", 2147483647},
                      IntegerCase{u"-2147483648", -2147483647 - 1},
                      IntegerCase{u"-2147483647", -2147483647}));

struct RejectedCase {
  std::u16string text;
  std::string message;
};

void PrintTo(const RejectedCase& c, std::ostream* os) {
  *os << test::Show(c.text);
}

class IntegerRejected : public ::testing::TestWithParam<RejectedCase> {};

TEST_P(IntegerRejected, Message) {
  EXPECT_EQ(MessageOf<ConvertError>([&] { ParseInteger(GetParam().text); }), GetParam().message);
  EXPECT_FALSE(TryParseInteger(GetParam().text).has_value());
}

// The doubled apostrophes are part of the message.
INSTANTIATE_TEST_SUITE_P(
    Numbers, IntegerRejected,
    ::testing::Values(RejectedCase{u"12 ", "''12 '' is not a valid integer value"},
                      RejectedCase{u"", "'''' is not a valid integer value"},
                      RejectedCase{u" ", "'' '' is not a valid integer value"},
                      RejectedCase{u" 12 ", "'' 12 '' is not a valid integer value"},
                      RejectedCase{u"+", "''+'' is not a valid integer value"},
                      RejectedCase{u"-", "''-'' is not a valid integer value"},
                      RejectedCase{u" -", "'' -'' is not a valid integer value"},
                      RejectedCase{u"--1", "''--1'' is not a valid integer value"},
                      RejectedCase{u"+-1", "''+-1'' is not a valid integer value"},
                      RejectedCase{u"- 1", "''- 1'' is not a valid integer value"},
                      RejectedCase{u"1 2", "''1 2'' is not a valid integer value"},
                      RejectedCase{u"12a", "''12a'' is not a valid integer value"},
                      RejectedCase{u"1.0", "''1.0'' is not a valid integer value"},
                      RejectedCase{u"1e3", "''1e3'' is not a valid integer value"},
                      RejectedCase{u"\t12", "''\t12'' is not a valid integer value"},
                      RejectedCase{u"abc", "''abc'' is not a valid integer value"},
                      RejectedCase{u"2147483648", "''2147483648'' is not a valid integer value"},
                      RejectedCase{u"-2147483649", "''-2147483649'' is not a valid integer value"},
                      RejectedCase{u"99999999999999999999",
                                   "''99999999999999999999'' is not a valid integer value"},
                      RejectedCase{u"$", "''$'' is not a valid integer value"},
                      RejectedCase{u"x", "''x'' is not a valid integer value"},
                      RejectedCase{u"0x", "''0x'' is not a valid integer value"},
                      RejectedCase{u"-$", "''-$'' is not a valid integer value"},
                      RejectedCase{u"$123456789", "''$123456789'' is not a valid integer value"},
                      RejectedCase{u"0x100000000", "''0x100000000'' is not a valid integer value"},
                      RejectedCase{u"$000000001", "''$000000001'' is not a valid integer value"},
                      RejectedCase{u"$1G", "''$1G'' is not a valid integer value"},
                      RejectedCase{u"$ 1", "''$ 1'' is not a valid integer value"},
                      RejectedCase{u"$-1", "''$-1'' is not a valid integer value"},
                      RejectedCase{u"$1F ", "''$1F '' is not a valid integer value"},
                      RejectedCase{u"0x0x1", "''0x0x1'' is not a valid integer value"},
                      RejectedCase{u"１２",
                                   "''\xEF\xBC\x91\xEF\xBC\x92'' is not a valid integer value"},
                      RejectedCase{u"Ğ", "''\xC4\x9E'' is not a valid integer value"}));

// ---- Decimal-fraction parse ------------------------------------------------------

struct FloatCase {
  std::u16string text;
  double value;
};

void PrintTo(const FloatCase& c, std::ostream* os) {
  *os << test::Show(c.text);
}

class FloatAccepted : public ::testing::TestWithParam<FloatCase> {};

TEST_P(FloatAccepted, Value) {
  EXPECT_DOUBLE_EQ(ParseFloat(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, FloatAccepted,
    ::testing::Values(FloatCase{u"98.6", 98.6}, FloatCase{u"100.", 100.0}, FloatCase{u"100", 100.0},
                      FloatCase{u"0", 0.0}, FloatCase{u"-0", 0.0}, FloatCase{u".5", 0.5},
                      FloatCase{u"+1.5", 1.5}, FloatCase{u"-1.5", -1.5}, FloatCase{u" 99", 99.0},
                      FloatCase{u"99 ", 99.0}, FloatCase{u"  99.5  ", 99.5},
                      FloatCase{u"1e2", 100.0}, FloatCase{u"1E2", 100.0}, FloatCase{u"1e+2", 100.0},
                      FloatCase{u"2.5e-1", 0.25}, FloatCase{u"9.9E1", 99.0}, FloatCase{u"-5", -5.0},
                      FloatCase{u"007.50", 7.5}, FloatCase{u"1e2 ", 100.0}));

class FloatRejected : public ::testing::TestWithParam<RejectedCase> {};

TEST_P(FloatRejected, Message) {
  EXPECT_EQ(MessageOf<ConvertError>([&] { ParseFloat(GetParam().text); }), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, FloatRejected,
    ::testing::Values(RejectedCase{u"98,6", "'98,6' is not a valid floating point value"},
                      RejectedCase{u"1,000", "'1,000' is not a valid floating point value"},
                      RejectedCase{u"", "'' is not a valid floating point value"},
                      RejectedCase{u" ", "' ' is not a valid floating point value"},
                      RejectedCase{u".", "'.' is not a valid floating point value"},
                      RejectedCase{u"+", "'+' is not a valid floating point value"},
                      RejectedCase{u"-", "'-' is not a valid floating point value"},
                      RejectedCase{u"-.", "'-.' is not a valid floating point value"},
                      RejectedCase{u"e5", "'e5' is not a valid floating point value"},
                      RejectedCase{u"1e", "'1e' is not a valid floating point value"},
                      RejectedCase{u"1e+", "'1e+' is not a valid floating point value"},
                      RejectedCase{u"1.2.3", "'1.2.3' is not a valid floating point value"},
                      RejectedCase{u"1..2", "'1..2' is not a valid floating point value"},
                      RejectedCase{u"1 .5", "'1 .5' is not a valid floating point value"},
                      RejectedCase{u"1e5x", "'1e5x' is not a valid floating point value"},
                      RejectedCase{u"$1", "'$1' is not a valid floating point value"},
                      RejectedCase{u"0x1", "'0x1' is not a valid floating point value"},
                      RejectedCase{u"abc", "'abc' is not a valid floating point value"},
                      RejectedCase{u"nan", "'nan' is not a valid floating point value"},
                      RejectedCase{u"inf", "'inf' is not a valid floating point value"},
                      RejectedCase{u"--1", "'--1' is not a valid floating point value"}));

// Over- and underflow follow the value, however the text spells it.
struct ExtremeCase {
  std::u16string text;
  bool refused;  // too large to hold; otherwise it underflows to 0
};

void PrintTo(const ExtremeCase& c, std::ostream* os) {
  *os << test::Show(c.text.substr(0, 12)) << "... (" << c.text.size() << " characters)";
}

class FloatExtreme : public ::testing::TestWithParam<ExtremeCase> {};

TEST_P(FloatExtreme, RefusedWhenTooLargeZeroWhenTooSmall) {
  const std::u16string& text = GetParam().text;
  std::array<std::uint8_t, kRecordSize> record{};
  if (GetParam().refused) {
    EXPECT_EQ(MessageOf<ConvertError>([&] { ParseFloat(text); }),
              "'" + ToUtf8(text) + "' is not a valid floating point value");
  } else {
    EXPECT_EQ(ParseFloat(text), 0.0);
    EncodeField(22, text, record);  // a rating of 0 stores 3 * 0 - 75, low byte
    EXPECT_EQ(record[436], 181);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, FloatExtreme,
    ::testing::Values(ExtremeCase{u"1e400", true},
                      ExtremeCase{u"1" + std::u16string(400, u'0') + u"e-5", true},
                      ExtremeCase{u"0." + std::u16string(400, u'0') + u"1e800", true},
                      ExtremeCase{u"-1e309", true}, ExtremeCase{u"1e99999999999999999999", true},
                      ExtremeCase{u"1e-331", false}, ExtremeCase{u"1e-400", false},
                      ExtremeCase{u"0." + std::u16string(330, u'0') + u"1", false},
                      ExtremeCase{u"." + std::u16string(330, u'0') + u"1", false},
                      ExtremeCase{u"1" + std::u16string(400, u'0') + u"e-800", false},
                      ExtremeCase{u"1e-99999999999999999999", false}));

// ---- Rating text ----------------------------------------------------------------

struct RatingCase {
  int byte;
  std::u16string text;
};

void PrintTo(const RatingCase& c, std::ostream* os) {
  *os << "byte " << c.byte;
}

class RatingTextKnown : public ::testing::TestWithParam<RatingCase> {};

TEST_P(RatingTextKnown, Text) {
  EXPECT_EQ(RatingText(static_cast<std::uint8_t>(GetParam().byte)), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, RatingTextKnown,
    ::testing::Values(RatingCase{0, u"25"}, RatingCase{1, u"25.3"}, RatingCase{2, u"25.6"},
                      RatingCase{3, u"26"}, RatingCase{220, u"98.3"}, RatingCase{221, u"98.6"},
                      RatingCase{222, u"99"}, RatingCase{223, u"99.3"}, RatingCase{224, u"99.6"},
                      RatingCase{225, u"100"}, RatingCase{226, u"100."}, RatingCase{227, u"100."},
                      RatingCase{228, u"101"}, RatingCase{252, u"109"}, RatingCase{253, u"109."},
                      RatingCase{254, u"109."}, RatingCase{255, u"110"}));

TEST(RatingText, EveryTextIsAtMostFourCharacters) {
  for (int b = 0; b < 256; ++b) EXPECT_LE(RatingText(static_cast<std::uint8_t>(b)).size(), 4u) << b;
}

TEST(RatingText, TextsParseBackToTheirRatingBelowOneHundred) {
  // The fraction digit is cut, not rounded: two thirds shows as 6.
  for (int b = 0; b <= 224; ++b) {
    const double rating = (b + 75) / 3.0;
    const double shown = ParseFloat(RatingText(static_cast<std::uint8_t>(b)));
    EXPECT_LE(shown, rating + 1e-9) << b;
    EXPECT_GT(shown, rating - 0.1) << b;
  }
}

}  // namespace
}  // namespace orrimax
