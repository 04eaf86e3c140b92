// What export and import share of the direct way between record bytes and
// cell texts: how each field column's bytes are reached, and the cell of
// every value of each text form narrow enough to list them.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "DBFields.h"

namespace orrimax::cli {

// A cell of a few bytes, its TAB first. A row copies all eight bytes
// whatever the length: its room allows it, and one fixed copy is faster.
struct ShortCell {
  static constexpr std::size_t kBytes = 7;
  char text[kBytes];
  std::uint8_t length;

  char* write(char* out) const {
    std::memcpy(out, this, sizeof *this);
    return out + length;
  }
  // The cell's text, without its TAB.
  std::string_view value() const { return {text + 1, length - 1u}; }
};
static_assert(sizeof(ShortCell) == 8);

// The cells of every value of a text form, for the columns narrow enough to
// list them. A form's text depends on the value alone (hex also on the
// place's byte count), and so does the value it reads from a text; so the
// columns of a form share one list, which stays in the cache where 183
// lists of their own would not.
class FormCells {
 public:
  struct List {
    const TextForm* form;
    int bytes;
    std::vector<ShortCell> cells;
    bool tooLong;  // a text does not fit: not listed
  };

  // The lists of every field column's form.
  FormCells();

  // The number of `field`'s list, or -1 when it has none.
  int of(const FieldColumn& field) const;
  const List& list(int k) const { return lists_[static_cast<std::size_t>(k)]; }

 private:
  static constexpr int kMaxWidth = 10;
  // The list of `field`'s form and byte count, added if there is none yet.
  std::size_t index(const FieldColumn& field);
  std::vector<List> lists_;
};

// How the direct ways reach one field column's value.
struct FieldStep {
  enum class Kind : std::uint8_t {
    Byte,    // bits of one byte, through a list
    Word,    // bits of two little-endian bytes, through a list
    Listed,  // any other narrow place, through a list
    Hex,     // whole bytes as hex digits, each byte two digits
    Other    // through the form, as it comes
  };
  Kind kind = Kind::Other;
  std::uint8_t shift = 0;
  std::uint16_t offset = 0;
  std::uint8_t bytes = 0;  // the place's
  bool run = false;
  std::uint32_t mask = 0;
  int list = -1;
  const FieldColumn* field = nullptr;

  std::uint32_t word(const std::uint8_t* record) const {
    return record[offset] | std::uint32_t{record[offset + 1]} << 8;
  }
  // Where the record holds the byte of hex digits `2k` and `2k + 1`: a
  // run's bytes in record order, a little-endian value's the other way round.
  std::size_t hexOffset(int k) const {
    return offset + static_cast<std::size_t>(run ? k : bytes - 1 - k);
  }
};

// The steps of columns kFirstFieldColumn to kColumnCount - 1.
std::vector<FieldStep> FieldSteps(const FormCells& lists);

// "00" to "FF", a byte's two hex digits.
inline constexpr auto kHexPairs = [] {
  std::array<std::array<char, 2>, 256> pairs{};
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (std::size_t b = 0; b < pairs.size(); ++b) pairs[b] = {kDigits[b >> 4], kDigits[b & 15]};
  return pairs;
}();

}  // namespace orrimax::cli
