// The name pool: parsing, rebuilding from the names bank's texts and Lengths,
// and the players' self-relative name pointers.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "DB.h"
#include "Functions.h"
#include "RosterGen.h"
#include "TestSupport.h"

namespace orrimax {
namespace {

using test::MessageOf;
using test::Rebuild;
using Pool = std::vector<std::uint8_t>;
using namespace std::literals;

ColumnList Column(std::initializer_list<std::u16string> cells) {
  ColumnList list;
  for (const auto& c : cells) list.push_back(c);
  return list;
}

void PutUnits(Pool& pool, std::size_t at, std::u16string_view units) {
  for (char16_t c : units) {
    pool[at++] = static_cast<std::uint8_t>(c);
    pool[at++] = static_cast<std::uint8_t>(c >> 8);
  }
}

// ---- Parsing -------------------------------------------------------------------

TEST(ParseNamePool, TextsEmptyEntriesAndOffsets) {
  Pool pool(kPoolSize, 0);
  PutUnits(pool, 0, u"AB\0\0C\0"sv);
  const NameBank bank = ParseNamePool(pool);
  // Three entries, then every remaining zero unit is an empty entry.
  ASSERT_EQ(bank.size(), 3u + (kPoolSize / 2 - 6));
  EXPECT_EQ(bank[0].Data, u"AB");
  EXPECT_EQ(bank[0].P, 0u);
  EXPECT_EQ(bank[1].Data, u"");
  EXPECT_EQ(bank[1].P, 6u);
  EXPECT_EQ(bank[2].Data, u"C");
  EXPECT_EQ(bank[2].P, 8u);
  EXPECT_EQ(bank[3].Data, u"");
  EXPECT_EQ(bank[3].P, 12u);
  EXPECT_EQ(bank.back().P, kPoolSize - 2);
}

TEST(ParseNamePool, UnterminatedRestIsNoEntry) {
  Pool pool = gen::MakePool({u"Ann", u"Bo"});
  PutUnits(pool, kPoolSize - 6, u"zzz");
  const NameBank bank = ParseNamePool(pool);
  ASSERT_EQ(bank.size(), 2u + (kPoolSize - 6 - 14) / 2);
  EXPECT_EQ(bank[0].Data, u"Ann");
  EXPECT_EQ(bank[1].Data, u"Bo");
  EXPECT_EQ(bank[1].P, 8u);
  EXPECT_EQ(bank.back().Data, u"");
  EXPECT_EQ(bank.back().P, kPoolSize - 8);
}

TEST(ParseNamePool, PoolWithoutAnyTerminatorHasNoEntries) {
  Pool pool(kPoolSize, 0x41);
  EXPECT_TRUE(ParseNamePool(pool).empty());
}

TEST(ParseNamePool, UnitsAboveLatin1AndSurrogates) {
  Pool pool(kPoolSize, 0);
  const std::u16string name = u"Yiğit\U0001D11E";
  PutUnits(pool, 0, name);
  const NameBank bank = ParseNamePool(pool);
  EXPECT_EQ(bank[0].Data, name);
  EXPECT_EQ(bank[1].P, 2 * name.size() + 2);
}

// Terminators at every position within a block of units read at once, zero bytes
// that straddle two units, and pools of odd and short sizes: the entries
// are those of a plain unit-by-unit reading.
TEST(ParseNamePool, AgreesWithAUnitByUnitReading) {
  std::uint32_t state = 7;
  for (std::size_t size :
       {0u, 1u, 2u, 3u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 32u, 33u, 63u, 64u, 65u, 97u, 301u}) {
    for (int round = 0; round < 40; ++round) {
      Pool pool(size);
      for (auto& b : pool) {
        state = state * 1103515245 + 12345;
        // Mostly nonzero bytes, so that units and single zero bytes mix.
        b = (state >> 16) % 5 == 0 ? 0 : static_cast<std::uint8_t>(1 + (state >> 8) % 255);
      }
      NameBank expected;
      std::u16string text;
      std::size_t start = 0;
      for (std::size_t j = 0; j + 1 < size; j += 2) {
        const auto c = static_cast<char16_t>(pool[j] | (pool[j + 1] << 8));
        if (c != 0) {
          text += c;
          continue;
        }
        expected.push_back({text, static_cast<std::uint32_t>(start)});
        text.clear();
        start = j + 2;
      }
      const NameBank bank = ParseNamePool(pool);
      ASSERT_EQ(bank.size(), expected.size()) << "size " << size << " round " << round;
      for (std::size_t k = 0; k < bank.size(); ++k) {
        EXPECT_EQ(bank[k].Data, expected[k].Data) << "size " << size << " entry " << k;
        EXPECT_EQ(bank[k].P, expected[k].P) << "size " << size << " entry " << k;
      }
    }
  }
}

TEST(ParseNamePool, ListingShowsEntriesWithTheirLengths) {
  const NameBank bank = ParseNamePool(gen::MakePool({u"Ann", u"", u"Kovač"}));
  const NamesBankColumns names = ListNameBank(bank);
  ASSERT_EQ(names.Id.size(), bank.size() + 1);
  ASSERT_EQ(names.Data.size(), bank.size() + 1);
  ASSERT_EQ(names.Length.size(), bank.size() + 1);
  EXPECT_EQ(names.Id[0], u"ID");
  EXPECT_EQ(names.Data[0], u"Data");
  EXPECT_EQ(names.Length[0], u"Length");
  EXPECT_EQ(names.Id[3], u"2");
  EXPECT_EQ(names.Data[3], u"Kovač");
  EXPECT_EQ(names.Length[3], u"5");
  EXPECT_EQ(names.Length[2], u"0");
}

// ---- Offsets from Lengths and the rebuilt pool -------------------------------------

TEST(RebuildNamePool, LengthLongerThanTextAddsFiller) {
  Pool pool(kPoolSize, 0xEE);
  const ColumnList data = Column({u"Data", u"Smith", u"X"});
  const ColumnList length = Column({u"Length", u"7", u"1"});
  EXPECT_EQ(RecomputeNameOffsets(length), (std::vector<std::uint32_t>{0, 16}));
  RebuildNamePool(data, length, pool);
  const Pool expected = {'S', 0, 'm', 0, 'i', 0,   't', 0, 'h', 0,    0,
                         0,   0, 0,   0, 0,   'X', 0,   0, 0,   0xEE, 0xEE};
  EXPECT_EQ(Pool(pool.begin(), pool.begin() + 22), expected);
  EXPECT_TRUE(std::all_of(pool.begin() + 20, pool.end(), [](std::uint8_t b) { return b == 0xEE; }));
}

TEST(RebuildNamePool, TextLongerThanLengthIsCut) {
  Pool pool(kPoolSize, 0xEE);
  const ColumnList data = Column({u"Data", u"Smithson", u"abc", u"Q"});
  const ColumnList length = Column({u"Length", u"5", u"0", u"1"});
  RebuildNamePool(data, length, pool);
  const Pool expected = {'S', 0, 'm', 0, 'i', 0, 't', 0, 'h', 0, 0, 0, 0, 0, 'Q', 0, 0, 0, 0xEE};
  EXPECT_EQ(Pool(pool.begin(), pool.begin() + 19), expected);
}

TEST(RebuildNamePool, KeepsTheBytesAfterTheLastEntry) {
  Pool pool = gen::MakePool({u"Ann", u"Bo"});
  PutUnits(pool, kPoolSize - 6, u"zzz");
  const Pool original = pool;
  const NamesBankColumns names = ListNameBank(ParseNamePool(pool));
  std::fill(pool.begin(), pool.begin() + 14, std::uint8_t{0xEE});
  RebuildNamePool(names.Data, names.Length, pool);
  EXPECT_EQ(pool, original);
}

TEST(RebuildNamePool, NoEntriesWriteNothing) {
  Pool pool(kPoolSize, 0xEE);
  RebuildNamePool(Column({u"Data"}), Column({u"Length"}), pool);
  EXPECT_TRUE(RecomputeNameOffsets(Column({u"Length"})).empty());
  EXPECT_TRUE(std::all_of(pool.begin(), pool.end(), [](std::uint8_t b) { return b == 0xEE; }));
}

TEST(RecomputeNameOffsets, EntriesMayFillThePoolExactly) {
  const auto whole = RecomputeNameOffsets(Column({u"Length", u"56269"}));
  EXPECT_EQ(whole, (std::vector<std::uint32_t>{0}));
  const auto two = RecomputeNameOffsets(Column({u"Length", u"56268", u"0"}));
  EXPECT_EQ(two, (std::vector<std::uint32_t>{0, 112538}));
}

struct LengthRefusal {
  std::vector<std::u16string> lengths;
  std::vector<std::string> inMessage;  // parts the message must contain
  bool conversion;                     // a ConvertError with exactly inMessage[0]
};

void PrintTo(const LengthRefusal& c, std::ostream* os) {
  for (const auto& l : c.lengths) *os << test::Show(l) << " ";
}

class LengthsRefused : public ::testing::TestWithParam<LengthRefusal> {};

TEST_P(LengthsRefused, BeforeAnyByteIsWritten) {
  ColumnList length = Column({u"Length"});
  ColumnList data = Column({u"Data"});
  for (const auto& l : GetParam().lengths) {
    length.push_back(l);
    data.push_back(u"Name");
  }
  Pool pool(kPoolSize, 0xEE);
  const std::string message =
      GetParam().conversion ? MessageOf<ConvertError>([&] { RebuildNamePool(data, length, pool); })
                            : MessageOf<RosterError>([&] { RebuildNamePool(data, length, pool); });
  if (GetParam().conversion) {
    EXPECT_EQ(message, GetParam().inMessage[0]);
  } else {
    for (const auto& part : GetParam().inMessage)
      EXPECT_NE(message.find(part), std::string::npos) << message;
  }
  EXPECT_TRUE(std::all_of(pool.begin(), pool.end(), [](std::uint8_t b) { return b == 0xEE; }));
}

INSTANTIATE_TEST_SUITE_P(
    NamePool, LengthsRefused,
    ::testing::Values(LengthRefusal{{u"4", u"x"}, {"''x'' is not a valid integer value"}, true},
                      LengthRefusal{{u" 5 "}, {"'' 5 '' is not a valid integer value"}, true},
                      LengthRefusal{{u""}, {"'''' is not a valid integer value"}, true},
                      LengthRefusal{{u"3", u"-1"}, {"entry 1", "-1"}, false},
                      LengthRefusal{{u"56269", u"0"}, {"112540"}, false},
                      LengthRefusal{{u"56270"}, {"112540"}, false},
                      LengthRefusal{{u"2147483647", u"2147483647"}, {"112540"}, false},
                      LengthRefusal{{u"30000", u"30000"}, {"112540", "entry 1"}, false}));

// ---- Name pointers -------------------------------------------------------------

TEST(NamePointers, OffsetsAreMeasuredFromTheFirstPlayersLastName) {
  for (const std::uint32_t base : {0x00001000u, 0xFFFFFFF0u, 0u}) {
    std::vector<std::uint8_t> records(3 * kRecordSize, 0xCC);
    WriteU32LE(records.data(), base);
    WriteU32LE(records.data() + 4, base + 40 - 4);
    WriteU32LE(records.data() + kRecordSize, base + 100 - kRecordSize);
    WriteU32LE(records.data() + kRecordSize + 4, base + 50 - kRecordSize - 4);
    WriteU32LE(records.data() + 2 * kRecordSize, base + 0 - 2 * kRecordSize);
    WriteU32LE(records.data() + 2 * kRecordSize + 4, base + 112538 - 2 * kRecordSize - 4);
    EXPECT_EQ(DecodeNameOffsets(records, 0).Last, 0u);
    EXPECT_EQ(DecodeNameOffsets(records, 0).First, 40u);
    EXPECT_EQ(DecodeNameOffsets(records, 1).Last, 100u);
    EXPECT_EQ(DecodeNameOffsets(records, 1).First, 50u);
    EXPECT_EQ(DecodeNameOffsets(records, 2).Last, 0u);
    EXPECT_EQ(DecodeNameOffsets(records, 2).First, 112538u);
  }
}

TEST(NamePointers, TheIndexMatchesExactOffsetsOnly) {
  const NameBank bank = ParseNamePool(gen::MakePool({u"AB", u"", u"C"}));
  const NameEntryIndex index(bank);
  EXPECT_EQ(index.find(0), 0u);
  EXPECT_EQ(index.find(6), 1u);
  EXPECT_EQ(index.find(8), 2u);
  EXPECT_EQ(index.find(12), 3u);
  EXPECT_EQ(index.find(kPoolSize - 2), bank.size() - 1);
  for (std::uint32_t miss : {1u, 2u, 7u, 9u, 13u, std::uint32_t(kPoolSize), 0xFFFFFFFFu})
    EXPECT_FALSE(index.find(miss).has_value()) << miss;
  EXPECT_FALSE(NameEntryIndex(NameBank{}).find(0).has_value());
}

class GeneratedNames : public ::testing::TestWithParam<gen::RosterShape> {};

TEST_P(GeneratedNames, DecodeToTheGeneratorsEntries) {
  const gen::GeneratedRoster g = gen::GenerateRoster(GetParam());
  const LoadedRoster roster = LoadRosterFromBytes(g.file);
  ASSERT_EQ(roster.Document.Bank.size(), g.entryCount);
  for (std::size_t k = 0; k < g.names.size(); ++k)
    ASSERT_EQ(roster.Document.Bank[k].Data, g.names[k]) << k;
  for (std::size_t i = 0; i < GetParam().players; ++i) {
    const std::size_t row = i + 1;
    EXPECT_EQ(roster.Table[4][row], Ascii(std::to_string(g.lastName[i]))) << i;
    EXPECT_EQ(roster.Table[5][row], Ascii(std::to_string(g.firstName[i]))) << i;
    EXPECT_EQ(roster.Table[2][row], g.names[g.lastName[i]]) << i;
    EXPECT_EQ(roster.Table[3][row], g.names[g.firstName[i]]) << i;
  }
}

TEST_P(GeneratedNames, EncodingWritesTheOriginalPointers) {
  const gen::GeneratedRoster g = gen::GenerateRoster(GetParam());
  const LoadedRoster roster = LoadRosterFromBytes(g.file);
  std::vector<std::uint8_t> records = roster.Document.Players;
  for (std::size_t i = 0; i < GetParam().players; ++i)
    std::fill_n(records.begin() + static_cast<std::ptrdiff_t>(i * kRecordSize), 8, 0x5A);
  const auto offsets = RecomputeNameOffsets(roster.Names.Length);
  EncodePlayers(records, roster.Table, offsets, roster.Document.PoolBase);
  EXPECT_EQ(records, roster.Document.Players);
  EXPECT_EQ(ReadU32LE(records.data()), GetParam().poolBase);
}

TEST_P(GeneratedNames, UniformlyShiftedPointersDecodeAlikeAndSaveAsPoolBase) {
  // The first player's stored SName is only the reference point: shifting
  // every pointer by the same amount changes no name, and a save writes
  // PoolBase there again.
  const gen::GeneratedRoster g = gen::GenerateRoster(GetParam());
  const LoadedRoster original = LoadRosterFromBytes(g.file);
  for (const std::uint32_t shift : {2u, 0x80000000u, 0xFFFFFFFEu, 12345678u}) {
    std::vector<std::uint8_t> file = g.file;
    for (std::size_t i = 0; i < GetParam().players; ++i) {
      std::uint8_t* r = file.data() + kFirstRecordOffset + i * kRecordSize;
      WriteU32LE(r, ReadU32LE(r) + shift);
      WriteU32LE(r + 4, ReadU32LE(r + 4) + shift);
    }
    const LoadedRoster shifted = LoadRosterFromBytes(file);
    for (int c = 1; c <= 5; ++c)
      for (std::size_t row = 0; row <= GetParam().players; ++row)
        ASSERT_EQ(shifted.Table[c][row], original.Table[c][row]) << "column " << c;
    EXPECT_EQ(Rebuild(shifted), g.file);
  }
}

INSTANTIATE_TEST_SUITE_P(
    NamePool, GeneratedNames,
    ::testing::Values(gen::RosterShape{.players = 1, .seed = 4},
                      gen::RosterShape{.players = 60, .seed = 5},
                      gen::RosterShape{.players = 200, .poolBase = 0xFFFFFF00u, .seed = 6},
                      gen::RosterShape{.players = 90, .poolBase = 0, .seed = 7}));

TEST(NamePointers, PointerToNoEntryIsRefusedNamingTheRecord) {
  const gen::GeneratedRoster g = gen::GenerateRoster({.players = 10, .seed = 8});
  struct Damage {
    std::size_t record;
    std::size_t field;  // 0 SName, 4 FName
    const char* which;
  };
  for (const Damage d : {Damage{3, 0, "last name"}, Damage{0, 4, "first name"},
                         Damage{9, 4, "first name"}, Damage{6, 0, "last name"}}) {
    std::vector<std::uint8_t> file = g.file;
    std::uint8_t* p = file.data() + kFirstRecordOffset + d.record * kRecordSize + d.field;
    WriteU32LE(p, ReadU32LE(p) + 1);  // an odd offset: inside some entry
    const std::string message = MessageOf<RosterError>([&] { LoadRosterFromBytes(file); });
    EXPECT_NE(message.find("record " + std::to_string(d.record)), std::string::npos) << message;
    EXPECT_NE(message.find(d.which), std::string::npos) << message;
  }
}

TEST(NamePointers, PointerBeyondThePoolIsRefused) {
  const gen::GeneratedRoster g = gen::GenerateRoster({.players = 4, .seed = 9});
  std::vector<std::uint8_t> file = g.file;
  std::uint8_t* p = file.data() + kFirstRecordOffset + 2 * kRecordSize;
  WriteU32LE(p, ReadU32LE(p) + static_cast<std::uint32_t>(kPoolSize));
  EXPECT_NE(MessageOf<RosterError>([&] { LoadRosterFromBytes(file); }).find("record 2"),
            std::string::npos);
}

// ---- Name references on saving --------------------------------------------------

struct ReferenceRefusal {
  std::size_t row;
  int column;  // 4 LNameID, 5 FNameID
  std::u16string cell;
  std::vector<std::string> inMessage;
  bool conversion;
};

void PrintTo(const ReferenceRefusal& c, std::ostream* os) {
  *os << "row " << c.row << " column " << c.column << " " << test::Show(c.cell);
}

class ReferencesRefused : public ::testing::TestWithParam<ReferenceRefusal> {};

TEST_P(ReferencesRefused, NothingIsBuilt) {
  const gen::GeneratedRoster g = gen::GenerateRoster({.players = 12, .seed = 10});
  LoadedRoster roster = LoadRosterFromBytes(g.file);
  const ReferenceRefusal& c = GetParam();
  roster.Table[c.column].set(c.row, c.cell);
  if (c.conversion) {
    EXPECT_EQ(MessageOf<ConvertError>([&] { Rebuild(roster); }), c.inMessage[0]);
  } else {
    const std::string message = MessageOf<RosterError>([&] { Rebuild(roster); });
    for (const auto& part : c.inMessage)
      EXPECT_NE(message.find(part), std::string::npos) << message;
  }
}

INSTANTIATE_TEST_SUITE_P(
    NamePool, ReferencesRefused,
    ::testing::Values(
        // The first player's last name is where every pointer is measured from.
        ReferenceRefusal{1, 4, u"1", {"LNameID", "1"}, false},
        ReferenceRefusal{1, 4, u"7", {"LNameID", "7"}, false},
        ReferenceRefusal{3, 4, u"-1", {"LNameID", "-1"}, false},
        ReferenceRefusal{3, 5, u"999999", {"FNameID", "999999"}, false},
        ReferenceRefusal{12, 5, u"-2147483648", {"FNameID", "-2147483648"}, false},
        ReferenceRefusal{5, 4, u"abc", {"''abc'' is not a valid integer value"}, true},
        ReferenceRefusal{5, 5, u"", {"'''' is not a valid integer value"}, true}));

TEST(NameReferences, LastEntryIsAValidReferenceAndOneBeyondIsNot) {
  const gen::GeneratedRoster g = gen::GenerateRoster({.players = 5, .seed = 11});
  LoadedRoster roster = LoadRosterFromBytes(g.file);
  const std::size_t entries = roster.Document.Bank.size();
  roster.Table[5].set(2, Ascii(std::to_string(entries - 1)));
  const LoadedRoster reopened = LoadRosterFromBytes(Rebuild(roster));
  EXPECT_EQ(reopened.Table[5][2], Ascii(std::to_string(entries - 1)));
  roster.Table[5].set(2, Ascii(std::to_string(entries)));
  EXPECT_NE(MessageOf<RosterError>([&] { Rebuild(roster); }).find(std::to_string(entries)),
            std::string::npos);
}

TEST(NameReferences, ChangedIdsPointAtTheNewEntries) {
  const gen::GeneratedRoster g = gen::GenerateRoster({.players = 30, .seed = 12});
  LoadedRoster roster = LoadRosterFromBytes(g.file);
  roster.Table[4].set(7, u"3");
  roster.Table[5].set(7, u"0");
  roster.Table[4].set(30, u"$A");
  const LoadedRoster reopened = LoadRosterFromBytes(Rebuild(roster));
  EXPECT_EQ(reopened.Table[4][7], u"3");
  EXPECT_EQ(reopened.Table[5][7], u"0");
  EXPECT_EQ(reopened.Table[2][7], g.names[3]);
  EXPECT_EQ(reopened.Table[3][7], g.names[0]);
  EXPECT_EQ(reopened.Table[4][30], u"10");
  EXPECT_EQ(reopened.Table[2][30], g.names[10]);
  for (std::size_t row = 1; row <= 30; ++row) {
    if (row == 7 || row == 30) continue;
    EXPECT_EQ(reopened.Table[4][row], roster.Table[4][row]) << row;
    EXPECT_EQ(reopened.Table[5][row], roster.Table[5][row]) << row;
  }
}

// ---- Lengths traded between entries ---------------------------------------------

TEST(NameLengths, GrowOneShrinkALaterOne) {
  const gen::GeneratedRoster g = gen::GenerateRoster({.players = 80, .seed = 13});
  LoadedRoster roster = LoadRosterFromBytes(g.file);
  const NameBank bank = roster.Document.Bank;
  // a: the last name of player 10; b: a later name of 3 or more characters
  // with entries between the two.
  const std::size_t a = g.lastName[10];
  std::size_t b = a + 2;
  while (b < g.names.size() && g.names[b].size() < 3) ++b;
  ASSERT_LT(b, g.names.size());
  const std::u16string cut = g.names[b].substr(0, g.names[b].size() - 2);

  roster.Names.Length.set(a + 1, Ascii(std::to_string(bank[a].Data.size() + 2)));
  roster.Names.Length.set(b + 1, Ascii(std::to_string(bank[b].Data.size() - 2)));
  const std::vector<std::uint8_t> image = Rebuild(roster);
  ASSERT_EQ(image.size(), g.file.size());
  const LoadedRoster reopened = LoadRosterFromBytes(image);
  const NameBank& after = reopened.Document.Bank;

  // Two new empty entries follow the grown one; everything after it is
  // numbered 2 higher; only the entries between a and b moved, by 4 bytes.
  ASSERT_EQ(after.size(), bank.size() + 2);
  for (std::size_t k = 0; k <= a; ++k) {
    EXPECT_EQ(after[k].Data, bank[k].Data) << k;
    EXPECT_EQ(after[k].P, bank[k].P) << k;
  }
  const std::uint32_t grownEnd = bank[a].P + 2 * static_cast<std::uint32_t>(bank[a].Data.size());
  EXPECT_EQ(after[a + 1].Data, u"");
  EXPECT_EQ(after[a + 1].P, grownEnd + 2);
  EXPECT_EQ(after[a + 2].Data, u"");
  EXPECT_EQ(after[a + 2].P, grownEnd + 4);
  for (std::size_t k = a + 1; k < bank.size(); ++k) {
    const std::u16string expected = k == b ? cut : bank[k].Data;
    EXPECT_EQ(after[k + 2].Data, expected) << k;
    EXPECT_EQ(after[k + 2].P, bank[k].P + (k <= b ? 4u : 0u)) << k;
  }

  const auto renumber = [&](std::size_t k) { return k <= a ? k : k + 2; };
  for (std::size_t i = 0; i < 80; ++i) {
    const std::size_t row = i + 1;
    EXPECT_EQ(reopened.Table[4][row], Ascii(std::to_string(renumber(g.lastName[i])))) << i;
    EXPECT_EQ(reopened.Table[5][row], Ascii(std::to_string(renumber(g.firstName[i])))) << i;
    EXPECT_EQ(reopened.Table[2][row], g.lastName[i] == b ? cut : g.names[g.lastName[i]]) << i;
    EXPECT_EQ(reopened.Table[3][row], g.firstName[i] == b ? cut : g.names[g.firstName[i]]) << i;
  }

  // Outside the moved stretch the pool is byte for byte the same.
  const std::size_t poolStart = g.file.size() - 777 - kPoolSize;
  const std::size_t bEnd = bank[b].P + 2 * bank[b].Data.size() + 2;
  for (std::size_t j = 0; j < kPoolSize; ++j)
    if (j < grownEnd || j >= bEnd) {
      ASSERT_EQ(image[poolStart + j], g.file[poolStart + j]) << j;
    }
  // Records change only in their name pointers.
  for (std::size_t i = 0; i < 80; ++i)
    for (std::size_t byte = 8; byte < kRecordSize; ++byte) {
      const std::size_t at = kFirstRecordOffset + i * kRecordSize + byte;
      ASSERT_EQ(image[at], g.file[at]) << "record " << i << " byte " << byte;
    }
}

TEST(NameLengths, NamesAboveLatin1SurviveASaveAndReopen) {
  const gen::GeneratedRoster g = gen::GenerateRoster({.players = 25, .seed = 14});
  LoadedRoster roster = LoadRosterFromBytes(g.file);
  const std::u16string texts[] = {u"Ğürğen", u"Kovačević", u"Łódź\U0001D11E", u"İğç"};
  std::vector<std::size_t> changed;
  for (std::size_t i = 1; i <= 4; ++i) {
    const std::size_t entry = g.lastName[i];
    const std::size_t length = g.names[entry].size();
    // Fill exactly the entry's Length so the entry count stays the same.
    std::u16string text = texts[i - 1];
    while (text.size() < length) text += u'ş';
    text.resize(length);
    if (text.back() >= 0xD800 && text.back() <= 0xDBFF) text.back() = u'ž';
    roster.Names.Data.set(entry + 1, text);
    changed.push_back(entry);
  }
  const LoadedRoster reopened = LoadRosterFromBytes(Rebuild(roster));
  ASSERT_EQ(reopened.Document.Bank.size(), roster.Document.Bank.size());
  for (const std::size_t entry : changed)
    EXPECT_EQ(reopened.Document.Bank[entry].Data, roster.Names.Data[entry + 1]);
  for (std::size_t row = 1; row <= 25; ++row) {
    const std::size_t entry = g.lastName[row - 1];
    EXPECT_EQ(reopened.Table[2][row], roster.Names.Data[entry + 1]) << row;
  }
}

}  // namespace
}  // namespace orrimax
