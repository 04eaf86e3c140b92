// ColumnList: a column of cell texts sharing one buffer. The risky parts are
// rewriting a cell from a view into the same buffer and the compaction that
// moves every cell.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ColumnList.h"

namespace orrimax {
namespace {

std::vector<std::u16string> Cells(const ColumnList& list) {
  std::vector<std::u16string> cells;
  for (std::size_t r = 0; r < list.size(); ++r) cells.emplace_back(list[r]);
  return cells;
}

ColumnList Of(const std::vector<std::u16string>& texts) {
  ColumnList list;
  for (const auto& t : texts) list.push_back(t);
  return list;
}

using Texts = std::vector<std::u16string>;

TEST(ColumnList, StartsEmptyOrWithEmptyRows) {
  ColumnList none;
  EXPECT_TRUE(none.empty());
  EXPECT_EQ(none.size(), 0u);
  ColumnList three(3);
  EXPECT_EQ(Cells(three), (Texts{u"", u"", u""}));
}

TEST(ColumnList, SetShorterLongerAndEmpty) {
  ColumnList list = Of({u"alpha", u"beta", u"gamma"});
  list.set(0, u"a");
  list.set(1, u"a much longer text than before");
  list.set(2, u"");
  EXPECT_EQ(Cells(list), (Texts{u"a", u"a much longer text than before", u""}));
  list.set(2, u"back");
  list.set(0, u"alpha again");
  EXPECT_EQ(Cells(list), (Texts{u"alpha again", u"a much longer text than before", u"back"}));
}

// Row operations: (operation, row, expected cells) on the list a, b, c.
struct RowOp {
  const char* name;
  void (*apply)(ColumnList&);
  Texts expected;
};

void PrintTo(const RowOp& op, std::ostream* os) {
  *os << op.name;
}

class ColumnListRows : public ::testing::TestWithParam<RowOp> {};

TEST_P(ColumnListRows, Result) {
  ColumnList list = Of({u"a", u"bb", u"ccc"});
  GetParam().apply(list);
  EXPECT_EQ(Cells(list), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ColumnList, ColumnListRows,
    ::testing::Values(
        RowOp{"InsertFront",
              [](ColumnList& l) { l.insert(0, u"new"); },
              {u"new", u"a", u"bb", u"ccc"}},
        RowOp{"InsertMiddle",
              [](ColumnList& l) { l.insert(2, u"new"); },
              {u"a", u"bb", u"new", u"ccc"}},
        RowOp{
            "InsertEnd", [](ColumnList& l) { l.insert(3, u"new"); }, {u"a", u"bb", u"ccc", u"new"}},
        RowOp{"InsertEmpty", [](ColumnList& l) { l.insert(1, u""); }, {u"a", u"", u"bb", u"ccc"}},
        RowOp{"EraseFront", [](ColumnList& l) { l.erase(0); }, {u"bb", u"ccc"}},
        RowOp{"EraseMiddle", [](ColumnList& l) { l.erase(1); }, {u"a", u"ccc"}},
        RowOp{"EraseLast", [](ColumnList& l) { l.erase(2); }, {u"a", u"bb"}},
        RowOp{"EraseThenSet",
              [](ColumnList& l) {
                l.erase(0);
                l.set(0, u"longer than bb");
              },
              {u"longer than bb", u"ccc"}},
        RowOp{"ResizeUp", [](ColumnList& l) { l.resize(5); }, {u"a", u"bb", u"ccc", u"", u""}},
        RowOp{"ResizeDown", [](ColumnList& l) { l.resize(1); }, {u"a"}},
        RowOp{"Clear", [](ColumnList& l) { l.clear(); }, {}},
        RowOp{"ClearThenPush",
              [](ColumnList& l) {
                l.clear();
                l.push_back(u"x");
              },
              {u"x"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ColumnList, OutOfRangeRowsThrow) {
  ColumnList list = Of({u"a", u"b"});
  EXPECT_THROW(list.set(2, u"x"), std::out_of_range);
  EXPECT_THROW(list.erase(2), std::out_of_range);
  EXPECT_THROW(list.insert(3, u"x"), std::out_of_range);
  EXPECT_EQ(Cells(list), (Texts{u"a", u"b"}));
}

// Setting a cell from a view into the same list: the view must stay valid
// while the buffer grows or the cell is rewritten in place.
struct AliasCase {
  const char* name;
  std::size_t target;
  std::size_t source;
  std::size_t from;  // the view is source's text from this position on
  Texts expected;
};

void PrintTo(const AliasCase& c, std::ostream* os) {
  *os << c.name;
}

class ColumnListAliasing : public ::testing::TestWithParam<AliasCase> {};

TEST_P(ColumnListAliasing, SetFromOwnCell) {
  const AliasCase& c = GetParam();
  ColumnList list = Of({u"x", u"a long text that must be copied whole", u"medium", u""});
  list.set(c.target, list[c.source].substr(c.from));
  EXPECT_EQ(Cells(list), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    ColumnList, ColumnListAliasing,
    ::testing::Values(
        // Longer than the target: appended, so the buffer may move under the view.
        AliasCase{"LongerFromOther",
                  0,
                  1,
                  0,
                  {u"a long text that must be copied whole",
                   u"a long text that must be copied whole", u"medium", u""}},
        AliasCase{"LongerIntoEmpty",
                  3,
                  1,
                  2,
                  {u"x", u"a long text that must be copied whole", u"medium",
                   u"long text that must be copied whole"}},
        // Shorter: rewritten in place, overlapping its own old text.
        AliasCase{
            "OwnTail", 1, 1, 2, {u"x", u"long text that must be copied whole", u"medium", u""}},
        AliasCase{
            "OwnWhole", 2, 2, 0, {u"x", u"a long text that must be copied whole", u"medium", u""}},
        AliasCase{"ShorterFromOther", 1, 2, 0, {u"x", u"medium", u"medium", u""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ColumnList, PushBackAndInsertFromOwnCell) {
  ColumnList list = Of({u"first cell text", u"second"});
  for (int k = 0; k < 50; ++k) list.push_back(list[0]);  // grows the buffer repeatedly
  list.insert(0, list[1]);
  ASSERT_EQ(list.size(), 53u);
  EXPECT_EQ(list[0], u"second");
  EXPECT_EQ(list[1], u"first cell text");
  EXPECT_EQ(list[2], u"second");
  for (std::size_t r = 3; r < list.size(); ++r) EXPECT_EQ(list[r], u"first cell text") << r;
}

TEST(ColumnList, AliasedSetThatTriggersCompaction) {
  // A long text in row 0, many short rows; repeated longer rewrites of row 1
  // from row 0's text pile up dead space until the buffer is compacted.
  ColumnList list;
  std::u16string big(3000, u'q');
  list.push_back(big);
  list.push_back(u"s");
  for (int k = 0; k < 20; ++k) {
    list.set(1, u"");
    list.set(1, list[0]);
  }
  EXPECT_EQ(list[0], big);
  EXPECT_EQ(list[1], big);
  EXPECT_LE(list.bufferSize(), 2 * 2 * big.size() + 4096);
}

TEST(ColumnList, CompactionKeepsEveryCell) {
  ColumnList list;
  for (int r = 0; r < 500; ++r) list.push_back(u"row " + std::u16string(r % 7, u'x'));
  // Rewrite every cell with a longer text, many times: far more dead text
  // than live text accumulates unless it is reclaimed.
  std::vector<std::u16string> expected(500);
  for (int round = 1; round <= 30; ++round)
    for (int r = 0; r < 500; ++r) {
      expected[r] = std::u16string(static_cast<std::size_t>(round % 5 + 1), u'a' + round % 26) +
                    u"#" + std::u16string(static_cast<std::size_t>(r % 11), u'z');
      list.set(static_cast<std::size_t>(r), u"");
      list.set(static_cast<std::size_t>(r), expected[r]);
    }
  EXPECT_EQ(Cells(list), expected);
  std::size_t live = 0;
  for (const auto& t : expected) live += t.size();
  EXPECT_LE(list.bufferSize(), 2 * live + 4096 + 64);
}

TEST(ColumnList, RepeatedRewritesOfOneCellStayBounded) {
  ColumnList list = Of({u"keep me", u"", u"and me"});
  for (int k = 0; k < 5000; ++k) list.set(1, std::u16string(100 + k % 2 * 100, u'a' + k % 26));
  EXPECT_EQ(list[0], u"keep me");
  EXPECT_EQ(list[2], u"and me");
  EXPECT_EQ(list[1], std::u16string(200, u'a' + 4999 % 26));
  EXPECT_LT(list.bufferSize(), 10000u);
}

TEST(ColumnList, NonAsciiTextsAreKeptAsCodeUnits) {
  const Texts texts = {u"Yiğitmar", u"Kovačen", u"№", u"\U0001D11E clef", u"\u00A0", u""};
  ColumnList list = Of(texts);
  EXPECT_EQ(Cells(list), texts);
  EXPECT_EQ(list[3].size(), 7u);  // a surrogate pair is two units
  const std::u16string lone = {char16_t(0xDC00), u'x'};
  list.set(5, lone);
  EXPECT_EQ(list[5], lone);
}

TEST(ColumnList, CopyIsIndependentAndCompact) {
  ColumnList original = Of({u"one", u"two", u"three"});
  for (int k = 0; k < 10; ++k) original.set(1, std::u16string(10 + k, u'w'));
  ColumnList copy(original);
  EXPECT_EQ(Cells(copy), Cells(original));
  EXPECT_EQ(copy.bufferSize(), 3u + 19u + 5u);  // only live text is copied
  original.set(0, u"changed and longer");
  original.erase(2);
  EXPECT_EQ(Cells(copy), (Texts{u"one", std::u16string(19, u'w'), u"three"}));

  ColumnList assigned = Of({u"old"});
  assigned = copy;
  EXPECT_EQ(Cells(assigned), Cells(copy));
  ColumnList& same = assigned;
  assigned = same;  // self-assignment keeps the contents
  EXPECT_EQ(Cells(assigned), Cells(copy));
}

TEST(ColumnList, MoveTakesTheCells) {
  ColumnList source = Of({u"a", u"b"});
  ColumnList moved(std::move(source));
  EXPECT_EQ(Cells(moved), (Texts{u"a", u"b"}));
  ColumnList target;
  target = std::move(moved);
  EXPECT_EQ(Cells(target), (Texts{u"a", u"b"}));
}

}  // namespace
}  // namespace orrimax
