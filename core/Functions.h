// Byte order and the grouped form of money amounts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orrimax {

inline std::uint32_t ReadU32LE(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

inline void WriteU32LE(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Decimal digits with a space before every complete group of three, counted
// from the right: 1234567 gives "1 234 567", 123456 gives " 123 456".
std::u16string GroupDigits(std::uint32_t n);
// The same into `buffer` (16 units); returns the end of the text.
char16_t* GroupDigitsInto(std::uint32_t n, char16_t* buffer);

// Puts a space before every group of three characters counted from the right,
// counting every character (spaces already there included).
std::u16string RegroupDigits(std::u16string_view text);

// The text without its U+0020 spaces.
std::u16string RemoveSpaces(std::u16string_view text);

}  // namespace orrimax
