#include "Cli.h"

#include <charconv>
#include <cstdio>
#include <iomanip>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "DB.h"
#include "FileIO.h"
#include "FindCRC.h"
#include "NamesBank.h"
#include "RosterGen.h"
#include "TableText.h"
#include "Text.h"
#include "Version.h"
#include "Workbook.h"

namespace orrimax::cli {
namespace {

constexpr const char* kUsage =
    "Usage: orrimax-cli COMMAND [ARGS]\n"
    "A companion tool for NBA 2K10 roster files (.ROS), using the editor's own codec.\n"
    "\n"
    "Commands:\n"
    "  export ROSTER [-o FILE]           the player table as text\n"
    "  export --names ROSTER [-o FILE]   the names bank as text\n"
    "  export [--names] ROSTER --xlsx FILE\n"
    "                                    the same as a spreadsheet workbook\n"
    "  import ROSTER [--table FILE] [--names FILE] [--no-backup]\n"
    "                                    put edited texts back and save the roster\n"
    "  check ROSTER                      load the roster and report what it holds\n"
    "  diff A.ROS B.ROS                  the cells and bytes in which two rosters differ\n"
    "  demo -o FILE [--players N] [--seed S]\n"
    "                                    write a roster of fictional players\n"
    "\n"
    "Run 'orrimax-cli COMMAND --help' for the details of a command, and\n"
    "'orrimax-cli --version' for the version.\n";

constexpr const char* kExportHelp =
    "Usage: orrimax-cli export [--names] [--bom] ROSTER [-o FILE]\n"
    "       orrimax-cli export [--names] ROSTER --xlsx FILE\n"
    "Writes the player table exactly as the editor's grid holds it after opening:\n"
    "line 0 the header texts of columns 1-234, then one line per player. With\n"
    "--names, writes the names bank instead: line 0 ID, Data, Length, then one\n"
    "line per entry. Cells are separated by TAB, every line ends with CR LF, the\n"
    "text is UTF-8. A cell that holds a TAB, CR, LF or double quote is written\n"
    "as spreadsheets write it: in double quotes, its quotes doubled. The file is\n"
    "always valid UTF-8: a name's lone surrogate U+D800+k (half of a character,\n"
    "as some pools hold) is written as U+FDD0 followed by U+E000+k, and U+FDD0\n"
    "itself as U+FDD0 U+FDD0; import reads them back. --bom starts the text with\n"
    "a UTF-8 byte order mark, for spreadsheets that need one. Without -o the\n"
    "text goes to standard output.\n"
    "--xlsx FILE writes the same rows as a spreadsheet workbook (.xlsx) of one\n"
    "sheet instead, every cell and column of it text, so that a spreadsheet\n"
    "keeps texts such as 00, 1E5 or 0A0B0C0D as they are. A character a\n"
    "workbook cannot hold as such (a control character, CR among them) is\n"
    "written as the workbook escape _xHHHH_ of its code, and a text of that\n"
    "form is itself escaped, as _x005F_xHHHH_; spreadsheets and import read\n"
    "them back (LibreOffice Calc keeps every cell, but turns a CR LF inside a\n"
    "cell into LF). Temporary files go to $TMPDIR.\n";

constexpr const char* kImportHelp =
    "Usage: orrimax-cli import ROSTER [--table FILE] [--names FILE] [--no-backup]\n"
    "Reads texts in the formats of 'export' and saves the roster as the editor's\n"
    "Save does. The table must have the header line, one line per player and 234\n"
    "cells per line; the row numbers and the name columns 1-3 are not read. The\n"
    "names' Lengths must keep the name pool's size (a balance of 0), and no text\n"
    "may be longer than its Length. On any error the roster file is unchanged.\n"
    "Before saving, the roster as it is on disk is kept in ROSTER.bak beside it\n"
    "(replacing an older one); --no-backup leaves that out.\n"
    "A FILE that is a spreadsheet workbook (.xlsx, known by its content) is read\n"
    "as export --xlsx writes it: its first sheet, row 1 the header, one row per\n"
    "player or entry, every cell's text as the sheet stores it (a number as its\n"
    "digits); a row's missing cells count as empty. Messages count the rows as\n"
    "lines from 0.\n";

constexpr const char* kCheckHelp =
    "Usage: orrimax-cli check ROSTER\n"
    "Loads and decodes the roster and reports its player count, its names-bank\n"
    "entries, whether the stored CRC-32 matches, and any problem found. Exits 0\n"
    "when the roster is sound, 1 otherwise.\n";

constexpr const char* kDiffHelp =
    "Usage: orrimax-cli diff A.ROS B.ROS\n"
    "Compares two rosters. First every cell that differs, one line per cell:\n"
    "the player, the column's short name, A's text and B's text, TAB-separated.\n"
    "Then every names-bank entry that differs: \"entry\", its ID, A's text and\n"
    "Length, B's text and Length. Then what no cell shows, where it differs: the\n"
    "header, the middle block, the tail and the records' kept bits. Exits 0 when\n"
    "the rosters are equal, 1 when they differ, 2 when one cannot be read.\n";

constexpr const char* kDemoHelp =
    "Usage: orrimax-cli demo -o FILE [--players N] [--seed S]\n"
    "Writes a roster of N (default 500, at most 65535) fictional players with\n"
    "plausible values, so the editor can be tried without the game.\n";

// Wrong arguments: said once, with the way to the help.
struct UsageError {
  std::string message;
};

bool WantsHelp(const std::vector<std::string>& args) {
  for (const auto& a : args)
    if (a == "--help" || a == "-h") return true;
  return false;
}

// Splits the options listed in `valued` (each taking one value) and `flags`
// from the positional arguments.
struct Parsed {
  std::map<std::string, std::string> values;
  std::set<std::string> flags;
  std::vector<std::string> positional;
};

Parsed ParseArgs(const std::vector<std::string>& args, std::size_t from,
                 const std::set<std::string>& valued, const std::set<std::string>& flags) {
  Parsed parsed;
  for (std::size_t i = from; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (valued.count(a)) {
      if (i + 1 >= args.size()) throw UsageError{"option " + a + " needs a value"};
      if (parsed.values.count(a)) throw UsageError{"option " + a + " is given twice"};
      parsed.values[a] = args[++i];
    } else if (flags.count(a)) {
      parsed.flags.insert(a);
    } else if (a.size() > 1 && a[0] == '-') {
      throw UsageError{"unknown option " + a};
    } else {
      parsed.positional.push_back(a);
    }
  }
  return parsed;
}

std::string OnePositional(const Parsed& p, const char* what) {
  if (p.positional.empty()) throw UsageError{std::string("missing ") + what};
  if (p.positional.size() > 1) throw UsageError{"unexpected argument " + p.positional[1]};
  return p.positional[0];
}

std::uint64_t NumberOption(const Parsed& p, const std::string& name, std::uint64_t fallback,
                           std::uint64_t lo, std::uint64_t hi) {
  const auto it = p.values.find(name);
  if (it == p.values.end()) return fallback;
  std::uint64_t v = 0;
  const auto& s = it->second;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || v < lo || v > hi)
    throw UsageError{name + " takes a number from " + std::to_string(lo) + " to " +
                     std::to_string(hi) + ", not '" + s + "'"};
  return v;
}

// A failure that names the file it is about.
[[noreturn]] void Rethrow(const std::string& file, const RosterError& e) {
  throw RosterError(file + ": " + e.message());
}

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

LoadedRoster Load(const std::string& file) {
  try {
    return LoadRoster(PathFromUtf8(file));
  } catch (const RosterError& e) {
    Rethrow(file, e);
  }
}

// ---- Workbooks: export --xlsx, and workbooks given to import ----------------

// The same rows as the text export, as a workbook of text cells.
std::vector<std::uint8_t> TableWorkbook(const PlayerColumns& table) {
  const auto book = Workbooks().newWriter("Players", kColumnCount - 1);
  std::vector<std::string> texts(kColumnCount - 1);
  std::vector<std::string_view> cells(kColumnCount - 1);
  for (std::size_t r = 0; r < table[1].size(); ++r) {
    for (int c = 1; c < kColumnCount; ++c) {
      texts[c - 1] = FileText(r < table[c].size() ? table[c][r] : std::u16string_view{});
      cells[c - 1] = texts[c - 1];
    }
    book->AddRow(cells);
  }
  return book->Finish();
}

std::vector<std::uint8_t> NamesWorkbook(const NamesBankColumns& names) {
  const auto book = Workbooks().newWriter("Names", 3);
  for (std::size_t r = 0; r < names.Id.size(); ++r) {
    const std::string texts[] = {FileText(names.Id[r]), FileText(names.Data[r]),
                                 FileText(names.Length[r])};
    const std::string_view cells[] = {texts[0], texts[1], texts[2]};
    book->AddRow(cells);
  }
  return book->Finish();
}

// A text of export's form, or a workbook (known by its zip signature) as
// that text. The caller names the file.
std::string ReadTextOrWorkbook(const std::string& file, bool names, bool& workbook) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(PathFromUtf8(file));
  workbook = LooksLikeWorkbook(bytes);
  if (workbook)
    return names ? RowsAsText(Workbooks().read(bytes), 3, "a names sheet")
                 : RowsAsText(Workbooks().read(bytes), kColumnCount - 1, "a player sheet");
  return {bytes.begin(), bytes.end()};
}

