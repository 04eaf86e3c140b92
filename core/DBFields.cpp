// The field codec of columns 6 to 234: the catalogue says where each value
// lies in the 572-byte record and which text form it takes. One generic
// read and write of a place; the text forms are small functions.
#include <array>
#include <cmath>
#include <string>

#include "DBFields.h"
#include "Functions.h"
#include "Text.h"

namespace orrimax {
namespace {

// ---- Places -------------------------------------------------------------------

constexpr std::uint32_t Mask(int width) {
  return width >= 32 ? 0xFFFFFFFFu : (std::uint32_t{1} << width) - 1;
}

std::uint32_t ReadContainer(const Place& p, const std::uint8_t* record) {
  if (p.bytes == 1) return record[p.offset];  // most fields: ratings, tendencies, gear
  std::uint32_t value = 0;
  for (int i = 0; i < p.bytes; ++i) {
    // A run reads its bytes in record order, the first as the highest.
    const int shift = p.run ? 8 * (p.bytes - 1 - i) : 8 * i;
    value |= std::uint32_t{record[p.offset + i]} << shift;
  }
  return value;
}

void WriteContainer(const Place& p, std::uint8_t* record, std::uint32_t value) {
  if (p.bytes == 1) {
    record[p.offset] = static_cast<std::uint8_t>(value);
    return;
  }
  for (int i = 0; i < p.bytes; ++i) {
    const int shift = p.run ? 8 * (p.bytes - 1 - i) : 8 * i;
    record[p.offset + i] = static_cast<std::uint8_t>(value >> shift);
  }
}

// ---- Text forms -----------------------------------------------------------------

void AppendDecimal(std::int64_t v, CellText& out) {
  char16_t buffer[24];
  out.append(FormatDecimal(v, buffer));
}

std::uint32_t Unsigned(std::int32_t v) {
  return static_cast<std::uint32_t>(v);
}

std::int32_t SignedByte(std::uint32_t field) {
  return static_cast<std::int8_t>(field & 0xFF);
}

// A pair is parsed with "$" in front, so an empty or bad pair names "$" and
// the pair in its message. One or two hex digits, what every animation cell
// holds, are read directly: the same value without building the text.
std::uint32_t ParseHexPair(std::u16string_view pair) {
  const int high = pair.empty() ? -1 : HexDigitValue(pair[0]);
  if (high >= 0 && pair.size() == 1) return static_cast<std::uint32_t>(high);
  const int low = pair.size() == 2 ? HexDigitValue(pair[1]) : -1;
  if (high >= 0 && low >= 0) return static_cast<std::uint32_t>(16 * high + low);
  std::u16string text = u"$";
  text += pair;
  return Unsigned(ParseInteger(text)) & 0xFF;
}

std::uint32_t ParseHexPairs(std::u16string_view cell, int pairs) {
  std::uint32_t value = 0;
  if (cell.size() == static_cast<std::size_t>(2 * pairs)) {
    // Every pair whole, as the column shows them: one pass over the digits.
    std::size_t k = 0;
    for (int digit; k < cell.size() && (digit = HexDigitValue(cell[k])) >= 0; ++k)
      value = (value << 4) | static_cast<std::uint32_t>(digit);
    if (k == cell.size()) return value;
    value = 0;
  }
  for (int k = 0; k < pairs; ++k) {
    const auto at = static_cast<std::size_t>(2 * k);
    value =
        (value << 8) | ParseHexPair(at < cell.size() ? cell.substr(at, 2) : std::u16string_view{});
  }
  return value;
}

void DecodeDecimal(const FieldColumn&, std::uint32_t field, CellText& out) {
  AppendDecimal(field, out);
}
std::uint32_t EncodeDecimal(const FieldColumn&, std::u16string_view cell) {
  return Unsigned(ParseInteger(cell));
}

// The header's unit is centimetres; the byte holds the height less 128.
void DecodeHeight(const FieldColumn&, std::uint32_t field, CellText& out) {
  AppendDecimal(field + 128, out);
}
std::uint32_t EncodeHeight(const FieldColumn&, std::u16string_view cell) {
  return Unsigned(ParseInteger(cell)) - 128;
}

// Bytes 17 (low) and 18 (high): pounds from 128 to 511, in one-pound steps
// from 256 on, where byte 17 only says whether the weight is odd.
void DecodeWeight(const FieldColumn&, std::uint32_t field, CellText& out) {
  const std::uint32_t b17 = field & 0xFF;
  const std::uint32_t b18 = field >> 8;
  if (b18 < 128)
    AppendDecimal(b18 + 128, out);
  else
    AppendDecimal(2 * (b18 - 128) + 256 + (b17 != 0 ? 1 : 0), out);
}
std::uint32_t EncodeWeight(const FieldColumn&, std::u16string_view cell) {
  const std::uint32_t u = (Unsigned(ParseInteger(cell)) - 128) & 0xFFFF;
  if (u < 128) return u << 8;
  const std::uint32_t b18 = ((u - 128) / 2 + 128) & 0xFF;
  const std::uint32_t b17 = ((u - 128) % 2 != 0) ? 128 : 0;
  return (b18 << 8) | b17;
}

void DecodeAge(const FieldColumn&, std::uint32_t field, CellText& out) {
  AppendDecimal(217 - static_cast<std::int64_t>(field), out);
}
std::uint32_t EncodeAge(const FieldColumn&, std::u16string_view cell) {
  return 217u - Unsigned(ParseInteger(cell));
}

// The game shows the jersey number 100 as "00".
void DecodeJersey(const FieldColumn&, std::uint32_t field, CellText& out) {
  if (field == 100)
    out.append(u"00");
  else
    AppendDecimal(field, out);
}
std::uint32_t EncodeJersey(const FieldColumn&, std::u16string_view cell) {
  if (cell == u"00") return 100;
  return Unsigned(ParseInteger(cell));
}

void DecodeRating(const FieldColumn&, std::uint32_t field, CellText& out) {
  AppendRating(static_cast<std::uint8_t>(field), out);
}
std::uint32_t EncodeRating(const FieldColumn&, std::u16string_view cell) {
  const double x = ParseFloat(cell);
  const double scaled = 3.0 * x - 75.0;
  // Near the limit of a double, 3x is infinite and has no low bits to keep:
  // refuse it as the parse refuses a number too large to hold.
  if (!std::isfinite(scaled))
    throw ConvertError("'" + ToUtf8(cell) + "' is not a valid floating point value");
  // 3x - 75, rounded half to even (the default rounding mode), low 8 bits.
  const double stored = std::fmod(std::nearbyint(scaled), 256.0);
  return static_cast<std::uint32_t>(static_cast<int>(stored) + 256) & 0xFF;
}

void DecodeMoney(const FieldColumn&, std::uint32_t field, CellText& out) {
  char16_t buffer[16];
  out.append(buffer, GroupDigitsInto(field, buffer));
}
std::uint32_t EncodeMoney(const FieldColumn&, std::u16string_view cell) {
  // A grouped amount fits a small buffer; the spaces go without an allocation.
  char16_t digits[32];
  if (cell.size() > std::size(digits)) return Unsigned(ParseInteger(RemoveSpaces(cell)));
  std::size_t length = 0;
  for (const char16_t c : cell)
    if (c != u' ') digits[length++] = c;
  return Unsigned(ParseInteger({digits, length}));
}

void DecodeHex(const FieldColumn& f, std::uint32_t field, CellText& out) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  for (int shift = 8 * f.place.bytes - 4; shift >= 0; shift -= 4)
    out.push(kDigits[(field >> shift) & 0xF]);
}
std::uint32_t EncodeHex(const FieldColumn& f, std::u16string_view cell) {
  return ParseHexPairs(cell, f.place.bytes);
}

// A byte from 47 up is 1900 + byte, below 47 it is 2000 + byte.
void DecodeDraftYear(const FieldColumn&, std::uint32_t field, CellText& out) {
  AppendDecimal(field >= 47 ? 1900 + field : 2000 + field, out);
}
std::uint32_t EncodeDraftYear(const FieldColumn&, std::u16string_view cell) {
  const std::int32_t year = ParseInteger(cell);
  if (year <= 2046) {
    // Up to 2046 the byte is the year's third and fourth characters.
    const std::u16string_view digits = cell.size() > 2 ? cell.substr(2, 2) : std::u16string_view{};
    return Unsigned(ParseInteger(digits));
  }
  return Unsigned(year) - 1900;
}

// Bytes 68 and 69 take the low byte and the truncated quotient by 256.
std::uint32_t EncodeInjuryDays(const FieldColumn&, std::u16string_view cell) {
  const std::int32_t v = ParseInteger(cell);
  return (Unsigned(v) & 0xFF) | ((Unsigned(v / 256) & 0xFF) << 8);
}

void DecodeTweak(const FieldColumn&, std::uint32_t field, CellText& out) {
  AppendDecimal(SignedByte(field), out);
}

// Chest size and prostruction are shown with the opposite sign.
void DecodeNegatedTweak(const FieldColumn&, std::uint32_t field, CellText& out) {
  AppendDecimal(-static_cast<std::int64_t>(SignedByte(field)), out);
}
std::uint32_t EncodeNegatedTweak(const FieldColumn&, std::u16string_view cell) {
  return 0u - Unsigned(ParseInteger(cell));
}

}  // namespace

