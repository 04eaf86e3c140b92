// The field descriptors behind DecodeField and EncodeField; internal to DB.
#pragma once

#include <cstdint>
#include <string_view>

#include "DB.h"

namespace orrimax {

// Where a field lies: `bytes` bytes at `offset` read as one unsigned value
// (little-endian, or in record order for a run), of which bits
// shift .. shift + width - 1 are the field.
struct Place {
  int offset = 0;
  int bytes = 1;
  int shift = 0;
  int width = 8;
  bool run = false;
};

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

struct FieldColumn;

// A text form: the field's value to its cell text, and a cell text to the
// value to store (only its low `width` bits are kept).
struct TextForm {
  void (*decode)(const FieldColumn&, std::uint32_t field, CellText& out);
  std::uint32_t (*encode)(const FieldColumn&, std::u16string_view cell);
};

struct FieldColumn {
  Place place;
  const TextForm* form = nullptr;
};

const FieldColumn& FieldOf(int column);
void AppendRating(std::uint8_t b, CellText& out);
std::uint32_t ReadPlace(const Place& p, const std::uint8_t* record);
void WritePlace(const Place& p, std::uint8_t* record, std::uint32_t value);
void DecodeFieldText(const FieldColumn& f, const std::uint8_t* record, CellText& out);
void EncodeFieldText(const FieldColumn& f, std::u16string_view cell, std::uint8_t* record);

}  // namespace orrimax
