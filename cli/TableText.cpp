#include "TableText.h"

#include <vector>

#include "Text.h"

namespace orrimax::cli {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// UTF-8 cannot carry a lone surrogate (a name cut inside a character, as
// some pools hold). U+FDD0, a noncharacter no name holds, escapes it: the
// surrogate U+D800 + k is written as U+FDD0 and U+E000 + k, U+FDD0 itself as
// U+FDD0 U+FDD0, so the file stays valid UTF-8 and every text comes back.
constexpr char16_t kEscape = 0xFDD0;

bool IsHigh(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

std::string ToFileText(std::u16string_view cell) {
  std::u16string escaped;
  for (std::size_t i = 0; i < cell.size(); ++i) {
    const char16_t c = cell[i];
    if (IsHigh(c) && i + 1 < cell.size() && IsLow(cell[i + 1])) {
      escaped += c;
      escaped += cell[++i];
    } else if (IsHigh(c) || IsLow(c)) {
      escaped += kEscape;
      escaped += static_cast<char16_t>(0xE000 + (c - 0xD800));
    } else {
      if (c == kEscape) escaped += kEscape;
      escaped += c;
    }
  }
  return ToUtf8(escaped);
}

}  // namespace

bool IsPlainAscii(std::u16string_view cell) {
  for (const char16_t c : cell)
    if (c >= 0x80 || c == u'\t' || c == u'\r' || c == u'\n' || c == u'"') return false;
  return true;
}

// A cell that holds a TAB, a line break or a double quote goes out as
// spreadsheets write it: in double quotes, its own quotes doubled.
void AppendCell(std::string& out, std::u16string_view cell) {
  // Numbers and most names need no conversion.
  if (IsPlainAscii(cell)) {
    for (const char16_t c : cell) out += static_cast<char>(c);
    return;
  }
  if (cell.find_first_of(u"\t\r\n\"") == std::u16string_view::npos) {
    out += ToFileText(cell);
    return;
  }
  out += '"';
  for (const char c : ToFileText(cell)) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

namespace {

// One cell as read: its bytes (quotes undone) and whether it was quoted.
struct Cell {
  std::string bytes;
  bool quoted = false;
};
using Line = std::vector<Cell>;

// Lines of TAB-separated cells, ended by CR LF or LF (a last line without
// one counts too). A cell that begins with a double quote runs to the
// quote that closes it and may hold TABs and line breaks.
std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    Line line;
    while (true) {
      Cell cell;
      if (at < text.size() && text[at] == '"') {
        cell.quoted = true;
        ++at;
        while (true) {
          const auto quote = text.find('"', at);
          if (quote == std::string_view::npos)
            throw RosterError("Line " + std::to_string(lines.size()) +
                              ": a quoted cell is not closed");
          cell.bytes += text.substr(at, quote - at);
          at = quote + 1;
          if (at < text.size() && text[at] == '"') {
            cell.bytes += '"';
            ++at;
            continue;
          }
          break;
        }
        if (at < text.size() && text[at] != '\t' && text[at] != '\r' && text[at] != '\n')
          throw RosterError("Line " + std::to_string(lines.size()) +
                            ": a quoted cell goes on after its closing quote");
      } else {
        const auto end = text.find_first_of("\t\n", at);
        cell.bytes = text.substr(at, end == std::string_view::npos ? text.size() - at : end - at);
        at = end == std::string_view::npos ? text.size() : end;
        if (!cell.bytes.empty() && cell.bytes.back() == '\r' &&
            (at == text.size() || text[at] == '\n'))
          cell.bytes.pop_back();
      }
      line.push_back(std::move(cell));
      if (at < text.size() && text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n')
        ++at;
      if (at >= text.size() || text[at] == '\n') {
        ++at;
        break;
      }
      ++at;  // the TAB
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace

std::u16string DecodeCell(std::string_view bytes, std::size_t line) {
  // Files of earlier versions wrote lone surrogates as WTF-8: still read.
  std::u16string text;
  if (!FromWtf8(bytes, text))
    throw RosterError("Line " + std::to_string(line) + " is not valid UTF-8");
  if (text.find(kEscape) == std::u16string::npos) return text;
  std::u16string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != kEscape) {
      plain += text[i];
      continue;
    }
    const char16_t next = i + 1 < text.size() ? text[i + 1] : u'\0';
    if (next == kEscape)
      plain += kEscape;
    else if (next >= 0xE000 && next <= 0xE7FF)
      plain += static_cast<char16_t>(0xD800 + (next - 0xE000));
    else
      throw RosterError("Line " + std::to_string(line) +
                        ": U+FDD0 stands before a lone surrogate's code (U+E000 to U+E7FF) "
                        "or a second U+FDD0 only");
    ++i;
  }
  return plain;
}

std::string_view StripByteOrderMark(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  return text;
}

std::string CellText(std::u16string_view cell) {
  std::string out;
  AppendCell(out, cell);
  return out;
}

std::string FileText(std::u16string_view cell) {
  return ToFileText(cell);
}

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
  const std::vector<Line> lines = SplitLines(StripByteOrderMark(text));
  if (lines.empty()) throw RosterError("The table file is empty");
  const Line& header = lines[0];
  bool headerMatches = header.size() == kColumnCount - 1;
  for (int c = 1; headerMatches && c < kColumnCount; ++c)
    headerMatches = DecodeCell(header[c - 1].bytes, 0) == ColumnHeader(c);
  if (!headerMatches)
    throw RosterError("Line 0 of the table is not the header line of the player table");
  if (lines.size() - 1 != players)
    throw RosterError("The table has " + std::to_string(lines.size() - 1) +
                      " player lines, but the roster has " + std::to_string(players) + " players");
  for (std::size_t r = 1; r <= players; ++r) {
    const Line& cells = lines[r];
    if (cells.size() != kColumnCount - 1)
      throw RosterError("Line " + std::to_string(r) + " of the table has " +
                        std::to_string(cells.size()) + " cells, not " +
                        std::to_string(kColumnCount - 1));
    for (int c = 1; c < kColumnCount; ++c) table[c].set(r, DecodeCell(cells[c - 1].bytes, r));
  }
}

NamesBankColumns ParseNames(std::string_view text) {
  const std::vector<Line> lines = SplitLines(StripByteOrderMark(text));
  const auto is = [](const Cell& cell, std::string_view s) { return cell.bytes == s; };
  if (lines.empty() || lines[0].size() != 3 || !is(lines[0][0], "ID") || !is(lines[0][1], "Data") ||
      !is(lines[0][2], "Length"))
    throw RosterError("Line 0 of the names file is not \"ID<TAB>Data<TAB>Length\"");
  NamesBankColumns names;
  names.Id.push_back(u"ID");
  names.Data.push_back(u"Data");
  names.Length.push_back(u"Length");
  for (std::size_t r = 1; r < lines.size(); ++r) {
    const Line& line = lines[r];
    if (line.size() < 3)
      throw RosterError("Line " + std::to_string(r) +
                        " of the names file has no ID, Data and Length");
    // An unquoted text may hold TABs: the ID is the first cell, the Length
    // the last, the text everything between.
    std::string data = line[1].bytes;
    for (std::size_t k = 2; k + 1 < line.size(); ++k) data += "\t" + line[k].bytes;
    names.Id.push_back(DecodeCell(line.front().bytes, r));
    names.Data.push_back(DecodeCell(data, r));
    names.Length.push_back(DecodeCell(line.back().bytes, r));
  }
  return names;
}

}  // namespace orrimax::cli