constexpr TextForm kDecimalForm{DecodeDecimal, EncodeDecimal};
constexpr TextForm kHeightForm{DecodeHeight, EncodeHeight};
constexpr TextForm kWeightForm{DecodeWeight, EncodeWeight};
constexpr TextForm kAgeForm{DecodeAge, EncodeAge};
constexpr TextForm kJerseyForm{DecodeJersey, EncodeJersey};
constexpr TextForm kRatingForm{DecodeRating, EncodeRating};
constexpr TextForm kMoneyForm{DecodeMoney, EncodeMoney};
constexpr TextForm kHexForm{DecodeHex, EncodeHex};
constexpr TextForm kDraftYearForm{DecodeDraftYear, EncodeDraftYear};
constexpr TextForm kInjuryDaysForm{DecodeDecimal, EncodeInjuryDays};
constexpr TextForm kTweakForm{DecodeTweak, EncodeDecimal};
constexpr TextForm kNegatedTweakForm{DecodeNegatedTweak, EncodeNegatedTweak};

std::uint32_t ReadWidePlace(const Place& p, const std::uint8_t* record) {
  return (ReadContainer(p, record) >> p.shift) & Mask(p.width);
}

void WriteWidePlace(const Place& p, std::uint8_t* record, std::uint32_t value) {
  const std::uint32_t mask = Mask(p.width) << p.shift;
  const std::uint32_t old = ReadContainer(p, record);
  WriteContainer(p, record, (old & ~mask) | ((value << p.shift) & mask));
}