// A workbook's rows are lines of the text: line 0 is the sheet's row 1.
[[noreturn]] void RethrowRead(const std::string& file, const RosterError& e, bool workbook) {
  if (workbook && e.message().starts_with("Line "))
    throw RosterError(file + ": " + e.message() + " (line 0 is the sheet's row 1)");
  Rethrow(file, e);
}

// ---- end of workbooks ---------------------------------------------------------

// Writes to -o FILE (whole or not at all) or to standard output.
void Emit(const ContentWriter& content, const Parsed& p, std::ostream& out) {
  const auto it = p.values.find("-o");
  if (it == p.values.end()) {
    content([&out](std::span<const std::uint8_t> piece) {
      out.write(reinterpret_cast<const char*>(piece.data()),
                static_cast<std::streamsize>(piece.size()));
    });
    return;
  }
  try {
    SaveFile(PathFromUtf8(it->second), content);
  } catch (const RosterError& e) {
    Rethrow(it->second, e);
  }
}

void Emit(const std::string& text, const Parsed& p, std::ostream& out) {
  Emit([&text](const ContentSink& put) { put(AsBytes(text)); }, p, out);
}

int Export(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
  const Parsed p = ParseArgs(args, 1, {"-o", "--xlsx"}, {"--names", "--bom"});
  const std::string file = OnePositional(p, "ROSTER");
  if (const auto it = p.values.find("--xlsx"); it != p.values.end()) {
    if (p.values.count("-o")) throw UsageError{"give either -o FILE or --xlsx FILE"};
    if (p.flags.count("--bom")) throw UsageError{"--bom is for texts, not for --xlsx"};
    const LoadedRoster roster = Load(file);
    try {
      SaveFile(PathFromUtf8(it->second), p.flags.count("--names") ? NamesWorkbook(roster.Names)
                                                                  : TableWorkbook(roster.Table));
    } catch (const RosterError& e) {
      Rethrow(it->second, e);
    }
    return 0;
  }
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  const std::string_view bom = p.flags.count("--bom") ? kBom : "";
  // Neither text needs the players decoded: the table goes out straight
  // from the records, never held whole.
  RosterDocument doc;
  ContentWriter table;
  try {
    doc = ReadRosterDocument(ReadWholeFile(PathFromUtf8(file), FileAccess::ReadWrite));
    if (p.flags.count("--names"))
      CheckNamePointers(doc);
    else
      table = TableContent(doc);
  } catch (const RosterError& e) {
    Rethrow(file, e);
  }
  if (p.flags.count("--names")) {
    Emit(std::string(bom) + FormatNames(ListNameBank(doc.Bank)), p, out);
    return 0;
  }
  Emit(
      [&](const ContentSink& put) {
        if (!bom.empty()) put(AsBytes(bom));
        table(put);
      },
      p, out);
  return 0;
}

