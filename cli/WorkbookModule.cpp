#include "WorkbookModule.h"

extern "C" const orrimax::cli::WorkbookFunctions* orrimax_workbook_functions() {
  static constexpr orrimax::cli::WorkbookFunctions functions{orrimax::cli::NewWorkbookWriter,
                                                             orrimax::cli::ReadWorkbook};
  return &functions;
}