void DecodeFieldText(const FieldColumn& f, const std::uint8_t* record, CellText& out) {
  f.form->decode(f, ReadPlace(f.place, record), out);
}

void EncodeFieldText(const FieldColumn& f, std::u16string_view cell, std::uint8_t* record) {
  WritePlace(f.place, record, f.form->encode(f, cell));
}

void AppendRating(std::uint8_t b, CellText& out) {
  const int q = (b + 75) / 3;
  const int r = (b + 75) % 3;
  AppendDecimal(q, out);
  if (r == 0) return;
  // The general form cut to four characters: one fraction digit below 100,
  // a bare point from 100 up. The digit is cut, not rounded.
  out.push(u'.');
  if (q < 100) out.push(r == 1 ? u'3' : u'6');
}

std::u16string RatingText(std::uint8_t b) {
  CellText text;
  AppendRating(b, text);
  return std::u16string(text.view());
}

std::u16string DecodeField(int column, std::span<const std::uint8_t> record) {
  CellText text;
  DecodeFieldText(FieldOf(column), record.data(), text);
  return std::u16string(text.view());
}

void EncodeField(int column, std::u16string_view cell, std::span<std::uint8_t> record) {
  EncodeFieldText(FieldOf(column), cell, record.data());
}

}  // namespace orrimax
