// One column of the player table (or of the names bank) as texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace orrimax {

// A column stores each of its texts once, in one UTF-16 buffer, and every
// cell is the index of its stored text: one byte while the column has at
// most 256 stored texts, two bytes up to 65,536, four beyond. Player
// columns repeat a handful of values (ratings, tendencies, gear), so the
// largest roster's 15.4 million cells take about 1.5 bytes each, plus the
// texts that differ from cell to cell (animation codes, shoe colours).
//
// Rewriting a cell stores its new text; a column rewritten wholesale looks
// for an equal stored text first. Texts that cells let go of are dropped
// once they could outweigh both the live texts and the rows, and on copy.
// Index 0 is always the empty text, so new rows cost nothing but their index.
class ColumnList {
 public:
  ColumnList() = default;
  explicit ColumnList(std::size_t rows) { resize(rows); }
  ColumnList(const ColumnList& other);
  ColumnList& operator=(const ColumnList& other);
  ColumnList(ColumnList&&) noexcept = default;
  ColumnList& operator=(ColumnList&&) noexcept = default;

  std::size_t size() const { return codes_.size() >> shift_; }
  bool empty() const { return codes_.empty(); }

  std::u16string_view operator[](std::size_t row) const { return stored(textIndex(row)); }

  void set(std::size_t row, std::u16string_view text);
  void push_back(std::u16string_view text);
  // Appends a cell showing the stored text of `index` (as textIndex gives
  // it), without looking at the text.
  void push_back_index(std::size_t index) {
    if (index >= textCount()) throwOutOfRange("ColumnList::push_back_index");
    appendIndex(static_cast<std::uint32_t>(index));
  }
  void insert(std::size_t row, std::u16string_view text);
  void erase(std::size_t row);
  // New rows are empty.
  void resize(std::size_t rows);
  // Empties the column and gives its memory back.
  void clear();
  // Room for rows, for code units of stored text and for stored texts.
  void reserve(std::size_t rows, std::size_t chars, std::size_t texts = 0);

  // Cells with the same index show the same stored text (equal texts may
  // still be stored twice); indexes run below textCount(). Lets a reader
  // convert each stored text once instead of once per cell.
  std::size_t textIndex(std::size_t row) const {
    const std::uint8_t* code = codes_.data() + (row << shift_);
    if (shift_ == 0) return *code;
    if (shift_ == 1) {
      std::uint16_t index;
      std::memcpy(&index, code, sizeof index);
      return index;
    }
    std::uint32_t index;
    std::memcpy(&index, code, sizeof index);
    return index;
  }
  std::size_t textCount() const { return texts_.size(); }

  // Code units held, live and dead; for memory figures.
  std::size_t bufferSize() const { return buffer_.size(); }

 private:
  struct Text {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
  };

  std::u16string_view stored(std::size_t index) const {
    const Text t = texts_[index];
    return {buffer_.data() + t.offset, t.length};
  }
  void ensureEmptyText();
  std::uint32_t store(std::u16string_view text);
  std::uint32_t find(std::u16string_view text) const;
  void remember(std::uint32_t index);
  void buildLookup();
  void writeIndex(std::size_t row, std::uint32_t index);
  void appendIndex(std::uint32_t index) {
    if (shift_ == 0) {
      codes_.push_back(static_cast<std::uint8_t>(index));
      return;
    }
    std::uint8_t bytes[sizeof index];
    if (shift_ == 1) {
      const auto narrow = static_cast<std::uint16_t>(index);
      std::memcpy(bytes, &narrow, sizeof narrow);
    } else {
      std::memcpy(bytes, &index, sizeof index);
    }
    // Byte by byte: an insert of two or four bytes costs a library call.
    for (std::size_t k = 0; k < std::size_t{1} << shift_; ++k) codes_.push_back(bytes[k]);
  }
  [[noreturn]] static void throwOutOfRange(const char* what);
  void widen(unsigned shift);
  void letGo(std::size_t row) { orphaned_ += texts_[textIndex(row)].length; }
  void collectIfWasteful();
  void copyLiveInto(ColumnList& out) const;

  std::vector<char16_t> buffer_;
  std::vector<Text> texts_;          // texts_[0] is the empty text once any row exists
  std::vector<std::uint8_t> codes_;  // size() indexes of 1 << shift_ bytes each
  unsigned shift_ = 0;
  // Code units of stored texts that a cell stopped using: more than the dead
  // text when other cells share them, never less.
  std::size_t orphaned_ = 0;
  // Open addressing over the stored texts (slot 0: free), built on the
  // first rewrite of a column with few texts, and once a column with many
  // has been rewritten often: a column that is only read, or edited by
  // hand, never pays for it.
  std::vector<std::uint32_t> lookup_;
  std::size_t rewrites_ = 0;
};

// The value of each of a column's stored texts, parsed when the first cell
// with that text is asked for: cells that share a text (most of a roster's)
// are parsed once, and a bad text still fails at its first cell.
template <typename T>
class ParsedOnce {
 public:
  explicit ParsedOnce(const ColumnList& column)
      : column_(column), value_(column.textCount()), known_(column.textCount()) {}

  template <typename Parse>
  T operator()(std::size_t row, Parse&& parse) {
    const std::size_t index = column_.textIndex(row);
    if (!known_[index]) {
      value_[index] = parse(column_[row]);
      known_[index] = 1;
    }
    return value_[index];
  }

 private:
  const ColumnList& column_;
  std::vector<T> value_;
  std::vector<std::uint8_t> known_;
};

}  // namespace orrimax
