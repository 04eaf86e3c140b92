// The names bank's rules without a window: edits and their balance, the
// text commit, Create New, Merge With Previous, Get ID by Name and the name
// cells that follow the players' IDs.
#include "NamesBank.h"

#include <gtest/gtest.h>

#include "RosterGen.h"
#include "TestSupport.h"

namespace orrimax {
namespace {

using test::MessageOf;

class NamesBankModel : public ::testing::Test {
 protected:
  // Entries: 0 Smith, 1 Jones, 2 empty, 3 Brown, 4 Garza, 5 Kovačen, 6 Li;
  // players (last, first) in rows 1 to 5.
  NamesBankModel()
      : roster_(LoadRosterFromBytes(
            gen::RosterWithNames({u"Smith", u"Jones", u"", u"Brown", u"Garza", u"Kovačen", u"Li"},
                                 {{0, 1}, {3, 4}, {4, 1}, {5, 6}, {0, 4}})
                .file)),
        bank_({&roster_.Names.Id, &roster_.Names.Data, &roster_.Names.Length}),
        players_({&roster_.Table[0], &roster_.Table[1], &roster_.Table[2], &roster_.Table[3],
                  &roster_.Table[4], &roster_.Table[5]}),
        editor_(bank_, players_) {}

  // An edit as the grid makes it: it begins, the text is typed, the
  // selection moves on.
  void Edit(int col, int row, std::u16string_view text) {
    editor_.BeginEdit(col, row);
    bank_.setCell(col, row, text);
    editor_.Commit();
  }
  std::u16string_view Bank(int col, int row) const { return bank_.cell(col, row); }
  std::u16string_view Player(int col, int row) const { return players_.cell(col, row); }
  // What the pool gained or lost against the roster as loaded.
  std::int64_t PoolNow() const { return PoolBalance(roster_.Document.Bank, roster_.Names.Length); }

