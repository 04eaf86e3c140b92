// What the workbook reader and writer share: cell names and the workbook's
// escape of a UTF-16 code unit as _xHHHH_.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orrimax::cli {

// "A1" for row 0, column 0.
std::string CellName(std::size_t row, std::size_t column);

// Appends a UTF-8 (or WTF-8) cell text as a workbook holds it: controls but
// TAB and LF, surrogates, U+FFFE and U+FFFF as _xHHHH_, and a "_" that
// begins such a text as _x005F_. Throws RosterError on malformed UTF-8.
void EscapeForWorkbook(std::string_view cell, std::string& out);

// Appends a workbook's text with its _xHHHH_ escapes undone (a pair of
// surrogates as one character, a lone one as WTF-8).
void DecodeWorkbookText(std::string_view text, std::string& out);

}  // namespace orrimax::cli
