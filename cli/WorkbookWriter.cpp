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

namespace {

class XlsxWriter : public WorkbookWriter {
 public:
  XlsxWriter(const std::string& sheetName, std::size_t columns);
  ~XlsxWriter() override;
  void AddRow(std::span<const std::string_view> cells) override;
  std::vector<std::uint8_t> Finish() override;

 private:
  std::filesystem::path dir;  // private: the library's temporaries and the book
  std::string dirName, bookName;
  lxw_workbook* book = nullptr;
  lxw_worksheet* sheet = nullptr;
  lxw_format* text = nullptr;
  std::uint32_t row = 0;
  std::string escaped;
};

XlsxWriter::~XlsxWriter() {
  if (book) workbook_close(book);  // frees the book and closes its temporary files
  std::error_code ignored;
  if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
}

// The most characters a workbook cell holds (the library checks it).
constexpr int kMaxCellCharacters = 32767;

[[noreturn]] void Fail(const std::string& what, lxw_error error) {
  throw RosterError("The workbook cannot be written: " + what + ": " + lxw_strerror(error));
}

XlsxWriter::XlsxWriter(const std::string& sheetName, std::size_t columns) {
  std::string pattern = (std::filesystem::temp_directory_path() / "orrimax-xlsx-XXXXXX").string();
  if (!::mkdtemp(pattern.data()))
    throw RosterError("The workbook cannot be written: no temporary folder in " +
                      std::filesystem::temp_directory_path().string() + ": " +
                      std::strerror(errno));
  dir = pattern;
  dirName = pattern;
  bookName = (dir / "book.xlsx").string();
  // Row by row to temporary files: constant memory whatever the table's size.
  lxw_workbook_options options = {};
  options.constant_memory = LXW_TRUE;
  options.tmpdir = dirName.data();
  book = workbook_new_opt(bookName.c_str(), &options);
  if (!book) throw RosterError("The workbook cannot be written: out of memory");
  sheet = workbook_add_worksheet(book, sheetName.c_str());
  text = workbook_add_format(book);
  if (!sheet || !text) throw RosterError("The workbook cannot be written: out of memory");
  // "@": what is typed into the sheet stays text too.
  format_set_num_format(text, "@");
  if (columns > 0) {
    const lxw_error error = worksheet_set_column(sheet, 0, static_cast<lxw_col_t>(columns - 1),
                                                 LXW_DEF_COL_WIDTH, text);
    if (error != LXW_NO_ERROR) Fail("its columns", error);
  }
  worksheet_freeze_panes(sheet, 1, 0);  // the header row stays in view
}

void XlsxWriter::AddRow(std::span<const std::string_view> cells) {
  if (!book) throw RosterError("The workbook is already finished");
  for (std::size_t c = 0; c < cells.size(); ++c) {
    escaped.clear();
    try {
      EscapeForWorkbook(cells[c], escaped);
    } catch (const RosterError& e) {
      throw RosterError("Cell " + CellName(row, c) + ": " + e.message());
    }
    // An empty text becomes a blank cell of the text format: read back as "".
    const lxw_error error =
        worksheet_write_string(sheet, row, static_cast<lxw_col_t>(c), escaped.c_str(), text);
    if (error == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED)
      throw RosterError("Cell " + CellName(row, c) + " would hold more than " +
                        std::to_string(kMaxCellCharacters) +
                        " characters, the most a workbook cell can hold");
    if (error != LXW_NO_ERROR) Fail("cell " + CellName(row, c), error);
  }
  ++row;
}

std::vector<std::uint8_t> XlsxWriter::Finish() {
  if (!book) throw RosterError("The workbook is already finished");
  const lxw_error error = workbook_close(book);
  book = nullptr;
  if (error != LXW_NO_ERROR) Fail("its file", error);
  return ReadWholeFile(bookName);
}

}  // namespace

std::unique_ptr<WorkbookWriter> NewWorkbookWriter(const std::string& sheetName,
                                                  std::size_t columns) {
  return std::make_unique<XlsxWriter>(sheetName, columns);
}

}  // namespace orrimax::cli
