// The text files of `orrimax-cli export` and `import`: cells separated by
// TAB, every line ended by CR LF, UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "DB.h"

namespace orrimax::cli {

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