// The roster and its table read straight into the records: false when the
// general way must do it, to report what is wrong in its own words.
bool ReadDirect(const std::string& file, const std::string& tableFile, RosterDocument& doc,
                std::vector<NameIds>& ids) {
  try {
    doc = ReadRosterDocument(ReadWholeFile(PathFromUtf8(file), FileAccess::ReadWrite));
    CheckNamePointers(doc);
  } catch (const RosterError&) {
    return false;
  }
  std::vector<std::uint8_t> text;
  try {
    text = ReadWholeFile(PathFromUtf8(tableFile));
  } catch (const RosterError& e) {
    Rethrow(tableFile, e);
  }
  if (LooksLikeWorkbook(text)) return false;
  auto read = ReadTableIntoRecords(
      std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), doc);
  if (!read) return false;
  ids = std::move(*read);
  return true;
}

int Import(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Parsed p = ParseArgs(args, 1, {"--table", "--names"}, {"--no-backup"});
  const std::string file = OnePositional(p, "ROSTER");
  if (p.values.empty()) throw UsageError{"give --table FILE, --names FILE or both"};
  const auto tableFile = p.values.find("--table");
  LoadedRoster roster;
  std::vector<NameIds> ids;
  const bool direct =
      tableFile != p.values.end() && ReadDirect(file, tableFile->second, roster.Document, ids);
  if (direct) {
    roster.Names = ListNameBank(roster.Document.Bank);
  } else {
    roster = Load(file);
    if (tableFile != p.values.end()) {
      bool workbook = false;
      try {
        ParseTable(ReadTextOrWorkbook(tableFile->second, false, workbook), roster.Table,
                   roster.Document.PlayerCount);
      } catch (const RosterError& e) {
        RethrowRead(tableFile->second, e, workbook);
      }
    }
  }
  if (const auto it = p.values.find("--names"); it != p.values.end()) {
    bool workbook = false;
    try {
      NamesBankColumns names = ParseNames(ReadTextOrWorkbook(it->second, true, workbook));
      // Players refer to entries by number: a bank of another size would
      // re-point them, unless a table comes along with their IDs.
      if (names.Id.size() != roster.Names.Id.size() && !p.values.count("--table"))
        throw RosterError("The names file has " + std::to_string(names.Id.size() - 1) +
                          " entries, but the roster's bank has " +
                          std::to_string(roster.Names.Id.size() - 1) +
                          ": the players' name IDs would point at other entries. Give the "
                          "table too (--table), whose name IDs then count");
      // The window cuts a text to its Length when it is committed; a file
      // has no one to see the cut, so it is refused instead.
      for (std::size_t r = 1; r < names.Length.size(); ++r) {
        const std::int32_t length = ParseInteger(names.Length[r]);
        if (length >= 0 && !FitsLength(names.Data[r], length))
          throw RosterError("Line " + std::to_string(r) + ": the text has " +
                            std::to_string(names.Data[r].size()) +
                            " characters, more than its Length " + std::to_string(length));
      }
      // The balance is the save's own check.
      roster.Names = std::move(names);
    } catch (const RosterError& e) {
      RethrowRead(it->second, e, workbook);
    }
  }
  SaveOutcome saved;
  try {
    const SaveOptions options{.backup = !p.flags.count("--no-backup")};
    saved = direct ? SaveRoster(roster.Document, PathFromUtf8(file), ids, roster.Names.Data,
                                roster.Names.Length, options)
                   : SaveRoster(roster.Document, PathFromUtf8(file), roster.Table,
                                roster.Names.Data, roster.Names.Length, options);
  } catch (const RosterError& e) {
    throw RosterError(FailedSaveMessage(
        e, file, BackupExists(PathFromUtf8(file)) ? Utf8Of(BackupPathOf(PathFromUtf8(file))) : ""));
  }
  out << "Saved " << file << "\n";
  if (!saved.backupProblem.empty())
    err << "orrimax-cli: warning: the backup " << Utf8Of(saved.backup)
        << " could not be written: " << WithFullStop(saved.backupProblem) << "\n";
  return 0;
}

