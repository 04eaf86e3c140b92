// orrimax-cli driven in-process: export/import round trips, edits landing in
// their record bits, and bad input leaving the roster untouched.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

#include "Cli.h"
#include "CliTestSupport.h"
#include "DB.h"
#include "FindCRC.h"
#include "Functions.h"
#include "NamesBank.h"
#include "RosterGen.h"
#include "Text.h"
#include "Version.h"

namespace orrimax::cli {
namespace {

namespace fs = std::filesystem;

using test::Result;
using test::RunTool;

std::string ReadText(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void WriteText(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

// Replaces cell `column` (1-based table column) of player line `row`.
std::string ReplaceCell(const std::string& table, std::size_t row, int column,
                        const std::string& cell) {
  std::size_t pos = 0;
  for (std::size_t r = 0; r < row; ++r) pos = table.find("\r\n", pos) + 2;
  for (int c = 1; c < column; ++c) pos = table.find('\t', pos) + 1;
  const std::size_t end = table.find_first_of("\t\r", pos);
  return table.substr(0, pos) + cell + table.substr(end);
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("orrimax-cli-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    gen::RosterShape shape;
    shape.players = 30;
    shape.values = gen::FieldValues::Realistic;
    roster_ = gen::GenerateRoster(shape);
    rosterPath_ = dir_ / "r.ros";
    gen::WriteBytes(rosterPath_, roster_.file);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Export(bool names = false) {
    const fs::path out = dir_ / (names ? "names.txt" : "table.txt");
    std::vector<std::string> args = {"export"};
    if (names) args.push_back("--names");
    args.insert(args.end(), {rosterPath_.string(), "-o", out.string()});
    EXPECT_EQ(RunTool(args).status, 0);
    return ReadText(out);
  }

  // Runs an import that must fail, and checks the roster stayed as it was.
  void ExpectRefused(const std::vector<std::string>& args, const std::string& message) {
    const Result r = RunTool(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_EQ(gen::ReadBytes(rosterPath_), roster_.file);
    for (const auto& entry : fs::directory_iterator(dir_))
      EXPECT_EQ(entry.path().filename().string().find(".orrimax-"), std::string::npos);
  }

  fs::path dir_, rosterPath_;
  gen::GeneratedRoster roster_;
};

TEST_F(CliTest, ExportShowsTheTableAsTheGridHoldsIt) {
  const std::string table = Export();
  std::istringstream lines(table);
  std::string line;
  std::getline(lines, line);
  ASSERT_FALSE(line.empty());
  EXPECT_EQ(line.back(), '\r');
  EXPECT_TRUE(
      line.starts_with("\xE2\x84\x96\tLast Name\tFirst Name\tLNameID\tFNameID\tPlType\t"
                       "Height      (in centimeters)\t"));
  EXPECT_TRUE(line.ends_with("\tBTClvsThn   (Body Tweaks - Calves Thinness)\r"));
  EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 233);
  int rows = 0;
  while (std::getline(lines, line)) {
    EXPECT_TRUE(line.starts_with(std::to_string(rows) + "\t")) << line.substr(0, 20);
    ++rows;
  }
  EXPECT_EQ(rows, 30);
}

TEST_F(CliTest, ExportNamesListsEveryEntry) {
  const std::string names = Export(true);
  EXPECT_TRUE(names.starts_with("ID\tData\tLength\r\n0\t"));
  EXPECT_EQ(static_cast<std::uint32_t>(std::count(names.begin(), names.end(), '\n')),
            roster_.entryCount + 1);
  // A name above U+00FF goes out as UTF-8.
  const auto roster = LoadRoster(rosterPath_);
  for (std::size_t k = 0; k < roster.Document.Bank.size(); ++k) {
    if (roster.Document.Bank[k].Data == u"Yiğitmar") {
      EXPECT_NE(names.find(std::to_string(k) + "\tYi\xC4\x9Fitmar\t8\r\n"), std::string::npos);
      break;
    }
  }
}

TEST_F(CliTest, ExportToStandardOutput) {
  const Result r = RunTool({"export", "--names", rosterPath_.string()});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Export(true));
}

TEST_F(CliTest, ImportOfUneditedExportsLeavesTheFileByteIdentical) {
  Export();
  Export(true);
  const Result r =
      RunTool({"import", rosterPath_.string(), "--table", (dir_ / "table.txt").string(), "--names",
               (dir_ / "names.txt").string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(gen::ReadBytes(rosterPath_), roster_.file);
}

TEST_F(CliTest, EditedCellLandsInExactlyItsRecordBits) {
  // Player 7's SkinTone (column 17): byte 159, bits 3-5.
  const std::string table = ReplaceCell(Export(), 8, 17, "5");
  WriteText(dir_ / "edited.txt", table);
  ASSERT_EQ(
      RunTool({"import", rosterPath_.string(), "--table", (dir_ / "edited.txt").string()}).status,
      0);
  const auto after = gen::ReadBytes(rosterPath_);
  ASSERT_EQ(after.size(), roster_.file.size());
  const std::size_t at = kFirstRecordOffset + 7 * kRecordSize + 159;
  for (std::size_t i = 4; i < after.size(); ++i) {
    if (i == at) {
      EXPECT_EQ(after[i] & ~0x38, roster_.file[i] & ~0x38);
      EXPECT_EQ((after[i] >> 3) & 7, 5);
    } else {
      ASSERT_EQ(after[i], roster_.file[i]) << "byte " << i;
    }
  }
  EXPECT_EQ(ReadU32LE(after.data()), Crc32(std::span(after).subspan(4)));
}

TEST_F(CliTest, SalaryAndRatingEditsAreEncoded) {
  std::string table = ReplaceCell(Export(), 1, 182, "1 000 000");
  table = ReplaceCell(table, 1, 22, "99.5");
  WriteText(dir_ / "edited.txt", table);
  ASSERT_EQ(
      RunTool({"import", rosterPath_.string(), "--table", (dir_ / "edited.txt").string()}).status,
      0);
  const auto after = gen::ReadBytes(rosterPath_);
  EXPECT_EQ(ReadU32LE(after.data() + kFirstRecordOffset + 336), 1000000u);
  EXPECT_EQ(after[kFirstRecordOffset + 436], 224);
}

TEST_F(CliTest, BadCellLeavesTheFileUntouched) {
  WriteText(dir_ / "bad.txt", ReplaceCell(Export(), 3, 9, "12 "));
  ExpectRefused({"import", rosterPath_.string(), "--table", (dir_ / "bad.txt").string()},
                "''12 '' is not a valid integer value");
  WriteText(dir_ / "bad.txt", ReplaceCell(Export(), 3, 30, "98,6"));
  ExpectRefused({"import", rosterPath_.string(), "--table", (dir_ / "bad.txt").string()},
                "'98,6' is not a valid floating point value");
}

TEST_F(CliTest, MalformedTablesAreRefused) {
  const std::string table = Export();
  WriteText(dir_ / "bad.txt", "x" + table);
  ExpectRefused({"import", rosterPath_.string(), "--table", (dir_ / "bad.txt").string()},
                "header line");
  WriteText(dir_ / "bad.txt", table.substr(0, table.rfind("\r\n", table.size() - 3) + 2));
  ExpectRefused({"import", rosterPath_.string(), "--table", (dir_ / "bad.txt").string()},
                "29 player lines, but the roster has 30 players");
  WriteText(dir_ / "bad.txt", ReplaceCell(table, 2, 200, "1\t2"));
  ExpectRefused({"import", rosterPath_.string(), "--table", (dir_ / "bad.txt").string()},
                "Line 2 of the table has 235 cells, not 234");
  WriteText(dir_ / "bad.txt", ReplaceCell(table, 2, 50, "\xFF"));
  ExpectRefused({"import", rosterPath_.string(), "--table", (dir_ / "bad.txt").string()},
                "not valid UTF-8");
  ExpectRefused({"import", rosterPath_.string(), "--table", (dir_ / "missing.txt").string()},
                "File not found");
}

TEST_F(CliTest, FailuresNameTheFileOnceAndKeepTheWholeCell) {
  for (const char* option : {"--table", "--names"}) {
    const std::string missing = (dir_ / "t.tsv").string();
    const Result r = RunTool({"import", rosterPath_.string(), option, missing});
    EXPECT_EQ(r.err, "orrimax-cli: " + missing + ": File not found\n");
  }
  const std::string cell("1\0x", 3);
  // Not "nul.txt": Windows takes that for its NUL device.
  WriteText(dir_ / "cell-nul.txt", ReplaceCell(Export(), 3, 9, cell));
  ExpectRefused({"import", rosterPath_.string(), "--table", (dir_ / "cell-nul.txt").string()},
                "''" + cell + "'' is not a valid integer value");
}

TEST_F(CliTest, CheckRefusesAPipeWithoutWaitingForAWriter) {
#ifdef _WIN32
  GTEST_SKIP() << "FIFOs are POSIX; the core's DeviceIsRefused covers Windows devices";
#else
  const fs::path pipe = dir_ / "pipe.ros";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
  auto check = std::async(std::launch::async, [&] { return RunTool({"check", pipe.string()}); });
  if (check.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
    // Let the blocked open go on, so that the test ends with its failure.
    std::ofstream(pipe) << "";
    FAIL() << "check waited for a writer";
  }
  const Result r = check.get();
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("File access denied"), std::string::npos) << r.out;
#endif
}

TEST_F(CliTest, ImportKeepsTheRosterAsItWasInABackup) {
  const fs::path backup = dir_ / "r.ros.bak";
  WriteText(dir_ / "t.txt", ReplaceCell(Export(), 3, 9, "30"));
  ASSERT_EQ(RunTool({"import", rosterPath_.string(), "--table", (dir_ / "t.txt").string()}).status,
            0);
  EXPECT_EQ(gen::ReadBytes(backup), roster_.file);
  fs::remove(backup);
  const Result r = RunTool(
      {"import", rosterPath_.string(), "--no-backup", "--table", (dir_ / "t.txt").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(fs::exists(backup));
  // A backup that cannot be written is a warning; the import is done.
  fs::create_directory(backup);
  WriteText(dir_ / "t.txt", ReplaceCell(Export(), 3, 9, "32"));
  const Result warned =
      RunTool({"import", rosterPath_.string(), "--table", (dir_ / "t.txt").string()});
  EXPECT_EQ(warned.status, 0);
  EXPECT_EQ(warned.err, "orrimax-cli: warning: the backup " + backup.string() +
                            " could not be written: File access denied.\n");
  const std::string now = Export();
  EXPECT_EQ(now, ReplaceCell(now, 3, 9, "32"));
}

TEST_F(CliTest, AFailedImportSaysTheRosterWasNotChanged) {
  WriteText(dir_ / "bad.txt", ReplaceCell(Export(), 3, 9, "x"));
  const Result r =
      RunTool({"import", rosterPath_.string(), "--table", (dir_ / "bad.txt").string()});
  EXPECT_EQ(r.err, "orrimax-cli: ''x'' is not a valid integer value. The roster " +
                       rosterPath_.string() + " was not changed.\n");
  EXPECT_EQ(gen::ReadBytes(rosterPath_), roster_.file);
}

// Splits a CR LF text into its lines, and joins them back.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t end = text.find("\r\n", pos);
    lines.push_back(text.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

// UTF-8 read strictly: a lone surrogate's bytes do not make it through.
std::u16string Decode16(const std::string& utf8) {
  std::u16string out;
  FromWtf8(utf8, out);
  return out;
}

std::string Utf8(std::u16string_view ascii) {
  return {ascii.begin(), ascii.end()};
}

TEST_F(CliTest, NamesImportMovesLengthsBetweenEntries) {
  const auto before = LoadRoster(rosterPath_);
  const auto& bank = before.Document.Bank;
  ASSERT_GE(bank[1].Data.size(), 3u);
  ASSERT_EQ(bank[1].Data.find_first_of(u"\u011F\u010D"), std::u16string::npos);
  // Entry 1 gives up two characters (its text cut), entry 2 takes them.
  const std::u16string cut = bank[1].Data.substr(0, bank[1].Data.size() - 2);
  std::vector<std::string> lines = Lines(Export(true));
  lines[2] = "1\t" + Utf8(cut) + "\t" + std::to_string(cut.size());
  lines[3] = lines[3].substr(0, lines[3].rfind('\t') + 1) + std::to_string(bank[2].Data.size() + 2);
  WriteText(dir_ / "edited.txt", Join(lines));
  const Result r =
      RunTool({"import", rosterPath_.string(), "--names", (dir_ / "edited.txt").string()});
  ASSERT_EQ(r.status, 0) << r.err;

  const auto after = LoadRoster(rosterPath_);
  EXPECT_EQ(after.Document.Bank[1].Data, cut);
  EXPECT_EQ(after.Document.Bank[2].Data, bank[2].Data);
  // The grown entry's two filler characters read back as two empty entries.
  EXPECT_EQ(after.Document.Bank[3].Data, u"");
  EXPECT_EQ(after.Document.Bank[4].Data, u"");
  EXPECT_EQ(after.Document.Bank[5].Data, bank[3].Data);
  for (std::size_t row = 1; row <= 30; ++row) {
    const auto expected = [&](int column) {
      return before.Table[column + 2][row] == u"1" ? cut
                                                   : std::u16string(before.Table[column][row]);
    };
    EXPECT_EQ(after.Table[2][row], expected(2)) << row;
    EXPECT_EQ(after.Table[3][row], expected(3)) << row;
  }
}

// The window's names bank and the tool's names file state one policy: the
// tool accepts exactly the Lengths that leave the editor's balance at 0, and
// both then write the same roster.
TEST_F(CliTest, TheToolAndTheEditorAgreeOnTheNamesBank) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> lengthChanges;  // (entry, change of its Length)
    bool balanced;
  };
  const Case cases[] = {{"moved between two entries", {{1, -2}, {2, +2}}, true},
                        {"moved over three entries", {{0, -1}, {3, +3}, {5, -2}}, true},
                        {"one unit taken", {{4, +1}}, false},
                        {"one unit given up", {{2, -1}}, false}};
  const std::string names = Export(true);
  for (const Case& c : cases) {
    gen::WriteBytes(rosterPath_, roster_.file);
    LoadedRoster window = LoadRoster(rosterPath_);
    ColumnStore bank({&window.Names.Id, &window.Names.Data, &window.Names.Length});
    ColumnStore players({&window.Table[0], &window.Table[1], &window.Table[2], &window.Table[3],
                         &window.Table[4], &window.Table[5]});
    NamesBankEditor editor(bank, players);
    std::vector<std::string> lines = Lines(names);
    for (const auto& [entry, change] : c.lengthChanges) {
      const int row = entry + 1;
      const std::u16string length =
          Decimal(ParseInteger(bank.cell(kNamesLengthColumn, row)) + change);
      editor.BeginEdit(kNamesLengthColumn, row);
      bank.setCell(kNamesLengthColumn, row, length);
      editor.Commit();
      std::string& line = lines[static_cast<std::size_t>(row)];
      line = line.substr(0, line.rfind('\t') + 1) + Utf8(length);
      // The window cuts a shrunk text; the names file says the same.
      const std::string text = Utf8(bank.cell(kNamesDataColumn, row));
      line = line.substr(0, line.find('\t') + 1) + text + line.substr(line.rfind('\t'));
    }
    EXPECT_EQ(editor.Balance() == 0, c.balanced) << c.name;
    WriteText(dir_ / "names.tsv", Join(lines));
    const Result r = RunTool(
        {"import", rosterPath_.string(), "--no-backup", "--names", (dir_ / "names.tsv").string()});
    EXPECT_EQ(r.status == 0, c.balanced) << c.name << ": " << r.err;
    if (!c.balanced) continue;
    const auto byTool = gen::ReadBytes(rosterPath_);
    EXPECT_EQ(
        BuildRosterImage(window.Document, window.Table, window.Names.Data, window.Names.Length),
        byTool)
        << c.name;
  }
}

// Names that hold what separates cells and lines go out quoted, as
// spreadsheets write them, and come back byte for byte.
TEST(CliText, NamesWithSeparatorsAndQuotesRoundTrip) {
  const std::vector<std::u16string> names = {u"Smith", u"a\tb",     u"say \"hi\"", u"line\r\nbreak",
                                             u"\"",    u"lf\nonly", u"cr\ronly",   u"Li"};
  const auto roster = gen::RosterWithNames(names, {{0, 1}, {2, 3}, {4, 5}, {6, 7}});
  const fs::path dir = fs::temp_directory_path() / "orrimax-cli-quoted";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path path = dir / "r.ros";
  gen::WriteBytes(path, roster.file);
  for (const bool table : {true, false}) {
    const fs::path text = dir / "out.txt";
    std::vector<std::string> args = {"export", path.string(), "-o", text.string(), "--bom"};
    if (!table) args.insert(args.begin() + 1, "--names");
    ASSERT_EQ(RunTool(args).status, 0);
    const std::string written = ReadText(text);
    EXPECT_TRUE(written.starts_with("\xEF\xBB\xBF"));
    EXPECT_NE(written.find("\"say \"\"hi\"\"\""), std::string::npos);
    EXPECT_NE(written.find("\"a\tb\""), std::string::npos);
    const Result r = RunTool(
        {"import", path.string(), "--no-backup", table ? "--table" : "--names", text.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(gen::ReadBytes(path), roster.file);
  }
  // Lone surrogates and the escape itself: valid UTF-8 out, the same units back.
  const std::u16string odd = {u'A', 0xD800, u'b', 0xDFFF, 0xFDD0, 0xD83D, 0xDE00, 0xDBFF};
  const auto broken = gen::RosterWithNames({u"Smith", odd, u"Li"}, {{0, 1}, {2, 1}});
  gen::WriteBytes(path, broken.file);
  ASSERT_EQ(RunTool({"export", "--names", path.string(), "-o", (dir / "n.txt").string()}).status,
            0);
  const std::string exported = ReadText(dir / "n.txt");
  EXPECT_EQ(ToUtf8(Decode16(exported)), exported);  // no lone surrogate among the bytes
  EXPECT_EQ(
      RunTool({"import", path.string(), "--no-backup", "--names", (dir / "n.txt").string()}).status,
      0);
  EXPECT_EQ(gen::ReadBytes(path), broken.file);
  WriteText(dir / "bad.txt", "ID\tData\tLength\r\n0\t\xEF\xB7\x90x\t5\r\n");
  EXPECT_NE(RunTool({"import", path.string(), "--names", (dir / "bad.txt").string()})
                .err.find("U+FDD0 stands before"),
            std::string::npos);
  gen::WriteBytes(path, roster.file);

  WriteText(dir / "bad.txt", "ID\tData\tLength\r\n0\t\"open\t5\r\n");
  const Result bad = RunTool({"import", path.string(), "--names", (dir / "bad.txt").string()});
  EXPECT_NE(bad.err.find("Line 1: a quoted cell is not closed"), std::string::npos) << bad.err;
  fs::remove_all(dir);
}

TEST_F(CliTest, ANamesFileOfAnotherSizeNeedsTheTable) {
  std::vector<std::string> lines = Lines(Export(true));
  lines.pop_back();  // one entry fewer: the players after it would be re-pointed
  WriteText(dir_ / "names.txt", Join(lines));
  ExpectRefused({"import", rosterPath_.string(), "--names", (dir_ / "names.txt").string()},
                "the players' name IDs would point at other entries. Give the table too");
}

TEST_F(CliTest, DiffListsTheCellsEntriesAndBytesThatDiffer) {
  const fs::path other = dir_ / "b.ros";
  fs::copy_file(rosterPath_, other);
  EXPECT_EQ(RunTool({"diff", rosterPath_.string(), other.string()}).status, 0);

  // Two cells through import, a kept bit and a tail byte by hand.
  std::string table = ReplaceCell(Export(), 3, 9, "33");
  table = ReplaceCell(table, 5, 30, "40");
  WriteText(dir_ / "t.txt", table);
  ASSERT_EQ(RunTool({"import", other.string(), "--no-backup", "--table", (dir_ / "t.txt").string()})
                .status,
            0);
  auto bytes = gen::ReadBytes(other);
  bytes[kFirstRecordOffset + 4 * kRecordSize + 8] ^= 0x01;  // byte 8: no column's
  bytes.back() ^= 0xFF;
  gen::WriteBytes(other, bytes);
  const LoadedRoster before = LoadRoster(rosterPath_);
  const Result r = RunTool({"diff", rosterPath_.string(), other.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "2\tAge\t" + Utf8(before.Table[9][3]) +
                       "\t33\n"
                       "4\tSStdDunk\t" +
                       Utf8(before.Table[30][5]) +
                       "\t40\n"
                       "tail differs\n"
                       "kept bits differ in 1 player record(s)\n");
  EXPECT_EQ(RunTool({"diff", rosterPath_.string(), (dir_ / "missing.ros").string()}).status, 2);
}

TEST_F(CliTest, NamesThatChangeThePoolSizeAreRefused) {
  const std::string names = Export(true);
  // Entry 0's Length one larger: the balance is -1.
  const std::size_t lineEnd = names.find("\r\n", names.find("\r\n0\t") + 2);
  const std::size_t tab = names.rfind('\t', lineEnd);
  const int length = std::stoi(names.substr(tab + 1, lineEnd - tab - 1));
  WriteText(dir_ / "bad.txt",
            names.substr(0, tab + 1) + std::to_string(length + 1) + names.substr(lineEnd));
  ExpectRefused({"import", rosterPath_.string(), "--names", (dir_ / "bad.txt").string()},
                "the balance is -1");
  // A text longer than its Length would be cut: refused.
  WriteText(dir_ / "bad.txt",
            names.substr(0, tab) + "xyz\t" + std::to_string(length) + names.substr(lineEnd));
  ExpectRefused({"import", rosterPath_.string(), "--names", (dir_ / "bad.txt").string()},
                "more than its Length");
  WriteText(dir_ / "bad.txt", "ID\tName\tLength\r\n");
  ExpectRefused({"import", rosterPath_.string(), "--names", (dir_ / "bad.txt").string()},
                "Line 0 of the names file");
}

TEST_F(CliTest, CheckReportsASoundRoster) {
  const Result r = RunTool({"check", rosterPath_.string()});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("players: 30\n"), std::string::npos);
  EXPECT_NE(r.out.find("names-bank entries: " + std::to_string(roster_.entryCount) + "\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("(matches)"), std::string::npos);
  EXPECT_TRUE(r.out.ends_with("sound\n"));
}

TEST_F(CliTest, CheckReportsProblems) {
  auto bytes = roster_.file;
  bytes[0] ^= 1;                            // stored CRC
  bytes[kFirstRecordOffset + 339] |= 0x80;  // a salary that cannot be saved
  bytes[kFirstRecordOffset + 17] = 0x40;    // a weight byte no text carries
  gen::WriteBytes(rosterPath_, bytes);
  const Result r = RunTool({"check", rosterPath_.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("does not match"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("saving it unchanged would fail: ''2"), std::string::npos) << r.out;
  EXPECT_TRUE(r.out.ends_with("not sound\n"));

  bytes = roster_.file;
  bytes[kFirstRecordOffset + 18] = 200;
  bytes[kFirstRecordOffset + 17] = 0x40;
  gen::WriteBytes(rosterPath_, bytes);
  const Result lossy = RunTool({"check", rosterPath_.string()});
  EXPECT_NE(lossy.out.find("in 1 player record(s), at record bytes 17\n"), std::string::npos)
      << lossy.out;

  gen::WriteBytes(rosterPath_, std::vector<std::uint8_t>(100));
  const Result broken = RunTool({"check", rosterPath_.string()});
  EXPECT_EQ(broken.status, 1);
  EXPECT_NE(broken.out.find("Read beyond end of file"), std::string::npos);
}

TEST_F(CliTest, DemoWritesALoadableRoster) {
  const fs::path demo = dir_ / "demo.ros";
  const Result r = RunTool({"demo", "-o", demo.string(), "--players", "120", "--seed", "7"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto roster = LoadRoster(demo);
  EXPECT_EQ(roster.Document.PlayerCount, 120u);
  EXPECT_EQ(RunTool({"check", demo.string()}).status, 0);
  // The same seed gives the same roster.
  const fs::path again = dir_ / "again.ros";
  RunTool({"demo", "-o", again.string(), "--players", "120", "--seed", "7"});
  EXPECT_EQ(gen::ReadBytes(demo), gen::ReadBytes(again));
}

TEST(CliArguments, WrongArgumentsGetClearMessages) {
#ifdef _WIN32
  const std::string noFolder = "Path not found";  // the folder is missing, not the file
#else
  const std::string noFolder = "File not found";
#endif
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{}, 2, "Usage: orrimax-cli"},
      {{"frobnicate"}, 2, "unknown command 'frobnicate'"},
      {{"export"}, 2, "missing ROSTER"},
      {{"export", "a.ros", "b.ros"}, 2, "unexpected argument b.ros"},
      {{"export", "a.ros", "-o"}, 2, "option -o needs a value"},
      {{"export", "--bogus", "a.ros"}, 2, "unknown option --bogus"},
      {{"import", "a.ros"}, 2, "give --table FILE, --names FILE or both"},
      {{"demo"}, 2, "missing -o FILE"},
      {{"demo", "-o", "x.ros", "--players", "0"}, 2, "--players takes a number from 1 to 65535"},
      {{"demo", "-o", "x.ros", "--players", "12x"}, 2, "not '12x'"},
      {{"check", "/nonexistent/r.ros"}, 1, noFolder},
      {{"export", "/nonexistent/r.ros"}, 1, "/nonexistent/r.ros: " + noFolder},
  };
  for (const Case& c : cases) {
    const Result r = RunTool(c.args);
    EXPECT_EQ(r.status, c.status) << c.message;
    EXPECT_NE((r.err + r.out).find(c.message), std::string::npos) << r.err << r.out;
  }
  for (const char* command : {"export", "import", "check", "demo"}) {
    const Result r = RunTool({command, "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.starts_with(std::string("Usage: orrimax-cli ") + command)) << r.out;
  }
  EXPECT_EQ(RunTool({"--help"}).status, 0);
  const Result version = RunTool({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("orrimax-cli ") + kVersion + "\n");
}

}  // namespace
}  // namespace orrimax::cli
