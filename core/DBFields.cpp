// The field codec of columns 6 to 234: one descriptor per column saying where
// its value lies in the 572-byte record and which text form it takes. One
// generic read and write of a place; the text forms are small functions.
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

constexpr TextForm kDecimal{DecodeDecimal, EncodeDecimal};
constexpr TextForm kHeight{DecodeHeight, EncodeHeight};
constexpr TextForm kWeight{DecodeWeight, EncodeWeight};
constexpr TextForm kAge{DecodeAge, EncodeAge};
constexpr TextForm kJersey{DecodeJersey, EncodeJersey};
constexpr TextForm kRating{DecodeRating, EncodeRating};
constexpr TextForm kMoney{DecodeMoney, EncodeMoney};
constexpr TextForm kHex{DecodeHex, EncodeHex};
constexpr TextForm kDraftYear{DecodeDraftYear, EncodeDraftYear};
constexpr TextForm kInjuryDays{DecodeDecimal, EncodeInjuryDays};
constexpr TextForm kTweak{DecodeTweak, EncodeDecimal};
constexpr TextForm kNegatedTweak{DecodeNegatedTweak, EncodeNegatedTweak};

// ---- Places, by kind --------------------------------------------------------------

// Whole byte at o.
constexpr Place Byte(int o) {
  return {o, 1, 0, 8, false};
}
// Bits s .. s + w - 1 of the byte at o.
constexpr Place Bits(int o, int s, int w) {
  return {o, 1, s, w, false};
}
// Bits s .. s + w - 1 of the little-endian 16-bit value of bytes o and o + 1.
constexpr Place Bits16(int o, int s, int w) {
  return {o, 2, s, w, false};
}
// Unsigned little-endian value of n bytes at o.
constexpr Place LittleEndian(int o, int n) {
  return {o, n, 0, 8 * n, false};
}
// n bytes at o, shown in record order.
constexpr Place Run(int o, int n) {
  return {o, n, 0, 8 * n, true};
}

// Columns 6 to 234 by display column. The codec visits them in record order
// (ColumnAtRecordPosition), which decides only which bad cell a save names.
struct FieldTable {
  std::array<FieldColumn, kColumnCount> columns{};

  void Set(int column, Place place, const TextForm& form) { columns[column] = {place, &form}; }

