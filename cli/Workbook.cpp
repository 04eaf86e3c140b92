// What the workbook reader and writer share: the cell store, cell names and
// the _xHHHH_ escape, and the rows as text.
#include "Workbook.h"

#include <algorithm>
#include <cstring>
#include <system_error>

#include "Errors.h"
#include "FileIO.h"
#include "Text.h"
#include "WorkbookEscape.h"

namespace orrimax::cli {

std::string CellName(std::size_t row, std::size_t column) {
  std::string letters;
  for (std::size_t c = column + 1; c > 0; c = (c - 1) / 26)
    letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
  return letters + std::to_string(row + 1);
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The code unit of an escape _xHHHH_ at `at`, or -1.
int EscapeAt(std::string_view text, std::size_t at) {
  if (at + 7 > text.size() || text[at] != '_' || text[at + 1] != 'x' || text[at + 6] != '_')
    return -1;
  int unit = 0;
  for (std::size_t k = at + 2; k < at + 6; ++k) {
    const int digit = HexValue(text[k]);
    if (digit < 0) return -1;
    unit = unit * 16 + digit;
  }
  return unit;
}

void AppendEscape(std::string& out, char32_t unit) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += "_x";
  for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(unit >> shift) & 0xF];
  out += '_';
}

// The length of the UTF-8 (or WTF-8) sequence at `at` and its code point,
// or 0 for malformed bytes.
std::size_t DecodeSequence(std::string_view text, std::size_t at, char32_t& c) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(at);
  std::size_t length = lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
  if (length == 0 || at + length > text.size()) return 0;
  c = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(at + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (byte(at + k) & 0x3F);
  }
  const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < least[length] || c > 0x10FFFF) return 0;
  return length;
}

}  // namespace

void EscapeForWorkbook(std::string_view cell, std::string& out) {
  for (std::size_t i = 0; i < cell.size();) {
    const unsigned char b = static_cast<unsigned char>(cell[i]);
    if (b < 0x80) {
      // XML holds no control character but TAB, LF and CR, and turns a CR
      // into an LF when it reads one.
      if (b < 0x20 && b != '\t' && b != '\n')
        AppendEscape(out, b);
      else if (b == '_' && EscapeAt(cell, i) >= 0)
        out += "_x005F_";  // the text's own "_xHHHH_" stays text
      else
        out += static_cast<char>(b);
      ++i;
      continue;
    }
    char32_t c = 0;
    const std::size_t length = DecodeSequence(cell, i, c);
    if (length == 0) throw RosterError("The text is not valid UTF-8");
    if ((c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF)
      AppendEscape(out, c);
    else
      out.append(cell.substr(i, length));
    i += length;
  }
}

void DecodeWorkbookText(std::string_view text, std::string& out) {
  for (std::size_t i = 0; i < text.size();) {
    const int unit = text[i] == '_' ? EscapeAt(text, i) : -1;
    if (unit < 0) {
      out += text[i++];
      continue;
    }
    i += 7;
    char32_t c = static_cast<char32_t>(unit);
    const int next = EscapeAt(text, i);
    if (c >= 0xD800 && c <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(next) - 0xDC00);
      i += 7;
    }
    AppendCodePoint(out, c);
  }
}

std::string_view CellRows::cell(std::size_t row, std::size_t column) const {
  if (row >= rows() || column >= cells(row)) return {};
  const std::size_t k = RowBegin(row) + column;
  const std::size_t begin = k == 0 ? 0 : cellEnds_[k - 1];
  return std::string_view(text_).substr(begin, cellEnds_[k] - begin);
}

void CellRows::AddCell(std::string_view text) {
  text_ += text;
  cellEnds_.push_back(static_cast<std::uint32_t>(text_.size()));
  ++rowEnds_.back();
}

std::size_t CellRows::CellCount() const {
  return cellEnds_.size();
}

std::size_t CellRows::TextSize() const {
  return text_.size();
}

bool LooksLikeWorkbook(std::span<const std::uint8_t> bytes) {
  static constexpr std::uint8_t kZipSignature[] = {'P', 'K', 3, 4};
  return bytes.size() >= 4 && std::equal(kZipSignature, kZipSignature + 4, bytes.begin());
}

std::string RowsAsText(const CellRows& rows, std::size_t width, std::string_view sheet) {
  const auto isEmpty = [&](std::size_t r) {
    for (std::size_t c = 0; c < rows.cells(r); ++c)
      if (!rows.cell(r, c).empty()) return false;
    return true;
  };
  std::size_t count = rows.rows();
  while (count > 0 && isEmpty(count - 1)) --count;
  std::string text;
  for (std::size_t r = 0; r < count; ++r) {
    std::size_t cells = rows.cells(r);
    while (cells > width && rows.cell(r, cells - 1).empty()) --cells;
    if (cells > width) {
      std::size_t first = width;
      while (rows.cell(r, first).empty()) ++first;
      throw RosterError("Cell " + CellName(r, first) + " is not empty, but " + std::string(sheet) +
                        " has " + std::to_string(width) + " columns");
    }
    for (std::size_t c = 0; c < width; ++c) {
      if (c > 0) text += '\t';
      const std::string_view cell = rows.cell(r, c);
      if (cell.find_first_of("\t\r\n\"") == std::string_view::npos) {
        text += cell;
        continue;
      }
      text += '"';
      for (const char ch : cell) {
        if (ch == '"') text += '"';
        text += ch;
      }
      text += '"';
    }
    text += "\r\n";
  }
  return text;
}

}  // namespace orrimax::cli
