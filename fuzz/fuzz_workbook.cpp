// The workbook reader of `orrimax-cli import`: any bytes are either read or
// refused with a RosterError, within the reader's limits.
#include <cstddef>
#include <cstdint>

#include "Errors.h"
#include "Workbook.h"

using namespace orrimax;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const cli::CellRows rows = cli::ReadWorkbook({data, size});
    std::size_t cells = 0;
    for (std::size_t r = 0; r < rows.rows(); ++r) cells += rows.cells(r);
    if (cells != rows.CellCount()) __builtin_trap();
    cli::RowsAsText(rows, 3, "a names sheet");
  } catch (const RosterError&) {
  }
  return 0;
}
