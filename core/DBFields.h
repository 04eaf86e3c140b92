// The field descriptors behind DecodeField and EncodeField; internal to DB.
#pragma once

#include <cstdint>
#include <string_view>

#include "DB.h"

namespace orrimax {

// A cell text being built, without allocation per cell.
class CellText {
 public:
  void push(char16_t c) { buffer_[length_++] = c; }
  void append(const char16_t* first, const char16_t* last) {
    while (first != last) push(*first++);
  }
  void append(std::u16string_view text) { append(text.data(), text.data() + text.size()); }
  std::u16string_view view() const { return {buffer_, length_}; }
  void clear() { length_ = 0; }

 private:
  char16_t buffer_[32];
  std::size_t length_ = 0;
};

// A field column is its row of the catalogue.
using FieldColumn = ColumnInfo;

inline const FieldColumn& FieldOf(int column) {
  return kColumns[static_cast<std::size_t>(column)];
}

void AppendRating(std::uint8_t b, CellText& out);
// The one read and write of a place. Most fields lie within one byte
// (ratings, tendencies, gear bits) and take the short way inline; the
// wider ones go through the general container read and write.
std::uint32_t ReadWidePlace(const Place& p, const std::uint8_t* record);
void WriteWidePlace(const Place& p, std::uint8_t* record, std::uint32_t value);

inline bool InOneByte(const Place& p) {
  return p.bytes == 1 && !p.run && p.width <= 8;
}
inline std::uint32_t ReadPlace(const Place& p, const std::uint8_t* record) {
  if (!InOneByte(p)) return ReadWidePlace(p, record);
  return (record[p.offset] >> p.shift) & ((1u << p.width) - 1);
}
inline void WritePlace(const Place& p, std::uint8_t* record, std::uint32_t value) {
  if (!InOneByte(p)) return WriteWidePlace(p, record, value);
  const std::uint32_t mask = ((1u << p.width) - 1) << p.shift;
  std::uint8_t& byte = record[p.offset];
  byte = static_cast<std::uint8_t>((byte & ~mask) | ((value << p.shift) & mask));
}
void DecodeFieldText(const FieldColumn& f, const std::uint8_t* record, CellText& out);
void EncodeFieldText(const FieldColumn& f, std::u16string_view cell, std::uint8_t* record);

}  // namespace orrimax
