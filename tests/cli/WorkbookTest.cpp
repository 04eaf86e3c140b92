// Workbooks of orrimax-cli: texts a spreadsheet would take for numbers, or
// that XML cannot hold, come back as written, through the tool and through
// LibreOffice Calc; workbooks of other writers are read; hostile ones are
// refused with a message.
#include <gtest/gtest.h>

#include <zip.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "Cli.h"
#include "CliTestSupport.h"
#include "DB.h"
#include "RosterGen.h"
#include "Workbook.h"

namespace orrimax::cli {
namespace {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;
using namespace std::string_literals;

using test::Result;
using test::RunTool;

// A folder of the test's own, removed at its end.
class WorkbookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           ("orrimax-xlsx-" + std::to_string(::getpid()) + "-" + test->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

Rows AsRows(const CellRows& cells) {
  Rows rows(cells.rows());
  for (std::size_t r = 0; r < cells.rows(); ++r)
    for (std::size_t c = 0; c < cells.cells(r); ++c) rows[r].emplace_back(cells.cell(r, c));
  return rows;
}

std::vector<std::uint8_t> Write(const Rows& rows, std::size_t columns) {
  const auto book = NewWorkbookWriter("Sheet", columns);
  for (const auto& row : rows) {
    const std::vector<std::string_view> cells(row.begin(), row.end());
    book->AddRow(cells);
  }
  return book->Finish();
}

// What spreadsheets turn into numbers or dates, what XML cannot hold or
// changes (controls, CR, U+FFFE), the workbook escape itself, and the
// texts' own escapes (U+FDD0 and U+E000 + k for a lone surrogate).
// clang-format off
const std::vector<std::string> kTrickyTexts = {
    "00", "1E5", "0A0B0C0D", " 100 000", "1/2", "-0", "TRUE", "=1+1", "'x", "1.50", "", " lead",
    "trail ", " ", "a\tb", "cr\ronly", "lf\nonly", "\r\n", "say \"hi\"", "&<>'", "_x0041_",
    "_x005F_", "__x0041__", "_x0041", "_X0041_", "_x00g1_", "\x01\x08\x0B\x0C\x0E\x1F\x7F",
    "nul\0here"s, "\uFFFE\uFFFF", "\uFDD0\uE001", "Yi\u011Fit", "\U0001F600"};
// clang-format on

// The cells as the sheet keeps them: every text in a column of its own and
// beside texts, rows of several lengths (a missing cell reads as "").
TEST(Workbook, EveryTextComesBackAsWritten) {
  Rows rows = {{"head", "er"}};
  for (const std::string& text : kTrickyTexts) rows.push_back({text, "<" + text + ">", text});
  rows.push_back({});
  rows.push_back({"", "", "last"});
  const Rows back = AsRows(ReadWorkbook(Write(rows, 3)));
  ASSERT_EQ(back.size(), rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r)
    for (std::size_t c = 0; c < std::max(rows[r].size(), back[r].size()); ++c)
      EXPECT_EQ(c < back[r].size() ? back[r][c] : "", c < rows[r].size() ? rows[r][c] : "")
          << "row " << r << ", cell " << c;
}

TEST(Workbook, TextsTheWorkbookCannotHoldAreRefused) {
  EXPECT_THROW(Write({{"bad \xFF byte"}}, 1), RosterError);
  try {
    Write({{"ok", std::string(32768, 'x')}}, 2);
    FAIL() << "a cell of 32768 characters was written";
  } catch (const RosterError& e) {
    EXPECT_EQ(e.message(),
              "Cell B1 would hold more than 32767 characters, the most a workbook "
              "cell can hold");
  }
}

// A spreadsheet may leave out a row's last empty cells, or keep empty cells
// and rows beyond the table's: the text has its own width all the same.
TEST(Workbook, RowsBecomeTheLinesOfTheText) {
  const auto text = [](const Rows& cells) {
    CellRows rows;
    for (const auto& row : cells) {
      rows.StartRow();
      for (const std::string& cell : row) rows.AddCell(cell);
    }
    return RowsAsText(rows, 4, "S");
  };
  EXPECT_EQ(text({{"a", "b", "c", "d"},
                  {"e"},
                  {"f", "", "", "", "", ""},
                  {"q\"q", "t\tt", "cr\r", "lf\n"},
                  {},
                  {"", ""}}),
            "a\tb\tc\td\r\ne\t\t\t\r\nf\t\t\t\r\n\"q\"\"q\"\t\"t\tt\"\t\"cr\r\"\t\"lf\n\"\r\n");
  try {
    text({{"a"}, {"", "", "", "", "x"}});
    ADD_FAILURE() << "a text beyond the width was taken";
  } catch (const RosterError& e) {
    EXPECT_EQ(e.message(), "Cell E2 is not empty, but S has 4 columns");
  }
}

// A workbook with the parts other writers give it, each replaceable.
using Parts = std::map<std::string, std::string>;

Parts MinimalWorkbook(const std::string& sheetData, const std::string& strings = "") {
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  return {
      {"_rels/.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" Type=\"" +
           rel + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
      {"xl/workbook.xml",
       "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
       "xmlns:r=\"" +
           rel + "\"><sheets><sheet name=\"S\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>"},
      {"xl/_rels/workbook.xml.rels",
       "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
       "<Relationship Id=\"rId1\" Type=\"" +
           rel +
           "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" Type=\"" +
           rel + "/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"},
      {"xl/worksheets/sheet1.xml",
       "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
       "<sheetData>" +
           sheetData + "</sheetData></worksheet>"},
      {"xl/sharedStrings.xml",
       "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" + strings +
           "</sst>"}};
}

std::vector<std::uint8_t> Zip(const fs::path& dir, const Parts& parts) {
  const fs::path file = dir / "built.xlsx";
  int error = 0;
  zip_t* zip = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  EXPECT_NE(zip, nullptr);
  for (const auto& [name, text] : parts) {
    zip_source_t* source = zip_source_buffer(zip, text.data(), text.size(), 0);
    EXPECT_GE(zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0);
  }
  EXPECT_EQ(zip_close(zip), 0);
  return gen::ReadBytes(file);
}

TEST_F(WorkbookTest, WorkbooksOfOtherWritersAreRead) {
  struct Case {
    const char* name;
    Parts parts;
    Rows expected;
  };
  const std::string strings =
      "<si><t>plain</t></si>"
      "<si><r><rPr><b/></rPr><t xml:space=\"preserve\">rich </t></r><r><t>runs</t></r>"
      "<rPh sb=\"0\" eb=\"1\"><t>phonetic</t></rPh></si>"
      "<si><t>cr_x000D_lf_x000A_ _x005F_x0041_ _xD83D__xDE00_ _xd800_</t></si>";
  Parts firstOfTwo = MinimalWorkbook("<row><c><v>1</v></c></row>");
  firstOfTwo["xl/workbook.xml"] =
      "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
      "<sheets><sheet r:id=\"rId7\"/><sheet r:id=\"rId1\"/></sheets></workbook>";
  firstOfTwo["xl/_rels/workbook.xml.rels"] =
      "<Relationships><Relationship Id=\"rId1\" Type=\"x/worksheet\" Target=\"worksheets/"
      "sheet1.xml\"/><Relationship Id=\"rId7\" Type=\"x/worksheet\" "
      "Target=\"/xl/other/../sheets/b.xml\"/></Relationships>";
  firstOfTwo["xl/sheets/b.xml"] =
      "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
      "<x:sheetData><x:row r=\"1\"><x:c r=\"B1\" t=\"inlineStr\"><x:is><x:t>second</x:t></x:is>"
      "</x:c></x:row></x:sheetData></x:worksheet>";
  const Case cases[] = {
      {"every kind of cell",
       MinimalWorkbook("<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"C1\" t=\"s\"><v> 1 "
                       "</v></c><c t=\"s\"><v>2</v></c></row>"
                       "<row r=\"3\"><c r=\"A3\"><v>1E5</v></c><c r=\"B3\" t=\"b\"><v>1</v></c>"
                       "<c r=\"C3\" t=\"str\"><f>A3&amp;\"\"</f><v>_x0009_x</v></c>"
                       "<c r=\"D3\" t=\"inlineStr\"><is><r><t>in</t></r><r><t>line</t></r></is></c>"
                       "<c r=\"E3\" t=\"e\"><v>#N/A</v></c><c r=\"F3\" s=\"1\"/></row>",
                       strings),
       {{"plain", "", "rich runs", "cr\rlf\n _x0041_ \xF0\x9F\x98\x80 \xED\xA0\x80"},
        {},
        {"1E5", "1", "\tx", "inline", "#N/A", ""}}},
      {"the first sheet in the workbook's order, by its relationship",
       firstOfTwo,
       {{"", "second"}}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(AsRows(ReadWorkbook(Zip(dir_, c.parts))), c.expected) << c.name;
}

TEST_F(WorkbookTest, HostileWorkbooksAreRefusedWithAMessage) {
  const std::vector<std::uint8_t> good = Write({{"a", "b"}, {"c"}}, 2);
  Parts noSheet = MinimalWorkbook("");
  noSheet.erase("xl/worksheets/sheet1.xml");
  Parts noRels = MinimalWorkbook("");
  noRels.erase("_rels/.rels");
  Parts entity = MinimalWorkbook("");
  entity["xl/worksheets/sheet1.xml"] = "<!DOCTYPE w [<!ENTITY a \"aaaa\">]><w>&a;</w>";
  std::string tooMany;
  for (int r = 1; r <= 2100; ++r)
    tooMany += "<row r=\"" + std::to_string(r) + "\"><c r=\"XFD" + std::to_string(r) + "\"/></row>";
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    std::string message;
  };
  const std::string text = "ID\tData\tLength\r\n";
  const Case cases[] = {
      {"a text", {text.begin(), text.end()}, "not a zip archive"},
      {"a truncated zip",
       {good.begin(), good.begin() + good.size() / 2},
       "zip archive cannot be read"},
      {"no sheet part", Zip(dir_, noSheet), "no part xl/worksheets/sheet1.xml"},
      {"no package relationships", Zip(dir_, noRels), "no part _rels/.rels"},
      {"bad XML", Zip(dir_, MinimalWorkbook("<row><c><v>1</c></row>")), "not well-formed"},
      {"an entity", Zip(dir_, entity), "document type declaration"},
      {"a shared string it lacks", Zip(dir_, MinimalWorkbook("<row><c t=\"s\"><v>3</v></c></row>")),
       "shared string \"3\""},
      {"cells out of order",
       Zip(dir_, MinimalWorkbook("<row r=\"1\"><c r=\"B1\"/><c r=\"A1\"/></row>")),
       "cell A1 is out of order"},
      {"a column beyond the sheet's",
       Zip(dir_, MinimalWorkbook("<row r=\"1\"><c r=\"XFE1\"/></row>")),
       "more columns than a sheet can"},
      {"a cell in another row", Zip(dir_, MinimalWorkbook("<row r=\"2\"><c r=\"A1\"/></row>")),
       "row 2 holds a cell named \"A1\""},
      {"more cells than any roster", Zip(dir_, MinimalWorkbook(tooMany)), "more cells than any"},
  };
  for (const Case& c : cases) {
    try {
      ReadWorkbook(c.bytes);
      ADD_FAILURE() << c.name << ": read";
    } catch (const RosterError& e) {
      EXPECT_TRUE(e.message().starts_with("Not a readable workbook: ")) << e.message();
      EXPECT_NE(e.message().find(c.message), std::string::npos) << c.name << ": " << e.message();
    }
  }
}

// ---- Through the tool --------------------------------------------------------

// Names that hold what separates cells, what XML cannot hold, the escapes
// and lone surrogates, and texts a spreadsheet would take for numbers.
gen::GeneratedRoster RosterWithTrickyNames(std::size_t players, bool withCrLf) {
  std::vector<std::u16string> names = {u"Smith"};
  if (withCrLf) names.push_back(u"line\r\nbreak");
  for (const char16_t* name :
       {u"a\tb", u"cr\ronly", u"lf\nonly", u"say \"hi\"", u"_x0041_", u"_x005F_", u"\x01\x1F\x7F",
        u"\xFFFE\xFFFF", u"=1+1", u"'x", u"TRUE", u"00", u"1E5", u"0A0B0C0D", u" 100 000", u" lead",
        u"trail ", u"\xFDD0"})
    names.push_back(name);
  names.push_back({u'A', 0xD800, u'b', 0xDFFF, 0xD83D, 0xDE00, 0xDBFF});
  std::vector<std::pair<std::uint32_t, std::uint32_t>> refs;
  for (std::uint32_t p = 0; p < players; ++p)
    refs.emplace_back(p == 0 ? 0 : p % names.size(), (p * 7 + 3) % names.size());
  return gen::RosterWithNames(names, refs, 7);
}

// Export as workbooks, pass them through `transform` (which gives the
// workbooks to import, table first), import them back: the workbooks hold
// the text export's every cell, and the roster comes out byte for byte.
using Transform = std::function<std::pair<fs::path, fs::path>(const fs::path&, const fs::path&)>;

void ExpectRoundTrip(const fs::path& dir, const std::vector<std::uint8_t>& roster,
                     const Transform& transform) {
  const fs::path ros = dir / "r.ros";
  gen::WriteBytes(ros, roster);
  const fs::path table = dir / "table.xlsx", names = dir / "names.xlsx";
  ASSERT_EQ(RunTool({"export", ros.string(), "--xlsx", table.string()}).status, 0);
  ASSERT_EQ(RunTool({"export", "--names", ros.string(), "--xlsx", names.string()}).status, 0);
  const auto [t, n] = transform(table, names);
  EXPECT_EQ(RowsAsText(ReadWorkbook(gen::ReadBytes(t)), kColumnCount - 1, ""),
            RunTool({"export", ros.string()}).out);
  EXPECT_EQ(RowsAsText(ReadWorkbook(gen::ReadBytes(n)), 3, ""),
            RunTool({"export", "--names", ros.string()}).out);
  const Result r = RunTool(
      {"import", ros.string(), "--no-backup", "--table", t.string(), "--names", n.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(gen::ReadBytes(ros), roster);
}

TEST_F(WorkbookTest, ExportAndImportRoundTripByteForByte) {
  const Transform same = [](const fs::path& t, const fs::path& n) { return std::pair(t, n); };
  ExpectRoundTrip(dir_, RosterWithTrickyNames(60, true).file, same);
  gen::RosterShape shape;
  shape.players = 400;
  shape.values = gen::FieldValues::RoundTrip;  // hex runs like 0A0B0C0D, 00E5...
  ExpectRoundTrip(dir_, gen::GenerateRoster(shape).file, same);
}

TEST_F(WorkbookTest, EditedWorkbookCellsLandAndBadOnesAreRefused) {
  const auto roster = RosterWithTrickyNames(30, true);
  const fs::path ros = dir_ / "r.ros", table = dir_ / "t.xlsx";
  gen::WriteBytes(ros, roster.file);
  ASSERT_EQ(RunTool({"export", ros.string(), "--xlsx", table.string()}).status, 0);
  Rows rows = AsRows(ReadWorkbook(gen::ReadBytes(table)));
  rows[3][8] = "33";  // player 2's Age
  gen::WriteBytes(table, Write(rows, rows[0].size()));
  ASSERT_EQ(RunTool({"import", ros.string(), "--no-backup", "--table", table.string()}).status, 0);
  EXPECT_EQ(LoadRoster(ros).Table[9][3], u"33");

  gen::WriteBytes(ros, roster.file);
  rows[5][8] = "x";
  gen::WriteBytes(table, Write(rows, rows[0].size()));
  Result r = RunTool({"import", ros.string(), "--table", table.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("''x'' is not a valid integer value"), std::string::npos) << r.err;
  rows.erase(rows.begin() + 2);
  gen::WriteBytes(table, Write(rows, rows[0].size()));
  r = RunTool({"import", ros.string(), "--table", table.string()});
  EXPECT_NE(r.err.find("29 player lines, but the roster has 30"), std::string::npos) << r.err;
  r = RunTool({"import", ros.string(), "--names", table.string()});
  EXPECT_NE(r.err.find(table.string() + ": Cell D1 is not empty, but a names sheet has 3 columns"),
            std::string::npos)
      << r.err;
  rows[4].push_back("extra");
  gen::WriteBytes(table, Write(rows, rows[0].size()));
  r = RunTool({"import", ros.string(), "--table", table.string()});
  EXPECT_NE(r.err.find("Cell IA5 is not empty, but a player sheet has 234 columns"),
            std::string::npos)
      << r.err;
  const auto truncated = gen::ReadBytes(table);
  gen::WriteBytes(table, {truncated.begin(), truncated.begin() + truncated.size() / 3});
  r = RunTool({"import", ros.string(), "--table", table.string()});
  EXPECT_EQ(r.err, "orrimax-cli: " + table.string() +
                       ": Not a readable workbook: its zip archive cannot be read (Not a zip "
                       "archive)\n");
  EXPECT_EQ(gen::ReadBytes(ros), roster.file);
  for (const auto& entry : fs::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename().string().find(".orrimax-"), std::string::npos);
}

TEST_F(WorkbookTest, WrongWorkbookArgumentsGetClearMessages) {
  const fs::path ros = dir_ / "r.ros";
  gen::WriteBytes(ros, gen::GenerateRoster({}).file);
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {{"export", ros.string(), "--xlsx", "a.xlsx", "-o", "b.txt"},
       2,
       "give either -o FILE or --xlsx"},
      {{"export", ros.string(), "--xlsx", "a.xlsx", "--bom"}, 2, "--bom is for texts"},
      {{"export", ros.string(), "--xlsx"}, 2, "option --xlsx needs a value"},
      {{"export", ros.string(), "--xlsx", "/nonexistent/a.xlsx"}, 1, "/nonexistent/a.xlsx: "},
  };
  for (const Case& c : cases) {
    const Result r = RunTool(c.args);
    EXPECT_EQ(r.status, c.status) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_EQ(gen::ReadBytes(ros), gen::GenerateRoster({}).file);
}

// LibreOffice Calc opens the workbooks and saves them as its own: every cell
// is kept, but for a CR LF inside a cell, which Calc turns into LF. Slow (a
// few seconds, more on a first start), so one modest roster.
TEST_F(WorkbookTest, RoundTripThroughLibreOfficeCalc) {
  if (std::system("command -v soffice >/dev/null 2>&1") != 0)
    GTEST_SKIP()
        << "soffice (libreoffice-calc-nogui) is not installed; scripts/setup.sh installs it";
  const Transform calc = [&](const fs::path& table, const fs::path& names) {
    // A profile of its own, so that runs side by side do not share one.
    const fs::path out = dir_ / "calc";
    const std::string command = "timeout 300 soffice -env:UserInstallation=file://" +
                                (dir_ / "profile").string() + " --headless --convert-to xlsx " +
                                "--outdir '" + out.string() + "' '" + table.string() + "' '" +
                                names.string() + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    const auto converted = std::pair(out / table.filename(), out / names.filename());
    // Calc's own workbook, not a copy.
    EXPECT_NE(gen::ReadBytes(converted.first), gen::ReadBytes(table));
    return converted;
  };
  ExpectRoundTrip(dir_, RosterWithTrickyNames(50, false).file, calc);
}

}  // namespace
}  // namespace orrimax::cli
