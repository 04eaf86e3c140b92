// One column of the player table (or of the names bank) as texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace orrimax {

// Cells live in one UTF-16 buffer per column, each an offset and a length
// into it. A rewritten cell reuses its place when the new text fits and is
// appended otherwise; the dead space is reclaimed once it outgrows the live
// text. A 65,535-player table thus costs 8 bytes per cell plus its text.
class ColumnList {
 public:
  ColumnList() = default;
  explicit ColumnList(std::size_t rows) : cells_(rows) {}
  ColumnList(const ColumnList& other);
  ColumnList& operator=(const ColumnList& other);
  ColumnList(ColumnList&&) noexcept = default;
  ColumnList& operator=(ColumnList&&) noexcept = default;

  std::size_t size() const { return cells_.size(); }
  bool empty() const { return cells_.empty(); }

  std::u16string_view operator[](std::size_t row) const {
    const Cell c = cells_[row];
    return {text_.data() + c.offset, c.length};
  }

  void set(std::size_t row, std::u16string_view text);
  void push_back(std::u16string_view text);
  void insert(std::size_t row, std::u16string_view text);
  void erase(std::size_t row);
  // New rows are empty.
  void resize(std::size_t rows) { cells_.resize(rows); }
  void clear();
  void reserve(std::size_t rows, std::size_t chars);

  // Code units held, live and dead; for memory figures.
  std::size_t bufferSize() const { return text_.size(); }

 private:
  struct Cell {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
  };

  Cell append(std::u16string_view text);
  void compact();

  std::vector<char16_t> text_;
  std::vector<Cell> cells_;
  std::size_t dead_ = 0;
};

}  // namespace orrimax
