// Cells addressed (column, row) as a grid shows them, wherever they are kept:
// the editing rules of the core read and write through this, be the cells a
// window's grid or a command-line tool's columns.
#pragma once

#include <string_view>
#include <vector>

#include "ColumnList.h"

namespace orrimax {

class CellStore {
 public:
  virtual int rowCount() const = 0;
  virtual std::u16string_view cell(int col, int row) const = 0;
  virtual void setCell(int col, int row, std::u16string_view text) = 0;
  // Row `row` appears, empty in every column; the rows from it on move down.
  virtual void insertRow(int row) = 0;
  // Row `row` goes; the rows after it move up.
  virtual void deleteRow(int row) = 0;

 protected:
  ~CellStore() = default;
};

// A CellStore over whole columns kept elsewhere (all of one length).
class ColumnStore final : public CellStore {
 public:
  explicit ColumnStore(std::vector<ColumnList*> columns) : columns_(std::move(columns)) {}

  int rowCount() const override {
    return columns_.empty() ? 0 : static_cast<int>(columns_.front()->size());
  }
  // Outside the columns and rows kept, a cell is empty and stays so.
  std::u16string_view cell(int col, int row) const override {
    const ColumnList* column = at(col);
    return column && row >= 0 && static_cast<std::size_t>(row) < column->size()
               ? (*column)[static_cast<std::size_t>(row)]
               : std::u16string_view{};
  }
  void setCell(int col, int row, std::u16string_view text) override {
    ColumnList* column = at(col);
    if (column && row >= 0 && static_cast<std::size_t>(row) < column->size())
      column->set(static_cast<std::size_t>(row), text);
  }
  void insertRow(int row) override {
    for (ColumnList* column : columns_)
      if (column) column->insert(static_cast<std::size_t>(row), u"");
  }
  void deleteRow(int row) override {
    for (ColumnList* column : columns_)
      if (column) column->erase(static_cast<std::size_t>(row));
  }

 private:
  ColumnList* at(int col) const {
    return col >= 0 && static_cast<std::size_t>(col) < columns_.size()
               ? columns_[static_cast<std::size_t>(col)]
               : nullptr;
  }

  std::vector<ColumnList*> columns_;  // by column number; null: not kept
};

// The names commands' row operations: an empty row below row `a`, and the
// removal of row `a` (a below 0 counts as 0 for both).
inline void InsertGridRow(CellStore& cells, int a) {
  cells.insertRow((a < 0 ? 0 : a) + 1);
}
inline void DeleteGridRow(CellStore& cells, int a) {
  cells.deleteRow(a < 0 ? 0 : a);
}

}  // namespace orrimax