std::string Hex32(std::uint32_t v) {
  std::ostringstream s;
  s << std::uppercase << std::hex << std::setw(8) << std::setfill('0') << v;
  return s.str();
}

int Check(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
  const Parsed p = ParseArgs(args, 1, {}, {});
  const std::string file = OnePositional(p, "ROSTER");
  // Read only: checking needs no write access.
  std::vector<std::uint8_t> bytes;
  LoadedRoster roster;
  try {
    bytes = ReadWholeFile(PathFromUtf8(file));
    roster = LoadRosterFromBytes(bytes);
  } catch (const RosterError& e) {
    out << file << ": cannot be opened: " << e.message() << "\n";
    return 1;
  }
  const RosterDocument& doc = roster.Document;
  std::vector<std::string> problems;
  out << "players: " << doc.PlayerCount << "\n";
  out << "names-bank entries: " << doc.Bank.size() << "\n";

  std::vector<std::uint8_t> image;
  try {
    image = BuildRosterImage(doc, roster.Table, roster.Names.Data, roster.Names.Length);
  } catch (const RosterError& e) {
    problems.push_back("saving it unchanged would fail: " + e.message());
  }
  const std::uint32_t computed = Crc32(std::span(bytes).subspan(kCrcSize));
  if (computed == doc.StoredCrc) {
    out << "stored CRC-32: " << Hex32(doc.StoredCrc) << " (matches)\n";
  } else {
    out << "stored CRC-32: " << Hex32(doc.StoredCrc) << " (does not match; the content's is "
        << Hex32(computed) << ")\n";
    problems.push_back(
        "the stored CRC-32 does not match the content; the game may refuse the file");
  }

  if (!image.empty()) {
    // Values without an exact text form are rewritten by any save.
    std::set<std::size_t> offsets;
    std::size_t records = 0;
    for (std::size_t i = 0; i < doc.PlayerCount; ++i) {
      bool differs = false;
      for (std::size_t b = 0; b < kRecordSize; ++b) {
        const std::size_t at = kFirstRecordOffset + i * kRecordSize + b;
        if (image[at] != bytes[at]) {
          offsets.insert(b);
          differs = true;
        }
      }
      records += differs;
    }
    if (records > 0) {
      out << "note: a save rewrites stored values that no cell text carries in " << records
          << " player record(s), at record bytes";
      for (std::size_t b : offsets) out << ' ' << b;
      out << "\n";
    }
  }
  for (const auto& problem : problems) out << "problem: " << problem << "\n";
  out << (problems.empty() ? "sound\n" : "not sound\n");
  return problems.empty() ? 0 : 1;
}

