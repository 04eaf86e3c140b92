// Whole rosters through the table and back: generated rosters of several
// sizes load into the table and save to the same bytes; edits change exactly
// their own bits; a cell that does not convert stops the save before the
// file is touched.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DB.h"
#include "FindCRC.h"
#include "Functions.h"
#include "RosterGen.h"
#include "TestSupport.h"

namespace orrimax {
namespace {

using gen::FieldValues;
using test::MessageOf;
using test::Rebuild;
using test::TempDir;
using Bytes = std::vector<std::uint8_t>;

class GeneratedRoster : public ::testing::TestWithParam<gen::RosterShape> {
 protected:
  void SetUp() override {
    generated_ = gen::GenerateRoster(GetParam());
    roster_ = LoadRosterFromBytes(generated_.file);
  }
  std::size_t N() const { return GetParam().players; }

  gen::GeneratedRoster generated_;
  LoadedRoster roster_;
};

TEST_P(GeneratedRoster, UnchangedTableSavesTheSameBytes) {
  EXPECT_EQ(Rebuild(roster_), generated_.file);
}

TEST_P(GeneratedRoster, TableShape) {
  for (int c = 0; c < kColumnCount; ++c) {
    ASSERT_EQ(roster_.Table[c].size(), N() + 1) << "column " << c;
    EXPECT_EQ(roster_.Table[c][0], ColumnHeader(c)) << "column " << c;
  }
  EXPECT_EQ(roster_.Table[0][0], u" ");
  EXPECT_EQ(roster_.Table[234][0], u"BTClvsThn   (Body Tweaks - Calves Thinness)");
  for (std::size_t row = 1; row <= N(); ++row) {
    EXPECT_EQ(roster_.Table[0][row], u"") << row;
    ASSERT_EQ(roster_.Table[1][row], Ascii(std::to_string(row - 1)));
  }
  EXPECT_EQ(roster_.Table[1][1], u"0");
  EXPECT_EQ(roster_.Table[1][N()], Ascii(std::to_string(N() - 1)));
  EXPECT_EQ(roster_.Table[4][1], u"0");  // the first player's last name is entry 0
}

TEST_P(GeneratedRoster, NamesBankListsEveryEntry) {
  const std::size_t entries = generated_.entryCount;
  ASSERT_EQ(roster_.Names.Id.size(), entries + 1);
  ASSERT_EQ(roster_.Names.Data.size(), entries + 1);
  ASSERT_EQ(roster_.Names.Length.size(), entries + 1);
  for (std::size_t k = 0; k < generated_.names.size(); ++k) {
    ASSERT_EQ(roster_.Names.Data[k + 1], generated_.names[k]);
    ASSERT_EQ(roster_.Names.Length[k + 1], Ascii(std::to_string(generated_.names[k].size())));
  }
}

TEST_P(GeneratedRoster, CellsAreTheFieldsOfTheirRecord) {
  const std::span<const std::uint8_t> records(roster_.Document.Players);
  for (std::size_t i = 0; i < N(); ++i) {
    const auto record = records.subspan(i * kRecordSize, kRecordSize);
    for (int c = kFirstFieldColumn; c < kColumnCount; ++c)
      ASSERT_EQ(roster_.Table[c][i + 1], DecodeField(c, record))
          << "record " << i << " column " << c;
  }
}

TEST_P(GeneratedRoster, SavedThroughTheFileSystem) {
  TempDir dir;
  const auto path = dir / "roster.ROS";
  gen::WriteBytes(path, generated_.file);
  LoadedRoster roster = LoadRoster(path);
  SaveRoster(roster.Document, path, roster.Table, roster.Names.Data, roster.Names.Length);
  EXPECT_EQ(gen::ReadBytes(path), generated_.file);
  EXPECT_EQ(dir.Listing(), std::set<std::string>{"roster.ROS"});
}

INSTANTIATE_TEST_SUITE_P(
    RoundTrip, GeneratedRoster,
    ::testing::Values(
        gen::RosterShape{.players = 1, .middleSize = 0, .tailSize = 0, .seed = 31},
        gen::RosterShape{.players = 1, .seed = 32, .values = FieldValues::Realistic},
        gen::RosterShape{.players = 2,
                         .middleSize = 0,
                         .tailSize = 1,
                         .seed = 33,
                         .values = FieldValues::Realistic},
        gen::RosterShape{.players = 40, .seed = 34},
        gen::RosterShape{.players = 300,
                         .middleSize = 0,
                         .tailSize = 0,
                         .seed = 35,
                         .values = FieldValues::Realistic},
        gen::RosterShape{.players = 257,
                         .middleSize = 12345,
                         .tailSize = 3,
                         .poolBase = 0xFFFFFF00u,
                         .seed = 36},
        gen::RosterShape{.players = 450, .middleSize = 1, .tailSize = 0, .poolBase = 0, .seed = 37},
        gen::RosterShape{.players = 120,
                         .middleSize = 500,
                         .tailSize = 0,
                         .seed = 38,
                         .values = FieldValues::Realistic,
                         .unterminatedUnits = 0}));

// ---- Random record bytes ------------------------------------------------------------

class RandomRecords : public ::testing::TestWithParam<std::uint64_t> {};

TEST_P(RandomRecords, OnlyTheValuesNoTextCarriesChange) {
  const gen::GeneratedRoster g = gen::GenerateRoster({.players = 60,
                                                      .middleSize = 100,
                                                      .tailSize = 10,
                                                      .seed = GetParam(),
                                                      .values = FieldValues::Random});
  LoadedRoster roster = LoadRosterFromBytes(g.file);

  // A salary with its top bit set stops the save, at the first such cell in
  // record order.
  std::string expectedMessage;
  for (std::size_t i = 0; i < 60 && expectedMessage.empty(); ++i)
    for (int k = 0; k < 7 && expectedMessage.empty(); ++k) {
      const std::uint32_t salary =
          ReadU32LE(roster.Document.Players.data() + i * kRecordSize + 336 + 4 * k);
      if (salary >= 0x80000000u)
        expectedMessage = "''" + std::to_string(salary) + "'' is not a valid integer value";
    }
  ASSERT_FALSE(expectedMessage.empty()) << "no salary with its top bit in this roster";
  EXPECT_EQ(MessageOf<ConvertError>([&] { Rebuild(roster); }), expectedMessage);

  // With those salaries changed, every other value is written back, except
  // the ones no text carries.
  for (std::size_t i = 0; i < 60; ++i)
    for (int k = 0; k < 7; ++k) {
      const std::uint32_t salary =
          ReadU32LE(roster.Document.Players.data() + i * kRecordSize + 336 + 4 * k);
      if (salary >= 0x80000000u) roster.Table[182 + k].set(i + 1, GroupDigits(salary & 0x7FFFFFFF));
    }
  const Bytes image = Rebuild(roster);
  Bytes expected = g.file;
  for (std::size_t i = 0; i < 60; ++i)
    test::MakeEveryValueCarried(expected.data() + kFirstRecordOffset + i * kRecordSize);
  WriteU32LE(expected.data(), Crc32(std::span(expected).subspan(kCrcSize)));
  ASSERT_EQ(image.size(), expected.size());
  for (std::size_t at = 0; at < image.size(); ++at) {
    if (image[at] == expected[at]) continue;
    ADD_FAILURE() << "byte " << at << " (record " << (at - kFirstRecordOffset) / kRecordSize
                  << ", offset " << (at - kFirstRecordOffset) % kRecordSize << ")";
    break;
  }
}

INSTANTIATE_TEST_SUITE_P(RoundTrip, RandomRecords, ::testing::Values(41u, 42u, 43u));

// ---- Edits -----------------------------------------------------------------------------

struct EditCase {
  int column;
  std::size_t row;
  std::u16string cell;
};

void PrintTo(const EditCase& e, std::ostream* os) {
  *os << "column " << e.column << " row " << e.row << " " << test::Show(e.cell);
}

class Edit : public ::testing::TestWithParam<EditCase> {};

TEST_P(Edit, ChangesExactlyTheFieldsBitsOfItsRecord) {
  const gen::GeneratedRoster g = gen::GenerateRoster({.players = 30, .seed = 51});
  LoadedRoster roster = LoadRosterFromBytes(g.file);
  const EditCase& e = GetParam();
  roster.Table[e.column].set(e.row, e.cell);
  const Bytes image = Rebuild(roster);
  ASSERT_EQ(image.size(), g.file.size());

  const std::size_t first = kFirstRecordOffset + (e.row - 1) * kRecordSize;
  const auto mask = test::MaskOf(e.column);
  for (std::size_t at = kCrcSize; at < image.size(); ++at) {
    const bool own = at >= first && at < first + kRecordSize;
    const std::uint8_t allowed = own ? mask[at - first] : 0;
    ASSERT_EQ((image[at] ^ g.file[at]) & ~allowed, 0) << "byte " << at;
  }
  // The edited record reads back the cell's text.
  const std::span<const std::uint8_t> record(image.data() + first, kRecordSize);
  EXPECT_EQ(DecodeField(e.column, record), e.cell);
  EXPECT_EQ(ReadU32LE(image.data()), Crc32(std::span(image).subspan(kCrcSize)));
}

INSTANTIATE_TEST_SUITE_P(
    RoundTrip, Edit,
    ::testing::Values(EditCase{6, 1, u"5"}, EditCase{7, 30, u"222"}, EditCase{8, 12, u"301"},
                      EditCase{9, 2, u"-5"}, EditCase{10, 30, u"00"}, EditCase{11, 4, u"31"},
                      EditCase{16, 5, u"4464"}, EditCase{20, 6, u"5"}, EditCase{21, 7, u"48"},
                      EditCase{22, 8, u"99.6"}, EditCase{64, 9, u"42"}, EditCase{122, 10, u"3"},
                      EditCase{147, 11, u"99"}, EditCase{148, 11, u"17"},
                      EditCase{160, 13, u"DEADBEEF"}, EditCase{179, 14, u"6"},
                      EditCase{180, 15, u"1"}, EditCase{185, 16, u" 123 456"},
                      EditCase{189, 17, u"2"}, EditCase{192, 18, u"21"}, EditCase{205, 19, u"5"},
                      EditCase{208, 20, u"A1B2C3"}, EditCase{214, 21, u"33"},
                      EditCase{215, 22, u"1999"}, EditCase{216, 23, u"9"}, EditCase{217, 24, u"2"},
                      EditCase{218, 25, u"5"}, EditCase{219, 26, u"6"}, EditCase{220, 27, u"300"},
                      EditCase{221, 28, u"12"}, EditCase{222, 29, u"65000"},
                      EditCase{223, 29, u"777"}, EditCase{229, 3, u"-7"},
                      EditCase{234, 3, u"-100"}));

TEST(RoundTrip, JerseyHundredShowsAsDoubleZeroInEveryRowTheLastIncluded) {
  gen::GeneratedRoster g = gen::GenerateRoster({.players = 9, .seed = 52});
  for (std::size_t i : {std::size_t{0}, std::size_t{4}, std::size_t{8}}) {
    std::uint8_t* r = g.file.data() + kFirstRecordOffset + i * kRecordSize;
    r[33] = static_cast<std::uint8_t>((r[33] & 0x1F) | 0x80);
    r[34] = static_cast<std::uint8_t>((r[34] & 0xF0) | 0x0C);
  }
  const LoadedRoster roster = LoadRosterFromBytes(g.file);
  EXPECT_EQ(roster.Table[10][1], u"00");
  EXPECT_EQ(roster.Table[10][5], u"00");
  EXPECT_EQ(roster.Table[10][9], u"00");
}

// ---- Cells that do not convert --------------------------------------------------------

struct BadSave {
  std::vector<EditCase> edits;
  std::string message;
};

void PrintTo(const BadSave& b, std::ostream* os) {
  for (const EditCase& e : b.edits) {
    PrintTo(e, os);
    *os << "; ";
  }
}

class BadCellOnSave : public ::testing::TestWithParam<BadSave> {};

TEST_P(BadCellOnSave, NamesTheCellAndLeavesTheFile) {
  TempDir dir;
  const gen::GeneratedRoster g = gen::GenerateRoster({.players = 12, .seed = 53});
  const auto path = dir / "roster.ROS";
  // A stale checksum too: the file must keep its previous one.
  Bytes onDisk = g.file;
  onDisk[0] ^= 0xFF;
  gen::WriteBytes(path, onDisk);
  LoadedRoster roster = LoadRoster(path);
  const LoadedRoster before = roster;
  for (const EditCase& e : GetParam().edits) roster.Table[e.column].set(e.row, e.cell);
  EXPECT_EQ(MessageOf<ConvertError>([&] {
              SaveRoster(roster.Document, path, roster.Table, roster.Names.Data,
                         roster.Names.Length);
            }),
            GetParam().message);
  EXPECT_EQ(gen::ReadBytes(path), onDisk);
  EXPECT_EQ(dir.Listing(), std::set<std::string>{"roster.ROS"});
  EXPECT_EQ(roster.Document.Players, before.Document.Players);
  EXPECT_EQ(roster.Document.NamePool, before.Document.NamePool);
  EXPECT_EQ(roster.Document.StoredCrc, before.Document.StoredCrc);
}

INSTANTIATE_TEST_SUITE_P(
    RoundTrip, BadCellOnSave,
    ::testing::Values(
        BadSave{{{7, 3, u"12 "}}, "''12 '' is not a valid integer value"},
        BadSave{{{21, 12, u""}}, "'''' is not a valid integer value"},
        BadSave{{{22, 1, u"98,6"}}, "'98,6' is not a valid floating point value"},
        BadSave{{{149, 5, u"12345"}}, "''$'' is not a valid integer value"},
        BadSave{{{208, 5, u"aabb"}}, "''$'' is not a valid integer value"},
        BadSave{{{215, 6, u"99"}}, "'''' is not a valid integer value"},
        BadSave{{{182, 7, u"2 147 483 648"}}, "''2147483648'' is not a valid integer value"},
        BadSave{{{4, 8, u"abc"}}, "''abc'' is not a valid integer value"},
        BadSave{{{5, 9, u" 1 "}}, "'' 1 '' is not a valid integer value"},
        // Fields are written in record order: display column 7 comes before 6,
        // 222 before 20, and an earlier player before a later one.
        BadSave{{{6, 3, u"six"}, {7, 3, u"seven"}}, "''seven'' is not a valid integer value"},
        BadSave{{{20, 3, u"twenty"}, {222, 3, u"id"}}, "''id'' is not a valid integer value"},
        BadSave{{{7, 9, u"late"}, {234, 2, u"early"}}, "''early'' is not a valid integer value"}));

// Saves the program refuses although every cell converts.
struct Refusal {
  const char* name;
  std::vector<EditCase> edits;
  std::vector<EditCase> lengths;  // column unused; row k + 1 is entry k
  std::vector<std::string> inMessage;
};

void PrintTo(const Refusal& r, std::ostream* os) {
  *os << r.name;
}

class SaveRefused : public ::testing::TestWithParam<Refusal> {};

TEST_P(SaveRefused, NothingIsWritten) {
  TempDir dir;
  const gen::GeneratedRoster g = gen::GenerateRoster({.players = 12, .seed = 56});
  const auto path = dir / "roster.ROS";
  gen::WriteBytes(path, g.file);
  LoadedRoster roster = LoadRoster(path);
  const LoadedRoster before = roster;
  for (const EditCase& e : GetParam().edits) roster.Table[e.column].set(e.row, e.cell);
  for (const EditCase& e : GetParam().lengths) roster.Names.Length.set(e.row, e.cell);
  const std::string message = MessageOf<RosterError>([&] {
    SaveRoster(roster.Document, path, roster.Table, roster.Names.Data, roster.Names.Length);
  });
  for (const auto& part : GetParam().inMessage)
    EXPECT_NE(message.find(part), std::string::npos) << message;
  EXPECT_EQ(gen::ReadBytes(path), g.file);
  EXPECT_EQ(dir.Listing(), std::set<std::string>{"roster.ROS"});
  EXPECT_EQ(roster.Document.Players, before.Document.Players);
  EXPECT_EQ(roster.Document.NamePool, before.Document.NamePool);
}

INSTANTIATE_TEST_SUITE_P(
    RoundTrip, SaveRefused,
    ::testing::Values(Refusal{"FirstLastNameNotEntryZero", {{4, 1, u"2"}}, {}, {"LNameID", "2"}},
                      Refusal{"IdBeyondTheBank", {{5, 3, u"70000"}}, {}, {"FNameID", "70000"}},
                      Refusal{"NegativeId", {{4, 12, u"-3"}}, {}, {"LNameID", "-3"}},
                      Refusal{"NegativeLength", {}, {{0, 1, u"-1"}}, {"entry 0", "-1"}},
                      Refusal{"LengthsBeyondThePool", {}, {{0, 6, u"100000"}}, {"112540"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RoundTrip, BadLengthInTheNamesBankLeavesTheFile) {
  TempDir dir;
  const gen::GeneratedRoster g = gen::GenerateRoster({.players = 5, .seed = 54});
  const auto path = dir / "roster.ROS";
  gen::WriteBytes(path, g.file);
  LoadedRoster roster = LoadRoster(path);
  roster.Names.Length.set(3, u"4x");
  EXPECT_EQ(MessageOf<ConvertError>([&] {
              SaveRoster(roster.Document, path, roster.Table, roster.Names.Data,
                         roster.Names.Length);
            }),
            "''4x'' is not a valid integer value");
  EXPECT_EQ(gen::ReadBytes(path), g.file);
  EXPECT_EQ(dir.Listing(), std::set<std::string>{"roster.ROS"});
}

TEST(RoundTrip, CorrectedCellSavesAfterAFailure) {
  TempDir dir;
  const gen::GeneratedRoster g = gen::GenerateRoster({.players = 6, .seed = 55});
  const auto path = dir / "roster.ROS";
  gen::WriteBytes(path, g.file);
  LoadedRoster roster = LoadRoster(path);
  const auto save = [&] {
    SaveRoster(roster.Document, path, roster.Table, roster.Names.Data, roster.Names.Length);
  };
  roster.Table[7].set(2, u"");
  EXPECT_THROW(save(), ConvertError);
  roster.Table[7].set(2, u"210");
  save();
  const LoadedRoster reopened = LoadRoster(path);
  EXPECT_EQ(reopened.Table[7][2], u"210");
  for (int c = 1; c < kColumnCount; ++c)
    for (std::size_t row = 0; row <= 6; ++row)
      if (c != 7 || row != 2) {
        ASSERT_EQ(reopened.Table[c][row], roster.Table[c][row]) << c << " " << row;
      }
}

}  // namespace
}  // namespace orrimax
