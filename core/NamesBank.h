// The names bank editor's rules, over the names grid's cells and the player
// table's name columns: the pending edit with its OldLength, the balance of
// code units that gates saving, Create New, Merge With Previous, Get ID by
// Name, and the name cells that follow the players' name IDs. The window's
// handlers and the command-line tool call it; neither keeps a rule of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "CellStore.h"
#include "DB.h"

namespace orrimax {

// Columns of the names grid; the entry with number k is in row k + 1.
inline constexpr int kNamesIdColumn = 0;
inline constexpr int kNamesDataColumn = 1;
inline constexpr int kNamesLengthColumn = 2;

// Whether a text fits its allotted Length (in UTF-16 code units).
bool FitsLength(std::u16string_view text, std::int64_t length);

// Code units given up (positive) or overdrawn (negative) by `lengths` (the
// names grid's Length column) against the pool's entries as `loaded`: 0
// keeps the pool's size, each entry taking 2 x Length + 2 bytes.
std::int64_t PoolBalance(const NameBank& loaded, const ColumnList& lengths);

class NamesBankEditor {
 public:
  // `bank` is the names grid (ID, Data, Length); `players` the player table,
  // of which the name and name ID columns are read and written.
  NamesBankEditor(CellStore& bank, CellStore& players) : bank_(bank), players_(players) {}

  // A roster was opened: balance 0, nothing pending.
  void Reset();
  // A step undone or redone: its balance back, nothing pending.
  void RestoreBalance(std::int64_t balance) {
    pending_ = {};
    balance_ = balance;
  }
  // The "ID" column: row r holds r - 1.
  void RenumberIds();
  std::int64_t Balance() const { return balance_; }
  bool EditPending() const { return pending_.row != 0; }

  // An in-place edit of a cell begins (the grid's get-edit-text).
  void BeginEdit(int col, int row);
  // Whether typing may leave `text` in a cell of column `col`: only a digit
  // may end a Length. The caller takes the last character back otherwise.
  static bool AcceptsTyped(int col, std::u16string_view text);
  // Commits the pending edit, if any, as when the selection moves: a Length
  // re-accounts the balance (an emptied one is put back), a text is cut to
  // its Length and shown in the name cells of every player who uses it. A
  // Length or name ID that does not parse throws, and the edit stays pending.
  // True when a Length was re-accounted (the balance rule is to be applied).
  bool Commit();

  // Create New: an empty entry after the one in `row`, the references to
  // later entries shifted up; the balance loses the new terminator's unit.
  void CreateNew(int row);
  // Merge With Previous: the entry in `row` goes, its space to the entry
  // above; references to later entries shift down. An entry that a player
  // still uses is refused, as the shift would re-point that player.
  void MergeWithPrevious(int row);
  // Get ID by Name: the first row whose text is exactly `text`.
  std::optional<int> RowOfText(std::u16string_view text) const;

  // The text of entry `id` as the bank shows it; empty for no entry.
  std::u16string_view NameOfEntry(std::int64_t id) const;
  // The bank row of a player's name ID (the name cells' jump), or the
  // grid's "Grid index out of range".
  int RowOfEntry(std::u16string_view idCell) const;
  // The name cell beside a player's LNameID or FNameID follows it. With
  // `quiet`, an ID that does not parse leaves the name as it is.
  void FollowNameId(int idCol, int playerRow, bool quiet = false);

 private:
  struct PendingEdit {
    int row = 0;  // 0: nothing pending
    int col = kNamesDataColumn;
    std::int32_t oldLength = 0;
  };

  void CommitLength(int row);
  // Adds `delta` to every player name ID at or above `from`; all IDs are
  // parsed before any changes, so a bad one changes nothing.
  void ShiftNameIds(std::int64_t from, int delta);
  int UsersOf(std::int64_t entry) const;

  CellStore& bank_;
  CellStore& players_;
  PendingEdit pending_;
  std::int64_t balance_ = 0;
};

}  // namespace orrimax
