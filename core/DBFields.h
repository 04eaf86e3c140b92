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
std::uint32_t ReadPlace(const Place& p, const std::uint8_t* record);
void WritePlace(const Place& p, std::uint8_t* record, std::uint32_t value);
void DecodeFieldText(const FieldColumn& f, const std::uint8_t* record, CellText& out);
void EncodeFieldText(const FieldColumn& f, std::u16string_view cell, std::uint8_t* record);

}  // namespace orrimax
