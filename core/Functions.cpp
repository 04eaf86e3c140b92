#include "Functions.h"

#include <algorithm>

namespace orrimax {

char16_t* GroupDigitsInto(std::uint32_t n, char16_t* buffer) {
  // Built from the right end of a scratch area, then moved to the front.
  char16_t scratch[16];
  char16_t* p = scratch + 16;
  if (n == 0) *--p = u'0';
  int produced = 0;
  while (n != 0) {
    *--p = static_cast<char16_t>(u'0' + n % 10);
    n /= 10;
    if (++produced % 3 == 0) *--p = u' ';
  }
  return std::copy(p, scratch + 16, buffer);
}

std::u16string GroupDigits(std::uint32_t n) {
  char16_t buffer[16];
  return {buffer, GroupDigitsInto(n, buffer)};
}

std::u16string RegroupDigits(std::u16string_view text) {
  const std::size_t groups = text.size() / 3;
  const std::size_t rest = text.size() - groups * 3;
  std::u16string result(text.substr(0, rest));
  result.reserve(text.size() + groups);
  for (std::size_t g = 0; g < groups; ++g) {
    result += u' ';
    result += text.substr(rest + 3 * g, 3);
  }
  return result;
}

std::u16string RemoveSpaces(std::u16string_view text) {
  std::u16string result;
  result.reserve(text.size());
  for (char16_t c : text)
    if (c != u' ') result += c;
  return result;
}

}  // namespace orrimax
