// The one entry of the workbook module, by which the tool finds its
// functions once it has loaded it.
#pragma once

#include "Workbook.h"

#define ORRIMAX_WORKBOOK_ENTRY "orrimax_workbook_functions"
extern "C" const orrimax::cli::WorkbookFunctions* orrimax_workbook_functions();