int Diff(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const Parsed p = ParseArgs(args, 1, {}, {});
  if (p.positional.size() != 2) throw UsageError{"diff takes two rosters, A and B"};
  LoadedRoster rosters[2];
  for (int k = 0; k < 2; ++k) {
    try {
      rosters[k] = LoadRosterFromBytes(ReadWholeFile(PathFromUtf8(p.positional[k])));
    } catch (const RosterError& e) {
      err << "orrimax-cli: " << p.positional[k] << ": " << e.message() << "\n";
      return 2;
    }
  }
  const LoadedRoster& a = rosters[0];
  const LoadedRoster& b = rosters[1];
  bool differ = false;
  const auto line = [&](const std::string& text) {
    out << text << "\n";
    differ = true;
  };
  const std::size_t players = std::min(a.Document.PlayerCount, b.Document.PlayerCount);
  if (a.Document.PlayerCount != b.Document.PlayerCount)
    line("players\t" + std::to_string(a.Document.PlayerCount) + "\t" +
         std::to_string(b.Document.PlayerCount));
  for (std::size_t r = 1; r <= players; ++r)
    for (int c = kLastNameColumn; c < kColumnCount; ++c)
      if (a.Table[c][r] != b.Table[c][r])
        line(std::to_string(r - 1) + "\t" + ToUtf8(ColumnShortName(c)) + "\t" +
             CellText(a.Table[c][r]) + "\t" + CellText(b.Table[c][r]));
  const std::size_t entries = std::max(a.Names.Data.size(), b.Names.Data.size());
  const auto entry = [](const NamesBankColumns& names, std::size_t row) {
    if (row >= names.Data.size()) return std::string("\t");
    return CellText(names.Data[row]) + "\t" + CellText(names.Length[row]);
  };
  for (std::size_t row = 1; row < entries; ++row)
    if (entry(a.Names, row) != entry(b.Names, row))
      line("entry\t" + std::to_string(row - 1) + "\t" + entry(a.Names, row) + "\t" +
           entry(b.Names, row));
  if (a.Document.Header != b.Document.Header) line("header differs");
  if (a.Document.MiddleBlock != b.Document.MiddleBlock) line("middle block differs");
  if (a.Document.Tail != b.Document.Tail) line("tail differs");
  // The bits no column shows, which every save keeps.
  constexpr auto covered = *CoveredRecordBits();
  std::size_t kept = 0;
  for (std::size_t i = 0; i < players; ++i) {
    bool differs = false;
    for (std::size_t k = 0; k < kRecordSize; ++k) {
      const std::size_t at = i * kRecordSize + k;
      differs |= ((a.Document.Players[at] ^ b.Document.Players[at]) & ~covered[k]) != 0;
    }
    kept += differs;
  }
  if (kept > 0) line("kept bits differ in " + std::to_string(kept) + " player record(s)");
  return differ ? 1 : 0;
}

