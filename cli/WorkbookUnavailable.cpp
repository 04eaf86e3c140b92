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

const WorkbookFunctions& Workbooks() {
  Unavailable();
}

}  // namespace orrimax::cli
