// The workbook writer, on libxlsxwriter.
#include <xlsxwriter.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "Errors.h"
#include "FileIO.h"
#include "Workbook.h"
#include "WorkbookEscape.h"

namespace orrimax::cli {

struct WorkbookWriter::Impl {
  std::filesystem::path dir;  // private: the library's temporaries and the book
  std::string dirName, bookName;
  lxw_workbook* book = nullptr;
  lxw_worksheet* sheet = nullptr;
  lxw_format* text = nullptr;
  std::uint32_t row = 0;
  std::string escaped;

  ~Impl() {
    if (book) workbook_close(book);  // frees the book and closes its temporary files
    std::error_code ignored;
    if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
  }
};

namespace {

// The most characters a workbook cell holds (the library checks it).
constexpr int kMaxCellCharacters = 32767;

[[noreturn]] void Fail(const std::string& what, lxw_error error) {
  throw RosterError("The workbook cannot be written: " + what + ": " + lxw_strerror(error));
}

}  // namespace

WorkbookWriter::WorkbookWriter(const std::string& sheetName, std::size_t columns)
    : impl_(std::make_unique<Impl>()) {
  std::string pattern = (std::filesystem::temp_directory_path() / "orrimax-xlsx-XXXXXX").string();
  if (!::mkdtemp(pattern.data()))
    throw RosterError("The workbook cannot be written: no temporary folder in " +
                      std::filesystem::temp_directory_path().string() + ": " +
                      std::strerror(errno));
  impl_->dir = pattern;
  impl_->dirName = pattern;
  impl_->bookName = (impl_->dir / "book.xlsx").string();
  // Row by row to temporary files: constant memory whatever the table's size.
  lxw_workbook_options options = {};
  options.constant_memory = LXW_TRUE;
  options.tmpdir = impl_->dirName.data();
  impl_->book = workbook_new_opt(impl_->bookName.c_str(), &options);
  if (!impl_->book) throw RosterError("The workbook cannot be written: out of memory");
  impl_->sheet = workbook_add_worksheet(impl_->book, sheetName.c_str());
  impl_->text = workbook_add_format(impl_->book);
  if (!impl_->sheet || !impl_->text)
    throw RosterError("The workbook cannot be written: out of memory");
  // "@": what is typed into the sheet stays text too.
  format_set_num_format(impl_->text, "@");
  if (columns > 0) {
    const lxw_error error = worksheet_set_column(
        impl_->sheet, 0, static_cast<lxw_col_t>(columns - 1), LXW_DEF_COL_WIDTH, impl_->text);
    if (error != LXW_NO_ERROR) Fail("its columns", error);
  }
  worksheet_freeze_panes(impl_->sheet, 1, 0);  // the header row stays in view
}

WorkbookWriter::~WorkbookWriter() = default;

void WorkbookWriter::AddRow(std::span<const std::string_view> cells) {
  Impl& w = *impl_;
  if (!w.book) throw RosterError("The workbook is already finished");
  for (std::size_t c = 0; c < cells.size(); ++c) {
    w.escaped.clear();
    try {
      EscapeForWorkbook(cells[c], w.escaped);
    } catch (const RosterError& e) {
      throw RosterError("Cell " + CellName(w.row, c) + ": " + e.message());
    }
    // An empty text becomes a blank cell of the text format: read back as "".
    const lxw_error error = worksheet_write_string(w.sheet, w.row, static_cast<lxw_col_t>(c),
                                                   w.escaped.c_str(), w.text);
    if (error == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED)
      throw RosterError("Cell " + CellName(w.row, c) + " would hold more than " +
                        std::to_string(kMaxCellCharacters) +
                        " characters, the most a workbook cell can hold");
    if (error != LXW_NO_ERROR) Fail("cell " + CellName(w.row, c), error);
  }
  ++w.row;
}

std::vector<std::uint8_t> WorkbookWriter::Finish() {
  Impl& w = *impl_;
  if (!w.book) throw RosterError("The workbook is already finished");
  const lxw_error error = workbook_close(w.book);
  w.book = nullptr;
  if (error != LXW_NO_ERROR) Fail("its file", error);
  return ReadWholeFile(w.bookName);
}

}  // namespace orrimax::cli
