// Conversions between the core's UTF-16 texts and UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace orrimax {

// UTF-8 for messages and output; a lone surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// Like ToUtf8, but a lone surrogate is written as its own three-byte
// sequence (WTF-8), so that any pool text survives a trip through a file.
std::string ToWtf8(std::u16string_view text);

// The UTF-8 bytes of one code point (a surrogate too, as WTF-8 writes it).
void AppendCodePoint(std::string& out, char32_t cp);

// Reads UTF-8 (and the WTF-8 surrogate sequences of ToWtf8). Returns false
// on malformed input, leaving `out` unspecified.
bool FromWtf8(std::string_view bytes, std::u16string& out);

// For ASCII literals and numbers.
std::u16string Ascii(std::string_view text);

// The decimal text of `n` ("-" first when negative), written to the end of
// `buffer`: no allocation, for the codec's millions of cells.
std::u16string_view FormatDecimal(std::int64_t n, char16_t (&buffer)[24]);
std::u16string Decimal(std::int64_t n);

// The value of a hexadecimal digit of either case, or -1. A table: animation
// codes are random digits, which branches on the digit's kind mispredict.
inline constexpr auto kHexDigitValues = [] {
  std::array<std::int8_t, 128> values{};
  values.fill(-1);
  for (int d = 0; d < 10; ++d) values['0' + d] = static_cast<std::int8_t>(d);
  for (int d = 0; d < 6; ++d) {
    values['a' + d] = static_cast<std::int8_t>(10 + d);
    values['A' + d] = static_cast<std::int8_t>(10 + d);
  }
  return values;
}();
inline int HexDigitValue(char16_t c) {
  return c < kHexDigitValues.size() ? kHexDigitValues[c] : -1;
}

}  // namespace orrimax
