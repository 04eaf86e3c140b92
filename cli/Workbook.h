// Spreadsheet workbooks (.xlsx) of `orrimax-cli export --xlsx` and of
// `import`: one worksheet whose cells are all text, so that a spreadsheet
// keeps texts such as "00" or "1E5" as they are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orrimax::cli {

// Writes a workbook of one worksheet, row by row (rows go to disk as they
// come, so a table of any size takes little memory). Cells are UTF-8; every
// cell is a text cell, and so is every cell of the first `columns` columns.
// Characters that XML cannot hold go out as the workbook escape _xHHHH_, and
// a text that looks like such an escape is escaped itself, so that every text
// comes back. Failures throw RosterError.
class WorkbookWriter {
 public:
  virtual ~WorkbookWriter() = default;
  virtual void AddRow(std::span<const std::string_view> cells) = 0;
  // The whole workbook file. The writer takes no more rows afterwards.
  virtual std::vector<std::uint8_t> Finish() = 0;
};

// The cells of a worksheet, row by row, held compactly (a 65,535-player
// table has 15 million cells). A cell the sheet does not hold reads as "".
class CellRows {
 public:
  std::size_t rows() const { return rowEnds_.size(); }
  std::size_t cells(std::size_t row) const { return RowEnd(row) - RowBegin(row); }
  std::string_view cell(std::size_t row, std::size_t column) const;
  std::size_t CellCount() const;
  std::size_t TextSize() const;

  // Builders, for the reader.
  void StartRow() { rowEnds_.push_back(rowEnds_.empty() ? 0 : rowEnds_.back()); }
  void AddCell(std::string_view text);

 private:
  std::size_t RowBegin(std::size_t row) const { return row == 0 ? 0 : rowEnds_[row - 1]; }
  std::size_t RowEnd(std::size_t row) const { return rowEnds_[row]; }
  std::string text_;                     // every cell's text, back to back
  std::vector<std::uint32_t> cellEnds_;  // where each cell's text ends
  std::vector<std::uint32_t> rowEnds_;   // where each row's cells end
};

// Whether the bytes are a zip archive, as a workbook is.
bool LooksLikeWorkbook(std::span<const std::uint8_t> bytes);

// The first worksheet of a workbook: shared, inline and formula-result
// strings with their _xHHHH_ escapes decoded; numbers and booleans as
// stored. Anything else than a readable workbook (not a zip, a part missing,
// bad XML, more cells than any roster's table) throws RosterError.
CellRows ReadWorkbook(std::span<const std::uint8_t> bytes);

// The writer and the reader. They and their libraries live in a module of
// their own, orrimax-workbooks.so, loaded when a workbook is first used, so
// that every other command starts without them; a program that links them
// in (the tests) has them straight away.
std::unique_ptr<WorkbookWriter> NewWorkbookWriter(const std::string& sheetName,
                                                  std::size_t columns);
struct WorkbookFunctions {
  std::unique_ptr<WorkbookWriter> (*newWriter)(const std::string& sheetName, std::size_t columns);
  CellRows (*read)(std::span<const std::uint8_t> bytes);
};
// Throws RosterError when the module cannot be loaded, or the build has no
// workbooks.
const WorkbookFunctions& Workbooks();

// The rows as the text files of export have them (cells separated by TAB,
// quoted where needed, lines ended by CR LF), `width` cells to a line: a row
// that a spreadsheet stored without its last empty cells gets them back, and
// empty cells beyond `width` and empty rows at the end are dropped. A text
// beyond `width` throws RosterError, naming the cell and the `sheet`.
std::string RowsAsText(const CellRows& rows, std::size_t width, std::string_view sheet);

}  // namespace orrimax::cli
