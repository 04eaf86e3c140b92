// The tool's direct ways between records and text agree with the general
// ones (decode to a table and format it; parse into a table and encode it).
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "CliTestSupport.h"
#include "DB.h"
#include "FileIO.h"
#include "RosterGen.h"
#include "TableText.h"
#include "Text.h"

namespace orrimax::cli {
namespace {

std::string Streamed(const RosterDocument& doc) {
  std::string text;
  TableContent(doc)(
      [&](std::span<const std::uint8_t> piece) { text.append(piece.begin(), piece.end()); });
  return text;
}

gen::GeneratedRoster Generated(std::uint32_t players, gen::FieldValues values, std::uint64_t seed) {
  gen::RosterShape shape;
  shape.players = players;
  shape.values = values;
  shape.seed = seed;
  return gen::GenerateRoster(shape);
}

struct Shape {
  std::uint32_t players;
  gen::FieldValues values;
};

class DirectText : public ::testing::TestWithParam<Shape> {};

// Random field bytes reach every value of the lists of narrow cells and
// every hex digit; 5000 players are read in two halves.
TEST_P(DirectText, ExportAndImportAgreeWithTheGeneralWay) {
  for (std::uint64_t seed = 1; seed <= 3; ++seed) {
    const auto roster = Generated(GetParam().players, GetParam().values, seed);
    LoadedRoster loaded = LoadRosterFromBytes(roster.file);
    const std::string text = FormatTable(loaded.Table);
    EXPECT_EQ(Streamed(loaded.Document), text) << "seed " << seed;

    // Cells moved between players, other spellings of the same values, a
    // quoted cell and a byte order mark, read both ways.
    std::string edited = "\xEF\xBB\xBF" + text;
    const auto swap = [&](std::size_t row, int column, std::u16string value) {
      loaded.Table[column].set(row, std::move(value));
    };
    swap(1, 22, std::u16string(loaded.Table[22][loaded.Document.PlayerCount]));
    swap(loaded.Document.PlayerCount, 7, u" " + std::u16string(loaded.Table[7][1]));
    swap(1, 60, u"0" + std::u16string(loaded.Table[60][1]));
    edited = "\xEF\xBB\xBF" + FormatTable(loaded.Table);
    const auto quoted = edited.find("\r\n") + 2;
    const auto cellEnd = edited.find('\t', quoted);
    edited.insert(cellEnd, "\"").insert(quoted, "\"");

    RosterDocument direct = ReadRosterDocument(roster.file);
    const auto ids = ReadTableIntoRecords(edited, direct);
    PlayerColumns table = LoadRosterFromBytes(roster.file).Table;
    ParseTable(edited, table, loaded.Document.PlayerCount);
    // Random bytes have texts that no cell takes back; then both refuse.
    if (!ids && GetParam().values == gen::FieldValues::Random) {
      EXPECT_THROW(BuildRosterImage(loaded.Document, table, loaded.Names.Data, loaded.Names.Length),
                   RosterError);
      continue;
    }
    ASSERT_TRUE(ids) << "seed " << seed;
    EXPECT_EQ(BuildRosterImage(direct, *ids, loaded.Names.Data, loaded.Names.Length),
              BuildRosterImage(loaded.Document, table, loaded.Names.Data, loaded.Names.Length))
        << "seed " << seed;
  }
}

INSTANTIATE_TEST_SUITE_P(Shapes, DirectText,
                         ::testing::Values(Shape{40, gen::FieldValues::RoundTrip},
                                           Shape{700, gen::FieldValues::Random},
                                           Shape{5000, gen::FieldValues::Realistic}));

TEST(DirectText, NamesWithSeparatorsQuotesAndHalvesOfCharacters) {
  const std::vector<std::u16string> names = {u"Tab\tName",
                                             u"Line\r\nBreak",
                                             u"\"Quoted\"",
                                             u"Ünïcödé",
                                             std::u16string(1, char16_t(0xD800)),
                                             u"\uFDD0"};
  const auto roster = gen::RosterWithNames(names, {{0, 1}, {2, 3}, {4, 5}, {1, 0}});
  const LoadedRoster loaded = LoadRosterFromBytes(roster.file);
  const std::string text = FormatTable(loaded.Table);
  EXPECT_EQ(Streamed(loaded.Document), text);
  RosterDocument direct = ReadRosterDocument(roster.file);
  const auto ids = ReadTableIntoRecords(text, direct);
  ASSERT_TRUE(ids);
  EXPECT_EQ(BuildRosterImage(direct, *ids, loaded.Names.Data, loaded.Names.Length), roster.file);
}

// Other spellings of values, quoted line breaks and stray quotes in a table
// large enough to be read in two halves: the direct way reads what the
// general way reads, or leaves it to it.
TEST(DirectText, EditedCellsInBothHalves) {
  const auto roster = Generated(2000, gen::FieldValues::Realistic, 9);
  const LoadedRoster loaded = LoadRosterFromBytes(roster.file);
  struct Edit {
    std::size_t row;
    int column;
    std::u16string text;
  };
  const std::vector<Edit> edits = {
      {1, 150, u"0a0b0c0d"},  {1999, 150, u"FfFfFfFf"},  {400, 210, u"aabbcc"},
      {1500, 210, u"00ff00"}, {3, 30, u"81.60"},         {1200, 6, u" 2"},
      {5, 183, u"1234567"},   {1300, 183, u"1 000 000"}, {7, 2, u"Line\r\nBreak"},
      {1100, 3, u"\"Quoted"}, {900, 2, u"\"\"\n\""},
  };
  for (const bool stray : {false, true}) {
    PlayerColumns table = loaded.Table;
    for (const Edit& edit : edits) table[edit.column].set(edit.row, edit.text);
    std::string text = FormatTable(table);
    // A quote inside a cell that is not quoted is its own character.
    if (stray) text.insert(text.find("\r\n500\t") + 7, "\"");
    PlayerColumns general = loaded.Table;
    ParseTable(text, general, loaded.Document.PlayerCount);
    const auto expected =
        BuildRosterImage(loaded.Document, general, loaded.Names.Data, loaded.Names.Length);
    RosterDocument direct = ReadRosterDocument(roster.file);
    const auto ids = ReadTableIntoRecords(text, direct);
    if (stray && !ids) continue;
    ASSERT_TRUE(ids) << "stray " << stray;
    EXPECT_EQ(BuildRosterImage(direct, *ids, loaded.Names.Data, loaded.Names.Length), expected)
        << "stray " << stray;
  }
}

// A quoted cell ending at every place of the 64-byte blocks the reader
// scans, and texts whose last line has no line break or LF alone.
TEST(DirectText, QuotedCellsAtEveryPlaceOfABlock) {
  const auto roster = Generated(30, gen::FieldValues::Realistic, 5);
  const LoadedRoster loaded = LoadRosterFromBytes(roster.file);
  for (std::size_t length = 0; length < 70; ++length) {
    PlayerColumns table = loaded.Table;
    table[2].set(3, std::u16string(length, u'x') + u"\t\"");
    std::string text = FormatTable(table);
    if (length % 3 == 1) text.resize(text.size() - 2);  // no CR LF at the end
    if (length % 3 == 2)
      for (auto at = text.find("\r\n"); at != text.npos; at = text.find("\r\n", at))
        text.erase(at, 1);
    PlayerColumns general = loaded.Table;
    ParseTable(text, general, loaded.Document.PlayerCount);
    RosterDocument direct = ReadRosterDocument(roster.file);
    const auto ids = ReadTableIntoRecords(text, direct);
    ASSERT_TRUE(ids) << "length " << length;
    EXPECT_EQ(BuildRosterImage(direct, *ids, loaded.Names.Data, loaded.Names.Length),
              BuildRosterImage(loaded.Document, general, loaded.Names.Data, loaded.Names.Length))
        << "length " << length;
  }
}

// A write that fails partway through a table of many runs: the tool says
// so, the file it was to replace is as it was, and its threads have ended.
TEST(DirectText, AFailedWriteLeavesTheOldFile) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("orrimax-stream-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directories(dir);
  const auto ros = dir / "r.ros", out = dir / "t.txt";
  gen::WriteBytes(ros, Generated(3000, gen::FieldValues::Realistic, 2).file);
  gen::WriteBytes(out, {'o', 'l', 'd'});
  SetWriteFaultHookForTesting([](std::size_t written, std::size_t chunk) -> std::size_t {
    return written > 300000 ? 0 : chunk;
  });
  const test::Result r = test::RunTool({"export", ros.string(), "-o", out.string()});
  SetWriteFaultHookForTesting({});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(out.string()), std::string::npos) << r.err;
  EXPECT_EQ(gen::ReadBytes(out), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
  std::filesystem::remove_all(dir);
}

// Whatever the direct way gives up on, the general way refuses too (and
// names the fault); the direct way never accepts what the general refuses.
TEST(DirectText, FaultsAreLeftToTheGeneralWay) {
  const auto roster = Generated(30, gen::FieldValues::RoundTrip, 4);
  const LoadedRoster loaded = LoadRosterFromBytes(roster.file);
  const std::string text = FormatTable(loaded.Table);
  const auto line2 = text.find("\r\n", text.find("\r\n") + 2) + 2;
  const std::string faults[] = {
      "",
      text.substr(text.find("\r\n") + 2),                                 // no header
      text + "1\r\n",                                                     // a line too many
      text.substr(0, line2) + text.substr(text.find("\r\n", line2) + 2),  // one too few
      text.substr(0, text.rfind('\t')) + "\r\n",                          // a cell missing
      text.substr(0, text.size() - 2) + "\t7\r\n",                        // a cell too many
      text.substr(0, text.rfind('\t') + 1) + "x\r\n",         // a value that does not convert
      text.substr(0, line2) + "\"open" + text.substr(line2),  // a quote never closed
      text.substr(0, line2) + "\xFF" + text.substr(line2),    // not UTF-8
  };
  for (std::size_t k = 0; k < std::size(faults); ++k) {
    RosterDocument direct = ReadRosterDocument(roster.file);
    EXPECT_FALSE(ReadTableIntoRecords(faults[k], direct)) << "fault " << k;
    PlayerColumns table = loaded.Table;
    EXPECT_THROW(
        {
          ParseTable(faults[k], table, loaded.Document.PlayerCount);
          BuildRosterImage(loaded.Document, table, loaded.Names.Data, loaded.Names.Length);
        },
        RosterError)
        << "fault " << k;
  }
}

}  // namespace
}  // namespace orrimax::cli
