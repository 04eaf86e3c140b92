// The number parses every cell conversion goes through, with the runtime's
// rules and messages, and the rating text of the skill columns.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <string>

#include "DB.h"
#include "Text.h"

namespace orrimax {
namespace {

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

}  // namespace

std::optional<std::int32_t> TryParseInteger(std::u16string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == u' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';

  bool hex = false;
  if (i < s.size() && (s[i] == u'$' || s[i] == u'x' || s[i] == u'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
    hex = true;
    i += 2;
  }
  if (i == s.size()) return std::nullopt;

  if (hex) {
    if (s.size() - i > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (; i < s.size(); ++i) {
      const int d = HexDigitValue(s[i]);
      if (d < 0) return std::nullopt;
      value = (value << 4) | static_cast<std::uint32_t>(d);
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
  }

  // Decimal: the magnitude may reach 2^31 only with a minus sign.
  std::uint64_t magnitude = 0;
  for (; i < s.size(); ++i) {
    if (!IsDigit(s[i])) return std::nullopt;
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(s[i] - u'0');
    if (magnitude > 2147483648ull) return std::nullopt;
  }
  if (!negative && magnitude > 2147483647ull) return std::nullopt;
  return static_cast<std::int32_t>(negative ? -static_cast<std::int64_t>(magnitude)
                                            : static_cast<std::int64_t>(magnitude));
}

std::int32_t ParseInteger(std::u16string_view text) {
  if (const auto value = TryParseInteger(text)) return *value;
  throw ConvertError("''" + ToUtf8(text) + "'' is not a valid integer value");
}

double ParseFloat(std::u16string_view text) {
  const auto fail = [&]() -> double {
    throw ConvertError("'" + ToUtf8(text) + "' is not a valid floating point value");
  };
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  std::string ascii;  // the number without blanks, for from_chars
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-') ascii += '-';
    ++i;
  }
  std::int64_t digits = 0;
  std::int64_t integerDigits = 0;
  std::int64_t firstNonZero = -1;  // index among the digits
  bool point = false;
  for (; i < text.size(); ++i) {
    if (IsDigit(text[i])) {
      if (firstNonZero < 0 && text[i] != u'0') firstNonZero = digits;
      ++digits;
      if (!point) ++integerDigits;
    } else if (text[i] == u'.' && !point) {
      point = true;
    } else {
      break;
    }
    ascii += static_cast<char>(text[i]);
  }
  if (digits == 0) return fail();
  std::int64_t exponent = 0;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    ascii += 'e';
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
      negativeExponent = text[i] == u'-';
      ascii += static_cast<char>(text[i++]);
    }
    int exponentDigits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++exponentDigits) {
      ascii += static_cast<char>(text[i]);
      // Saturates far beyond the range of any double.
      exponent = std::min<std::int64_t>(exponent * 10 + (text[i] - u'0'), 1'000'000'000);
    }
    if (exponentDigits == 0) return fail();
    if (negativeExponent) exponent = -exponent;
  }
  while (i < text.size() && text[i] == u' ') ++i;
  if (i != text.size()) return fail();

  double value = 0;
  const auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (ec == std::errc::result_out_of_range) {
    // The value's order of magnitude decides, not how the text is written:
    // 1 and 400 zeros with e-5 is too large, 0.(330 zeros)1 merely tiny.
    const std::int64_t magnitude = integerDigits - firstNonZero - 1 + exponent;
    if (firstNonZero >= 0 && magnitude < 0) return 0.0;  // underflow reads as zero
    return fail();
  }
  if (ec != std::errc() || end != ascii.data() + ascii.size()) return fail();
  return value;
}

}  // namespace orrimax
