// The text files of `orrimax-cli export` and `import`: cells separated by
// TAB, every line ended by CR LF, UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DB.h"
#include "FileIO.h"

namespace orrimax::cli {

// One cell as the texts write it (quoted where it holds a TAB, a line break
// or a double quote).
std::string CellText(std::u16string_view cell);
void AppendCell(std::string& out, std::u16string_view cell);
// Whether a cell goes out as it is, one byte per character.
bool IsPlainAscii(std::u16string_view cell);

// One cell's UTF-8 before any quoting, its lone surrogates escaped as in the
// texts: what a workbook cell holds.
std::string FileText(std::u16string_view cell);

// Line 0 the header texts of columns 1 to 234, then one line per player.
std::string FormatTable(const PlayerColumns& table);

// The same text as FormatTable of the decoded table, written straight from
// the document's records in pieces. A name pointer that leads to no entry
// is refused here, before anything is written; the writer keeps `doc`.
ContentWriter TableContent(const RosterDocument& doc);
// That refusal alone, as the decoder would make it.
void CheckNamePointers(const RosterDocument& doc);

// Line 0 "ID", "Data", "Length", then one line per entry.
std::string FormatNames(const NamesBankColumns& names);

// A cell's text from its bytes in a file (quotes undone): UTF-8, with the
// escapes of lone surrogates. Throws RosterError naming the line.
std::u16string DecodeCell(std::string_view bytes, std::size_t line);
std::string_view StripByteOrderMark(std::string_view text);

// Reads a table text into columns 1 to 234 of `table`, which must already
// hold `players` + 1 rows. Throws RosterError naming the line at fault.
void ParseTable(std::string_view text, PlayerColumns& table, std::size_t players);

// Reads a table text straight into the document's records (the field
// columns) and gives each player's name IDs. Nothing when the text has a
// fault of any kind: ParseTable and the encoder then say which, in their
// words, and the caller must load the document again.
std::optional<std::vector<NameIds>> ReadTableIntoRecords(std::string_view text,
                                                         RosterDocument& doc);

// Reads a names text. A name may itself hold TABs: the ID is the first cell,
// the Length the last, the text everything between.
NamesBankColumns ParseNames(std::string_view text);

}  // namespace orrimax::cli