  FieldTable() {
    // Identity, bio and appearance.
    Set(6, Bits(32, 5, 3), kDecimal);        // PlType
    Set(7, Byte(14), kHeight);               // Height
    Set(8, LittleEndian(17, 2), kWeight);    // Weight
    Set(9, Byte(30), kAge);                  // Age
    Set(10, Bits16(33, 5, 7), kJersey);      // Number
    Set(11, Bits16(121, 6, 5), kDecimal);    // Years Pro
    Set(12, Bits(121, 0, 3), kDecimal);      // Pos
    Set(13, Bits(121, 3, 3), kDecimal);      // 2nd Pos
    Set(14, Bits(207, 7, 1), kDecimal);      // Hand
    Set(15, Bits(171, 6, 2), kDecimal);      // GenericF
    Set(16, LittleEndian(28, 2), kDecimal);  // Portr/CF ID
    Set(17, Bits(159, 3, 3), kDecimal);      // SkinTone
    Set(18, Bits(159, 6, 1), kDecimal);      // Muscles
    Set(19, Bits16(125, 7, 3), kDecimal);    // EyeColor
    Set(20, Bits16(124, 6, 3), kDecimal);    // Bodytype
    Set(21, Byte(54), kDecimal);             // MinsAsg

    // Skills (22-59), tendencies (60-121) and hot spots (122-146): one
    // byte each, column c at byte c + 414.
    for (int c = 22; c <= 59; ++c) Set(c, Byte(c + 414), kRating);
    for (int c = 60; c <= 146; ++c) Set(c, Byte(c + 414), kDecimal);

    // Signature packages and animation identifiers.
    Set(147, Bits(399, 1, 7), kDecimal);  // ALayUp
    Set(148, Bits(400, 0, 5), kDecimal);  // ADunk
    for (int k = 0; k < 30; ++k) Set(149 + k, Run(212 + 4 * k, 4), kHex);

    // Contract.
    Set(179, Bits(122, 3, 3), kDecimal);  // CClrYears
    Set(180, Bits(169, 4, 2), kDecimal);  // COption
    Set(181, Bits(211, 7, 1), kDecimal);  // CNoTrade
    for (int k = 0; k < 7; ++k) Set(182 + k, LittleEndian(336 + 4 * k, 4), kMoney);

    // Gear.
    Set(189, Bits(125, 5, 2), kDecimal);                                           // GHeadband
    Set(190, Bits(404, 0, 4), kDecimal);                                           // GLftArBnd
    Set(191, Bits(404, 4, 4), kDecimal);                                           // GRgtArBnd
    Set(192, Bits16(158, 6, 5), kDecimal);                                         // GLftElbPd
    Set(193, Bits(160, 0, 5), kDecimal);                                           // GRgtElbPd
    Set(194, Bits16(161, 7, 3), kDecimal);                                         // GLftHand
    Set(195, Bits(412, 2, 3), kDecimal);                                           // GRgtHand
    Set(196, Bits16(157, 4, 5), kDecimal);                                         // GLftWrBnd
    Set(197, Bits(158, 1, 5), kDecimal);                                           // GRgtWrBnd
    Set(198, Bits16(160, 5, 5), kDecimal);                                         // GLftKnPad
    Set(199, Bits(161, 2, 5), kDecimal);                                           // GRgtKnPad
    Set(200, Bits(405, 0, 3), kDecimal);                                           // GLftAnkle
    Set(201, Bits(412, 5, 3), kDecimal);                                           // GRgtAnkle
    Set(202, Bits(167, 4, 4), kDecimal);                                           // GSockLngh
    Set(203, Bits(405, 3, 5), kDecimal);                                           // GUndrShrt
    Set(204, Bits(162, 2, 6), kDecimal);                                           // GShorts
    Set(205, Bits16(128, 7, 3), kDecimal);                                         // GShsBrand
    Set(206, Bits(129, 2, 5), kDecimal);                                           // GShsModel
    Set(207, Bits(129, 7, 1), kDecimal);                                           // GShsUCusC
    for (int k = 0; k < 6; ++k) Set(208 + k, LittleEndian(132 + 4 * k, 3), kHex);  // shoe colours

    // Draft and status.
    Set(214, Bits(172, 0, 6), kDecimal);         // DraftPos
    Set(215, Byte(181), kDraftYear);             // DraftYear
    Set(216, Bits(207, 3, 4), kDecimal);         // DraftRound
    Set(217, Bits(53, 6, 2), kDecimal);          // Personality
    Set(218, Bits(397, 1, 3), kDecimal);         // Loyality
    Set(219, Bits(398, 0, 3), kDecimal);         // Play4Winner
    Set(220, LittleEndian(68, 2), kInjuryDays);  // InjDaysLeft
    Set(221, Byte(120), kDecimal);               // InjType
    Set(222, LittleEndian(56, 2), kDecimal);     // Some ID
    Set(223, LittleEndian(384, 2), kDecimal);    // Some ID2

    // Body tweaks: signed bytes, chest size and prostruction negated.
    for (int k = 0; k < 11; ++k) Set(224 + k, Byte(561 + k), kTweak);
    Set(229, Byte(566), kNegatedTweak);  // BTChstSize
    Set(230, Byte(567), kNegatedTweak);  // BTChstPrst
  }
};

const FieldTable& Fields() {
  static const FieldTable table;
  return table;
}

}  // namespace

const FieldColumn& FieldOf(int column) {
  return Fields().columns[column];
}

std::uint32_t ReadPlace(const Place& p, const std::uint8_t* record) {
  return (ReadContainer(p, record) >> p.shift) & Mask(p.width);
}

void WritePlace(const Place& p, std::uint8_t* record, std::uint32_t value) {
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
