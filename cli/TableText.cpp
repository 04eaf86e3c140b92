#include "TableText.h"

#include <vector>

#include "Text.h"

namespace orrimax::cli {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Lone surrogates go out as WTF-8 so that every pool text comes back intact.
void AppendCell(std::string& out, std::u16string_view cell) {
  out += ToWtf8(cell);
}

// Lines ended by CR LF (a last line without one counts too).
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::vector<std::string_view> SplitCells(std::string_view line) {
  std::vector<std::string_view> cells;
  while (true) {
    const auto tab = line.find('\t');
    cells.push_back(line.substr(0, tab));
    if (tab == std::string_view::npos) return cells;
    line.remove_prefix(tab + 1);
  }
}

std::u16string Decode(std::string_view bytes, std::size_t line) {
  std::u16string text;
  if (!FromWtf8(bytes, text))
    throw RosterError("Line " + std::to_string(line) + " is not valid UTF-8");
  return text;
}

std::string_view StripByteOrderMark(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  return text;
}

}  // namespace

std::string FormatTable(const PlayerColumns& table) {
  std::string out;
  const std::size_t rows = table[1].size();
  out.reserve(rows * kColumnCount * 4);
  for (std::size_t r = 0; r < rows; ++r) {
    for (int c = 1; c < kColumnCount; ++c) {
      if (c > 1) out += '\t';
      AppendCell(out, r < table[c].size() ? table[c][r] : std::u16string_view{});
    }
    out += kLineEnd;
  }
  return out;
}

std::string FormatNames(const NamesBankColumns& names) {
  std::string out;
  for (std::size_t r = 0; r < names.Id.size(); ++r) {
    AppendCell(out, names.Id[r]);
    out += '\t';
    AppendCell(out, names.Data[r]);
    out += '\t';
    AppendCell(out, names.Length[r]);
    out += kLineEnd;
  }
  return out;
}

void ParseTable(std::string_view text, PlayerColumns& table, std::size_t players) {
  const std::vector<std::string_view> lines = SplitLines(StripByteOrderMark(text));
  if (lines.empty()) throw RosterError("The table file is empty");
  const std::vector<std::string_view> header = SplitCells(lines[0]);
  bool headerMatches = header.size() == kColumnCount - 1;
  for (int c = 1; headerMatches && c < kColumnCount; ++c)
    headerMatches = Decode(header[c - 1], 0) == ColumnHeader(c);
  if (!headerMatches)
    throw RosterError("Line 0 of the table is not the header line of the player table");
  if (lines.size() - 1 != players)
    throw RosterError("The table has " + std::to_string(lines.size() - 1) +
                      " player lines, but the roster has " + std::to_string(players) + " players");
  for (std::size_t r = 1; r <= players; ++r) {
    const std::vector<std::string_view> cells = SplitCells(lines[r]);
    if (cells.size() != kColumnCount - 1)
      throw RosterError("Line " + std::to_string(r) + " of the table has " +
                        std::to_string(cells.size()) + " cells, not " +
                        std::to_string(kColumnCount - 1));
    for (int c = 1; c < kColumnCount; ++c) table[c].set(r, Decode(cells[c - 1], r));
  }
}

NamesBankColumns ParseNames(std::string_view text) {
  const std::vector<std::string_view> lines = SplitLines(StripByteOrderMark(text));
  if (lines.empty() || lines[0] != "ID\tData\tLength")
    throw RosterError("Line 0 of the names file is not \"ID<TAB>Data<TAB>Length\"");
  NamesBankColumns names;
  names.Id.push_back(u"ID");
  names.Data.push_back(u"Data");
  names.Length.push_back(u"Length");
  for (std::size_t r = 1; r < lines.size(); ++r) {
    const std::string_view line = lines[r];
    const auto first = line.find('\t');
    const auto last = line.rfind('\t');
    if (first == std::string_view::npos || first == last)
      throw RosterError("Line " + std::to_string(r) +
                        " of the names file has no ID, Data and Length");
    names.Id.push_back(Decode(line.substr(0, first), r));
    names.Data.push_back(Decode(line.substr(first + 1, last - first - 1), r));
    names.Length.push_back(Decode(line.substr(last + 1), r));
  }
  return names;
}

}  // namespace orrimax::cli
