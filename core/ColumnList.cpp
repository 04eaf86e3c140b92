#include "ColumnList.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace orrimax {

ColumnList::ColumnList(const ColumnList& other) : cells_(other.cells_.size()) {
  text_.reserve(other.text_.size() - other.dead_);
  for (std::size_t r = 0; r < other.size(); ++r) cells_[r] = append(other[r]);
}

ColumnList& ColumnList::operator=(const ColumnList& other) {
  if (this != &other) {
    ColumnList copy(other);
    *this = std::move(copy);
  }
  return *this;
}

ColumnList::Cell ColumnList::append(std::u16string_view text) {
  if (text.size() > UINT32_MAX || text_.size() > UINT32_MAX - text.size())
    throw std::length_error("cell text too long");
  Cell c{static_cast<std::uint32_t>(text_.size()), static_cast<std::uint32_t>(text.size())};
  text_.insert(text_.end(), text.begin(), text.end());
  return c;
}

void ColumnList::set(std::size_t row, std::u16string_view text) {
  Cell& c = cells_.at(row);
  if (text.size() <= c.length) {
    // Fits where the old text was; the text may be a part of this very cell.
    std::char_traits<char16_t>::move(text_.data() + c.offset, text.data(), text.size());
    dead_ += c.length - text.size();
    c.length = static_cast<std::uint32_t>(text.size());
    return;
  }
  const bool aliases =
      !text.empty() && text.data() >= text_.data() && text.data() < text_.data() + text_.size();
  const std::size_t oldLength = c.length;
  if (aliases) {
    const std::u16string copy(text);
    cells_[row] = append(copy);
  } else {
    cells_[row] = append(text);
  }
  dead_ += oldLength;
  if (dead_ > 4096 && dead_ > text_.size() - dead_) compact();
}

void ColumnList::push_back(std::u16string_view text) {
  cells_.push_back({});
  set(cells_.size() - 1, text);
}

void ColumnList::insert(std::size_t row, std::u16string_view text) {
  if (row > cells_.size()) throw std::out_of_range("ColumnList::insert");
  cells_.insert(cells_.begin() + static_cast<std::ptrdiff_t>(row), Cell{});
  set(row, text);
}

void ColumnList::erase(std::size_t row) {
  dead_ += cells_.at(row).length;
  cells_.erase(cells_.begin() + static_cast<std::ptrdiff_t>(row));
}

void ColumnList::clear() {
  text_.clear();
  cells_.clear();
  dead_ = 0;
}

void ColumnList::reserve(std::size_t rows, std::size_t chars) {
  cells_.reserve(rows);
  text_.reserve(chars);
}

void ColumnList::compact() {
  std::vector<char16_t> fresh;
  fresh.reserve(text_.size() - dead_);
  for (Cell& c : cells_) {
    const std::uint32_t offset = static_cast<std::uint32_t>(fresh.size());
    fresh.insert(fresh.end(), text_.begin() + c.offset, text_.begin() + c.offset + c.length);
    c.offset = offset;
  }
  text_ = std::move(fresh);
  dead_ = 0;
}

}  // namespace orrimax
