// The column catalogue: header texts, short names, groups and the moves
// between record order and display order.
#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <string>
#include <vector>

#include "DB.h"
#include "TestSupport.h"

namespace orrimax {
namespace {

// ---- Header texts ------------------------------------------------------------

struct HeaderCase {
  int column;
  std::u16string header;
  std::u16string shortName;
};

void PrintTo(const HeaderCase& c, std::ostream* os) {
  *os << "column " << c.column;
}

class ColumnHeaders : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(ColumnHeaders, HeaderAndShortName) {
  EXPECT_EQ(std::u16string(ColumnHeader(GetParam().column)), GetParam().header);
  EXPECT_EQ(ColumnShortName(GetParam().column), GetParam().shortName);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, ColumnHeaders,
    ::testing::Values(
        HeaderCase{0, u" ", u""}, HeaderCase{1, u"№", u"№"},
        HeaderCase{2, u"Last Name", u"Last Name"}, HeaderCase{5, u"FNameID", u"FNameID"},
        HeaderCase{7, u"Height      (in centimeters)", u"Height"},
        HeaderCase{8, u"Weight      (in pounds)", u"Weight"},
        HeaderCase{21, u"MinsAsg     (Minutes Assigned)", u"MinsAsg"},
        HeaderCase{55, u"??SSmth??   (Unknown Skill)", u"??SSmth??"},
        HeaderCase{64, u"T3PTShots    (Tendency - Shooting - 3-Point Shots)", u"T3PTShots"},
        HeaderCase{68, u"TPumpFake   (Tendency - Setup Pre-Dribble - Pump Fake", u"TPumpFake"},
        HeaderCase{106, u"TUp&Under   (Tendency - Post Moves - Up And Under)", u"TUp&Under"},
        HeaderCase{147, u"ALayUp      (Animation (Signature) - LayUp Package)", u"ALayUp"},
        HeaderCase{151, u"ASpcDnk2", u"ASpcDnk2"},
        HeaderCase{189, u"GHeadband   (Gear (Accessories) - Headband)", u"GHeadband"},
        HeaderCase{218, u"Loyality", u"Loyality"}, HeaderCase{222, u"Some ID", u"Some ID"},
        HeaderCase{223, u"Some ID2", u"Some ID2"}, HeaderCase{228, u"??BTSmth??", u"??BTSmth??"},
        HeaderCase{224, u"BTShldrThck (Body Tweaks - Shoulder Thickness)", u"BTShldrThck"},
        HeaderCase{234, u"BTClvsThn   (Body Tweaks - Calves Thinness)", u"BTClvsThn"}));

TEST(Columns, ParenthesisPlacement) {
  // The short name is padded so that "(" is the 13th character, the 14th in
  // column 64; only column 68 lacks its closing parenthesis.
  for (int c = 0; c < kColumnCount; ++c) {
    const std::u16string_view h = ColumnHeader(c);
    const auto open = h.find(u'(');
    if (open == std::u16string_view::npos) continue;
    EXPECT_EQ(open, c == 64 ? 13u : 12u) << "column " << c;
    EXPECT_EQ(h.back() == u')', c != 68) << "column " << c;
    EXPECT_NE(h[open - 1], u'(') << "column " << c;
  }
}

TEST(Columns, ShortNamesByPrefixOfTheirGroup) {
  const auto prefixed = [](int first, int last, char16_t letter) {
    for (int c = first; c <= last; ++c) {
      const std::u16string name = ColumnShortName(c);
      ASSERT_FALSE(name.empty()) << c;
      // The unknown columns ("??SomeT??" and the like) follow no pattern.
      if (name.rfind(u"??", 0) == 0) continue;
      EXPECT_EQ(name[0], letter) << "column " << c;
    }
  };
  prefixed(22, 59, u'S');
  prefixed(60, 121, u'T');
  prefixed(122, 146, u'H');
  prefixed(147, 178, u'A');
  prefixed(179, 188, u'C');
  prefixed(189, 213, u'G');
  prefixed(224, 234, u'B');
}

struct ShortNameCase {
  std::u16string header;
  std::u16string shortName;
};

void PrintTo(const ShortNameCase& c, std::ostream* os) {
  *os << test::Show(c.header);
}

class ShortNames : public ::testing::TestWithParam<ShortNameCase> {};

TEST_P(ShortNames, OfText) {
  EXPECT_EQ(ShortName(GetParam().header), GetParam().shortName);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, ShortNames,
    ::testing::Values(ShortNameCase{u"Height      (in centimeters)", u"Height"},
                      ShortNameCase{u"ALayUp      (Animation (Signature) - LayUp Package)",
                                    u"ALayUp"},
                      ShortNameCase{u"Some ID", u"Some ID"}, ShortNameCase{u"№", u"№"},
                      ShortNameCase{u"  padded  ", u"padded"}, ShortNameCase{u"(only a note)", u""},
                      ShortNameCase{u"", u""}, ShortNameCase{u"   ", u""}));

// ---- Groups ------------------------------------------------------------------

struct GroupCase {
  int index;
  std::u16string name;
  int first;
  int last;
};

void PrintTo(const GroupCase& c, std::ostream* os) {
  *os << "group " << c.index;
}

class ColumnGroups : public ::testing::TestWithParam<GroupCase> {};

TEST_P(ColumnGroups, RangeAndMembership) {
  const GroupCase& g = GetParam();
  EXPECT_EQ(std::u16string(kColumnGroups[g.index].Name), g.name);
  EXPECT_EQ(kColumnGroups[g.index].First, g.first);
  EXPECT_EQ(kColumnGroups[g.index].Last, g.last);
  for (int c = g.first; c <= g.last; ++c) EXPECT_EQ(kColumns[c].group, g.index) << c;
}

INSTANTIATE_TEST_SUITE_P(
    Columns, ColumnGroups,
    ::testing::Values(GroupCase{0, u"Bio", 6, 14}, GroupCase{1, u"Appearance", 15, 20},
                      GroupCase{2, u"Skills", 21, 59}, GroupCase{3, u"Tendencies", 60, 121},
                      GroupCase{4, u"HotSpots", 122, 146}, GroupCase{5, u"Animations", 147, 178},
                      GroupCase{6, u"Contract", 179, 188}, GroupCase{7, u"Gear", 189, 213},
                      GroupCase{8, u"Bio+", 214, 219}, GroupCase{9, u"Status", 220, 221},
                      GroupCase{10, u"Body Tweaks", 222, 234}));

TEST(Columns, MarkerNameAndIdColumnsBelongToNoGroup) {
  for (int c = 0; c <= 5; ++c) EXPECT_EQ(kColumns[c].group, kNoGroup) << c;
  EXPECT_EQ(kColumns[21].group, kSkills);  // MinsAsg opens the skills
}

// ---- Column orders -----------------------------------------------------------

std::array<int, kColumnCount> Identity() {
  std::array<int, kColumnCount> a{};
  std::iota(a.begin(), a.end(), 0);
  return a;
}

// Record-order position of display columns, from the order table.
int ExpectedRecordPosition(int display) {
  if (display <= 5) return display;
  if (display == 6) return 211;
  if (display <= 16) return display - 1;
  if (display == 17) return 209;
  if (display == 18) return 210;
  if (display == 19) return 212;
  if (display == 20) return 223;
  if (display <= 213) return display - 5;
  switch (display) {
    case 214:
      return 216;
    case 215:
      return 217;
    case 216:
      return 218;
    case 217:
      return 213;
    case 218:
      return 219;
    case 219:
      return 220;
    case 220:
      return 214;
    case 221:
      return 215;
    case 222:
      return 221;
    case 223:
      return 222;
    default:
      return display;
  }
}

struct MovedPosition {
  int position;
  int holds;
};

void PrintTo(const MovedPosition& m, std::ostream* os) {
  *os << "position " << m.position;
}

class RecordToDisplay : public ::testing::TestWithParam<MovedPosition> {};

TEST_P(RecordToDisplay, PositionHolds) {
  auto a = Identity();
  ReorderColumns(a, ColumnOrder::RecordToDisplay);
  EXPECT_EQ(a[GetParam().position], GetParam().holds);
}

INSTANTIATE_TEST_SUITE_P(Columns, RecordToDisplay,
                         ::testing::Values(MovedPosition{6, 211}, MovedPosition{20, 223},
                                           MovedPosition{21, 16}, MovedPosition{217, 213},
                                           MovedPosition{220, 214}, MovedPosition{0, 0},
                                           MovedPosition{5, 5}, MovedPosition{7, 6},
                                           MovedPosition{17, 209}, MovedPosition{19, 212},
                                           MovedPosition{213, 208}, MovedPosition{223, 222},
                                           MovedPosition{224, 224}, MovedPosition{234, 234}));

TEST(ColumnOrders, RecordToDisplayMatchesTheOrderTable) {
  auto a = Identity();
  ReorderColumns(a, ColumnOrder::RecordToDisplay);
  for (int d = 0; d < kColumnCount; ++d) {
    EXPECT_EQ(a[d], ExpectedRecordPosition(d)) << "display column " << d;
    EXPECT_EQ(RecordPositionOfColumn(d), ExpectedRecordPosition(d)) << "display column " << d;
    EXPECT_EQ(ColumnAtRecordPosition(ExpectedRecordPosition(d)), d) << "display column " << d;
  }
}

TEST(ColumnOrders, DisplayToRecordUndoesRecordToDisplay) {
  auto a = Identity();
  ReorderColumns(a, ColumnOrder::RecordToDisplay);
  ReorderColumns(a, ColumnOrder::DisplayToRecord);
  EXPECT_EQ(a, Identity());
  // And the other way round.
  ReorderColumns(a, ColumnOrder::DisplayToRecord);
  ReorderColumns(a, ColumnOrder::RecordToDisplay);
  EXPECT_EQ(a, Identity());
}

TEST(ColumnOrders, DisplayToRecordPutsEachColumnAtItsRecordPosition) {
  std::array<int, kColumnCount> display{};
  for (int d = 0; d < kColumnCount; ++d) display[d] = d;
  ReorderColumns(display, ColumnOrder::DisplayToRecord);
  for (int d = 0; d < kColumnCount; ++d) EXPECT_EQ(display[ExpectedRecordPosition(d)], d) << d;
}

TEST(ColumnOrders, WholeListsMoveWithTheirCells) {
  PlayerColumns columns;
  for (int c = 0; c < kColumnCount; ++c) {
    columns[c].push_back(u"header");
    for (int r = 0; r < 3; ++r) columns[c].push_back(u"c" + std::u16string(c % 5 + 1, u'x'));
    columns[c].set(2, std::u16string(static_cast<std::size_t>(c) + 1, u'#'));
  }
  ReorderColumns(columns, ColumnOrder::RecordToDisplay);
  EXPECT_EQ(columns[6][2].size(), 212u);  // record position 211
  ReorderColumns(columns, ColumnOrder::DisplayToRecord);
  for (int c = 0; c < kColumnCount; ++c) {
    ASSERT_EQ(columns[c].size(), 4u);
    EXPECT_EQ(columns[c][2].size(), static_cast<std::size_t>(c) + 1) << c;
  }
}

}  // namespace
}  // namespace orrimax
