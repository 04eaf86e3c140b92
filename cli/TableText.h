// The text files of `orrimax-cli export` and `import`: cells separated by
// TAB, every line ended by CR LF, UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "DB.h"

namespace orrimax::cli {

// One cell as the texts write it (quoted where it holds a TAB, a line break
// or a double quote).
std::string CellText(std::u16string_view cell);

// One cell's UTF-8 before any quoting, its lone surrogates escaped as in the
// texts: what a workbook cell holds.
std::string FileText(std::u16string_view cell);

// Line 0 the header texts of columns 1 to 234, then one line per player.
std::string FormatTable(const PlayerColumns& table);

// Line 0 "ID", "Data", "Length", then one line per entry.
std::string FormatNames(const NamesBankColumns& names);

// Reads a table text into columns 1 to 234 of `table`, which must already
// hold `players` + 1 rows. Throws RosterError naming the line at fault.
void ParseTable(std::string_view text, PlayerColumns& table, std::size_t players);

// Reads a names text. A name may itself hold TABs: the ID is the first cell,
// the Length the last, the text everything between.
NamesBankColumns ParseNames(std::string_view text);

}  // namespace orrimax::cli
