#include "NamesBank.h"

#include <string>
#include <vector>

#include "Text.h"

namespace orrimax {

bool FitsLength(std::u16string_view text, std::int64_t length) {
  return static_cast<std::int64_t>(text.size()) <= length;
}

std::int64_t PoolBalance(const NameBank& loaded, const ColumnList& lengths) {
  std::int64_t units = 0;  // code units, terminators included
  for (const Name& entry : loaded) units += static_cast<std::int64_t>(entry.Data.size()) + 1;
  for (std::size_t row = 1; row < lengths.size(); ++row)
    units -= std::int64_t{ParseInteger(lengths[row])} + 1;
  return units;
}

void NamesBankEditor::Reset() {
  pending_ = {};
  balance_ = 0;
}

void NamesBankEditor::BeginEdit(int col, int row) {
  // A second edit of a Length still pending is the same change: it keeps
  // the Length the first one began with, or the balance would lose it.
  const bool samePending = pending_.row == row && pending_.col == col && pending_.row != 0;
  pending_.row = row;
  pending_.col = col;
  const std::u16string_view text = bank_.cell(col, row);
  if (col == kNamesLengthColumn && !text.empty() && !samePending)
    pending_.oldLength = ParseInteger(text);
}

bool NamesBankEditor::AcceptsTyped(int col, std::u16string_view text) {
  if (col != kNamesLengthColumn || text.empty()) return true;
  return text.back() >= u'0' && text.back() <= u'9';
}

bool NamesBankEditor::Commit() {
  const int row = pending_.row;
  if (row == 0) return false;
  const bool length = pending_.col == kNamesLengthColumn;
  if (length) {
    CommitLength(row);
  } else {
    std::u16string text(bank_.cell(kNamesDataColumn, row));
    const std::int32_t length = ParseInteger(bank_.cell(kNamesLengthColumn, row));
    if (!FitsLength(text, length)) {
      text.resize(static_cast<std::size_t>(std::max(length, 0)));
      bank_.setCell(kNamesDataColumn, row, text);
    }
    const int entry = row - 1;
    for (int d = 1; d < players_.rowCount(); ++d) {
      if (ParseInteger(players_.cell(kLNameIdColumn, d)) == entry)
        players_.setCell(kLastNameColumn, d, text);
      if (ParseInteger(players_.cell(kFNameIdColumn, d)) == entry)
        players_.setCell(kFirstNameColumn, d, text);
    }
  }
  pending_.row = 0;
  return length;
}

void NamesBankEditor::CommitLength(int row) {
  if (bank_.cell(kNamesLengthColumn, row).empty())
    bank_.setCell(kNamesLengthColumn, row, Decimal(pending_.oldLength));
  const std::int32_t length = ParseInteger(bank_.cell(kNamesLengthColumn, row));
  const std::int64_t diff = std::int64_t{pending_.oldLength} - length;
  // A shrunk Length cuts its text; the player grid keeps showing the old one
  // until the text itself is committed.
  if (diff > 0) {
    const std::u16string_view text = bank_.cell(kNamesDataColumn, row);
    if (!FitsLength(text, length))
      bank_.setCell(kNamesDataColumn, row,
                    std::u16string(text.substr(0, static_cast<std::size_t>(length))));
  }
  balance_ += diff;
}

void NamesBankEditor::RenumberIds() {
  for (int r = 1; r < bank_.rowCount(); ++r) bank_.setCell(kNamesIdColumn, r, Decimal(r - 1));
}

void NamesBankEditor::ShiftNameIds(std::int64_t from, int delta) {
  const int rows = players_.rowCount();
  std::vector<std::int32_t> ids(2 * static_cast<std::size_t>(std::max(rows, 0)));
  for (int d = 1; d < rows; ++d) {
    ids[2 * d] = ParseInteger(players_.cell(kLNameIdColumn, d));
    ids[2 * d + 1] = ParseInteger(players_.cell(kFNameIdColumn, d));
  }
  for (int d = 1; d < rows; ++d)
    for (int k = 0; k < 2; ++k)
      if (const std::int64_t id = ids[2 * d + k]; id >= from)
        players_.setCell(kLNameIdColumn + k, d, Decimal(id + delta));
}

int NamesBankEditor::UsersOf(std::int64_t entry) const {
  int users = 0;
  for (int d = 1; d < players_.rowCount(); ++d) {
    users += ParseInteger(players_.cell(kLNameIdColumn, d)) == entry;
    users += ParseInteger(players_.cell(kFNameIdColumn, d)) == entry;
  }
  return users;
}

void NamesBankEditor::CreateNew(int row) {
  // A pending edit belongs to the row it was made in: committed first.
  Commit();
  // References are checked before the bank changes, so a bad ID changes nothing.
  ShiftNameIds(INT64_MAX, 0);
  InsertGridRow(bank_, row);
  RenumberIds();
  ShiftNameIds(row, +1);
  bank_.setCell(kNamesLengthColumn, row + 1, u"0");
  --balance_;  // the new entry's terminator
}

void NamesBankEditor::MergeWithPrevious(int row) {
  Commit();
  // The header's "Length" refuses a merge of the first entry, as a number.
  const std::int64_t merged = std::int64_t{ParseInteger(bank_.cell(kNamesLengthColumn, row - 1))} +
                              ParseInteger(bank_.cell(kNamesLengthColumn, row)) + 1;
  // The players of a merged entry would silently point at the next one.
  if (const int users = UsersOf(row - 1); users > 0)
    throw RosterError("Entry " + std::to_string(row - 1) +
                      " cannot be merged: " + std::to_string(users) +
                      (users == 1 ? " player name uses" : " player names use") + " it");
  bank_.setCell(kNamesLengthColumn, row - 1, Decimal(merged));
  DeleteGridRow(bank_, row);
  RenumberIds();
  ShiftNameIds(row, -1);
}

std::optional<int> NamesBankEditor::RowOfText(std::u16string_view text) const {
  for (int r = 1; r < bank_.rowCount(); ++r)
    if (bank_.cell(kNamesDataColumn, r) == text) return r;
  return std::nullopt;
}

std::u16string_view NamesBankEditor::NameOfEntry(std::int64_t id) const {
  // No entry (beyond the last, or negative): an empty name.
  if (id < 0 || id >= bank_.rowCount() - 1) return {};
  return bank_.cell(kNamesDataColumn, static_cast<int>(id + 1));
}

int NamesBankEditor::RowOfEntry(std::u16string_view idCell) const {
  const std::int64_t row = std::int64_t{ParseInteger(idCell)} + 1;
  if (row < 1 || row >= bank_.rowCount()) throw RosterError("Grid index out of range");
  return static_cast<int>(row);
}

void NamesBankEditor::FollowNameId(int idCol, int playerRow, bool quiet) {
  const std::u16string_view cell = players_.cell(idCol, playerRow);
  const std::optional<std::int32_t> id = quiet ? TryParseInteger(cell) : ParseInteger(cell);
  if (id) players_.setCell(NameColumnOfId(idCol), playerRow, std::u16string(NameOfEntry(*id)));
}

}  // namespace orrimax
