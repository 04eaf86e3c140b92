// Workbooks in a build without the libraries they take (Debian has no
// Windows build of them): every use is refused with a message.
#include "Errors.h"
#include "Workbook.h"

namespace orrimax::cli {
namespace {

[[noreturn]] void Unavailable() {
  throw RosterError(
      "This build of orrimax-cli has no workbooks (.xlsx); export and import "
      "the tab-separated texts instead");
}

}  // namespace

struct WorkbookWriter::Impl {};

WorkbookWriter::WorkbookWriter(const std::string&, std::size_t) {
  Unavailable();
}
WorkbookWriter::~WorkbookWriter() = default;
void WorkbookWriter::AddRow(std::span<const std::string_view>) {
  Unavailable();
}
std::vector<std::uint8_t> WorkbookWriter::Finish() {
  Unavailable();
}

CellRows ReadWorkbook(std::span<const std::uint8_t>) {
  Unavailable();
}

}  // namespace orrimax::cli