int Demo(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
  const Parsed p = ParseArgs(args, 1, {"-o", "--players", "--seed"}, {});
  if (!p.positional.empty()) throw UsageError{"unexpected argument " + p.positional[0]};
  if (!p.values.count("-o")) throw UsageError{"missing -o FILE"};
  gen::RosterShape shape;
  shape.players = static_cast<std::uint32_t>(NumberOption(p, "--players", 500, 1, kMaxPlayers));
  shape.seed = NumberOption(p, "--seed", 1, 0, UINT64_MAX);
  shape.values = gen::FieldValues::Realistic;
  const gen::GeneratedRoster roster = gen::GenerateRoster(shape);
  const std::string& file = p.values.at("-o");
  try {
    SaveFile(PathFromUtf8(file), roster.file);
  } catch (const RosterError& e) {
    Rethrow(file, e);
  }
  out << "Wrote " << file << ": " << shape.players << " fictional players\n";
  return 0;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const std::string command = args.empty() ? "" : args[0];
  try {
    if (command == "--version" || command == "-v") {
      out << "orrimax-cli " << kVersion << "\n";
      return 0;
    }
    if (command.empty() || command == "--help" || command == "-h" || command == "help") {
      (command.empty() ? err : out) << kUsage;
      return command.empty() ? 2 : 0;
    }
    const std::map<std::string, std::pair<const char*, int (*)(const std::vector<std::string>&,
                                                               std::ostream&, std::ostream&)>>
        commands = {{"export", {kExportHelp, Export}},
                    {"import", {kImportHelp, Import}},
                    {"check", {kCheckHelp, Check}},
                    {"diff", {kDiffHelp, Diff}},
                    {"demo", {kDemoHelp, Demo}}};
    const auto it = commands.find(command);
    if (it == commands.end()) throw UsageError{"unknown command '" + command + "'"};
    if (WantsHelp(args)) {
      out << it->second.first;
      return 0;
    }
    return it->second.second(args, out, err);
  } catch (const UsageError& e) {
    err << "orrimax-cli: " << e.message << "\nTry 'orrimax-cli --help'.\n";
    return 2;
  } catch (const RosterError& e) {
    err << "orrimax-cli: " << e.message() << "\n";
    return 1;
  } catch (const std::exception& e) {
    err << "orrimax-cli: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace orrimax::cli