  LoadedRoster roster_;
  ColumnStore bank_, players_;
  NamesBankEditor editor_;
};

TEST_F(NamesBankModel, LengthsMoveTheBalanceAndCutTheirTexts) {
  struct Step {
    int row;
    std::u16string length;
    std::int64_t balance;
    std::u16string text;
  };
  const Step steps[] = {
      {1, u"3", 2, u"Smi"},     // Smith gives up two units; the player grid keeps "Smith"
      {3, u"2", 0, u""},        // the empty entry takes them
      {2, u"7", -2, u"Jones"},  // growing keeps the text
      {4, u"", -2, u"Brown"},   // an emptied Length is put back
      {6, u"0007", -2, u"Kovačen"},
  };
  for (const Step& s : steps) {
    Edit(kNamesLengthColumn, s.row, s.length);
    EXPECT_EQ(editor_.Balance(), s.balance) << s.row;
    EXPECT_EQ(editor_.Balance(), PoolNow()) << s.row;
    EXPECT_EQ(Bank(kNamesDataColumn, s.row), s.text) << s.row;
  }
  EXPECT_EQ(Bank(kNamesLengthColumn, 4), u"5");
  EXPECT_EQ(Player(kLastNameColumn, 1), u"Smith");
}

TEST_F(NamesBankModel, ALengthEditedTwiceBeforeTheCommitCountsFromItsFirstValue) {
  editor_.BeginEdit(kNamesLengthColumn, 6);  // Kovačen, 7
  bank_.setCell(kNamesLengthColumn, 6, u"9");
  editor_.BeginEdit(kNamesLengthColumn, 6);  // F2 again, nothing committed between
  bank_.setCell(kNamesLengthColumn, 6, u"91");
  EXPECT_TRUE(editor_.Commit());
  EXPECT_EQ(editor_.Balance(), -84);
  EXPECT_EQ(editor_.Balance(), PoolNow());
  EXPECT_FALSE(editor_.Commit());  // nothing pending any more
}

TEST_F(NamesBankModel, OnlyADigitMayEndALength) {
  EXPECT_TRUE(NamesBankEditor::AcceptsTyped(kNamesLengthColumn, u"1a2"));  // only the last counts
  EXPECT_FALSE(NamesBankEditor::AcceptsTyped(kNamesLengthColumn, u"1\u0661"));  // Arabic-Indic one
  EXPECT_TRUE(NamesBankEditor::AcceptsTyped(kNamesDataColumn, u"any text!"));
}

TEST_F(NamesBankModel, ACommittedTextIsCutAndShownToEveryPlayerUsingIt) {
  // Garza (entry 4) is player 1's first name and player 2's last name.
  Edit(kNamesDataColumn, 5, u"Bergman");
  EXPECT_EQ(Bank(kNamesDataColumn, 5), u"Bergm");
  EXPECT_EQ(Player(kFirstNameColumn, 2), u"Bergm");
  EXPECT_EQ(Player(kLastNameColumn, 3), u"Bergm");
  EXPECT_EQ(Player(kFirstNameColumn, 5), u"Bergm");
  EXPECT_EQ(Player(kLastNameColumn, 2), u"Brown");
  EXPECT_EQ(editor_.Balance(), 0);
  // Nothing pending: a move commits nothing, whatever the cells hold.
  bank_.setCell(kNamesDataColumn, 2, u"Changed");
  EXPECT_FALSE(editor_.Commit());
  EXPECT_EQ(Player(kFirstNameColumn, 1), u"Jones");
}

TEST_F(NamesBankModel, ABadLengthKeepsTheEditPending) {
  editor_.BeginEdit(kNamesLengthColumn, 2);
  bank_.setCell(kNamesLengthColumn, 2, u"5x");
  EXPECT_EQ(MessageOf<ConvertError>([&] { editor_.Commit(); }),
            "''5x'' is not a valid integer value");
  EXPECT_TRUE(editor_.EditPending());
  bank_.setCell(kNamesLengthColumn, 2, u"4");
  EXPECT_TRUE(editor_.Commit());
  EXPECT_EQ(editor_.Balance(), 1);
}

TEST_F(NamesBankModel, CreateNewShiftsTheLaterReferences) {
  editor_.CreateNew(4);  // after Brown (entry 3)
  EXPECT_EQ(Bank(kNamesIdColumn, 5), u"4");
  EXPECT_EQ(Bank(kNamesDataColumn, 5), u"");
  EXPECT_EQ(Bank(kNamesLengthColumn, 5), u"0");
  EXPECT_EQ(Bank(kNamesDataColumn, 6), u"Garza");
  EXPECT_EQ(Bank(kNamesIdColumn, 6), u"5");
  EXPECT_EQ(Player(kLNameIdColumn, 2), u"3");  // Brown keeps its number
  EXPECT_EQ(Player(kFNameIdColumn, 2), u"5");  // Garza moved on
  EXPECT_EQ(Player(kFirstNameColumn, 2), u"Garza");
  EXPECT_EQ(editor_.Balance(), -1);
  EXPECT_EQ(editor_.Balance(), PoolNow());
  // On the last entry it appends, and no reference changes.
  const int last = bank_.rowCount() - 1;
  editor_.CreateNew(last);
  EXPECT_EQ(bank_.rowCount(), last + 2);
  EXPECT_EQ(Bank(kNamesIdColumn, last + 1), Decimal(last));
  EXPECT_EQ(Player(kFNameIdColumn, 4), u"7");
}

TEST_F(NamesBankModel, MergeGivesTheSpaceToTheEntryAboveAndRefusesOneInUse) {
  const int rows = bank_.rowCount();
  editor_.MergeWithPrevious(3);  // the empty entry 2 into Jones
  EXPECT_EQ(Bank(kNamesLengthColumn, 2), u"6");
  EXPECT_EQ(Bank(kNamesDataColumn, 3), u"Brown");
  EXPECT_EQ(Bank(kNamesIdColumn, 3), u"2");
  EXPECT_EQ(Player(kLNameIdColumn, 2), u"2");
  EXPECT_EQ(Player(kLastNameColumn, 2), u"Brown");
  EXPECT_EQ(bank_.rowCount(), rows - 1);
  EXPECT_EQ(editor_.Balance(), 0);
  EXPECT_EQ(PoolNow(), 0);

  EXPECT_EQ(MessageOf<RosterError>([&] { editor_.MergeWithPrevious(4); }),
            "Entry 3 cannot be merged: 3 player names use it");
  EXPECT_EQ(MessageOf<RosterError>([&] { editor_.MergeWithPrevious(5); }),
            "Entry 4 cannot be merged: 1 player name uses it");
  EXPECT_EQ(MessageOf<ConvertError>([&] { editor_.MergeWithPrevious(1); }),
            "''Length'' is not a valid integer value");
  EXPECT_EQ(bank_.rowCount(), rows - 1);
}

TEST_F(NamesBankModel, TheCommandsCommitAPendingEditFirst) {
  editor_.BeginEdit(kNamesDataColumn, 7);  // Li
  bank_.setCell(kNamesDataColumn, 7, u"Lu");
  editor_.CreateNew(7);
  EXPECT_EQ(Player(kFirstNameColumn, 4), u"Lu");
  EXPECT_FALSE(editor_.EditPending());
}

TEST_F(NamesBankModel, LookUps) {
  bank_.setCell(kNamesDataColumn, 8, u"Jones");  // a second Jones
  EXPECT_EQ(editor_.RowOfText(u"Jones"), 2);
  EXPECT_EQ(editor_.RowOfText(u"jones"), std::nullopt);  // case counts
  EXPECT_EQ(editor_.RowOfText(u"Nobody"), std::nullopt);
  EXPECT_EQ(editor_.RowOfEntry(u"3"), 4);
  EXPECT_EQ(MessageOf<RosterError>([&] { editor_.RowOfEntry(u"-1"); }), "Grid index out of range");
  EXPECT_EQ(MessageOf<RosterError>([&] { editor_.RowOfEntry(Decimal(bank_.rowCount() - 1)); }),
            "Grid index out of range");
  EXPECT_EQ(MessageOf<ConvertError>([&] { editor_.RowOfEntry(u"abc"); }),
            "''abc'' is not a valid integer value");

  struct Follow {
    std::u16string id;
    bool quiet;
    std::u16string name;  // what the last-name cell shows afterwards
  };
  for (const Follow& f :
       {Follow{u"4", false, u"Garza"}, Follow{u"99999", false, u""}, Follow{u"-5", false, u""},
        Follow{u"4", true, u"Garza"}, Follow{u"1y", true, u"Garza"}}) {
    players_.setCell(kLNameIdColumn, 3, f.id);
    editor_.FollowNameId(kLNameIdColumn, 3, f.quiet);
    EXPECT_EQ(Player(kLastNameColumn, 3), f.name);
  }
  EXPECT_THROW(editor_.FollowNameId(kLNameIdColumn, 3), ConvertError);
}

TEST(ColumnStore, CellsOutsideItsColumnsAreEmptyAndStaySo) {
  ColumnList kept(3);
  ColumnStore store({&kept, nullptr});
  store.setCell(0, 1, u"x");
  for (const auto& [col, row] : {std::pair{1, 1}, {2, 0}, {-1, 0}, {0, 3}, {0, -1}}) {
    store.setCell(col, row, u"y");
    EXPECT_EQ(store.cell(col, row), u"") << col << "," << row;
  }
  EXPECT_EQ(store.cell(0, 1), u"x");
  EXPECT_EQ(store.rowCount(), 3);
}

}  // namespace
}  // namespace orrimax
