// The names bank: editing entries and their Lengths, and the balance of
// code units that gates saving.
#include <limits>

#include "DrawGrids.h"
#include "Unit1.h"

namespace orrimax::ui {
void TForm1::NamesBGetEditText(int col, int row) {
  // A second edit of a Length still pending is the same change: it keeps
  // the Length the first one began with, or the balance would lose it.
  const bool samePending =
      pendingNameEdit_.Row == row && pendingNameEdit_.Col == col && pendingNameEdit_.Row != 0;
  pendingNameEdit_.Row = row;
  pendingNameEdit_.Col = col;
  const std::u16string_view text = NamesB->cell(col, row);
  if (col == 2 && !text.empty() && !samePending) pendingNameEdit_.OldLength = ParseInteger(text);
}

void TForm1::NamesBSetEditText(int col, int row, const QString& text) {
  if (col != 2 || text.isEmpty()) return;
  const char16_t last = text.back().unicode();
  if (last >= u'0' && last <= u'9') return;
  // Only digits may end a Length; the removal does not begin a new edit.
  const QString kept = text.chopped(1);
  if (NamesB->editorVisible() && NamesB->col() == col && NamesB->row() == row)
    NamesB->replaceEditorText(kept);
  else
    NamesB->setCellText(col, row, kept);
}

bool TForm1::NamesBSelectCell(int, int) {
  const int row = pendingNameEdit_.Row;
  if (row == 0) return true;
  if (pendingNameEdit_.Col == 2) {
    ReallocLn(row);
  } else {
    std::u16string text(NamesB->cell(1, row));
    const std::int32_t length = ParseInteger(NamesB->cell(2, row));
    if (static_cast<std::int64_t>(text.size()) > length) {
      text.resize(static_cast<std::size_t>(std::max(length, 0)));
      NamesB->setCell(1, row, text);
    }
    RefreshPlayerNames(row - 1, text);
  }
  pendingNameEdit_.Row = 0;
  return true;
}

void TForm1::RefreshPlayerNames(int entry, std::u16string_view text) {
  for (int d = 1; d < Players->rowCount(); ++d) {
    if (ParseInteger(Players->cell(4, d)) == entry) Players->setCell(2, d, text);
    if (ParseInteger(Players->cell(5, d)) == entry) Players->setCell(3, d, text);
  }
}

void TForm1::ReallocLn(int row) {
  if (NamesB->cell(2, row).empty())
    NamesB->setCellText(2, row, QString::number(pendingNameEdit_.OldLength));
  const std::int32_t length = ParseInteger(NamesB->cell(2, row));
  const std::int64_t diff = std::int64_t{pendingNameEdit_.OldLength} - length;
  if (diff > 0) {
    const std::u16string_view text = NamesB->cell(1, row);
    if (static_cast<std::int64_t>(text.size()) > length)
      NamesB->setCell(1, row, std::u16string(text.substr(0, static_cast<std::size_t>(length))));
  }
  balance_ += static_cast<int>(diff);
  ApplyBalance();
}

void TForm1::ApplyBalance() {
  ShowBalance();
  SaveR->setEnabled(balance_ == 0);
}

void TForm1::RenumberNameIds() {
  for (int r = 1; r < NamesB->rowCount(); ++r) NamesB->setCellText(0, r, QString::number(r - 1));
}

void TForm1::ShiftPlayerNameIds(std::int64_t from, int delta) {
  const int rows = Players->rowCount();
  std::vector<std::int32_t> ids(2 * static_cast<std::size_t>(rows));
  for (int d = 1; d < rows; ++d) {
    ids[2 * d] = ParseInteger(Players->cell(4, d));
    ids[2 * d + 1] = ParseInteger(Players->cell(5, d));
  }
  for (int d = 1; d < rows; ++d)
    for (int k = 0; k < 2; ++k)
      if (const std::int64_t id = ids[2 * d + k]; id >= from)
        Players->setCellText(4 + k, d, QString::number(id + delta));
}

void TForm1::CommitNameEdit() {
  // The editor closes with the commit: typing on in it after the commit
  // would be an edit that nothing began, and that no move would commit.
  NamesB->hideEditor();
  NamesBSelectCell(NamesB->col(), NamesB->row());
}

void TForm1::CreateExecute() {
  // A pending edit belongs to the row it was made in: commit it first.
  CommitNameEdit();
  const int y = NamesB->row();
  // References are checked before the bank changes, so a bad ID changes nothing.
  ShiftPlayerNameIds(std::numeric_limits<std::int64_t>::max(), 0);
  InsertGridRow(*NamesB, y);
  RenumberNameIds();
  ShiftPlayerNameIds(y, +1);
  NamesB->setCell(2, y + 1, u"0");
  --balance_;
  ApplyBalance();
}

void TForm1::MergeExecute() {
  CommitNameEdit();
  const int y = NamesB->row();
  const std::int64_t merged =
      std::int64_t{ParseInteger(NamesB->cell(2, y - 1))} + ParseInteger(NamesB->cell(2, y)) + 1;
  // The players of a merged entry would silently point at the next one.
  int users = 0;
  for (int d = 1; d < Players->rowCount(); ++d) {
    users += ParseInteger(Players->cell(4, d)) == y - 1;
    users += ParseInteger(Players->cell(5, d)) == y - 1;
  }
  if (users > 0)
    throw RosterError("Entry " + std::to_string(y - 1) +
                      " cannot be merged: " + std::to_string(users) +
                      (users == 1 ? " player name uses" : " player names use") + " it");
  NamesB->setCellText(2, y - 1, QString::number(merged));
  DeleteGridRow(*NamesB, y);
  RenumberNameIds();
  ShiftPlayerNameIds(y, -1);
}

void TForm1::GetIDClick() {
  const QString wanted = GetIDE->text();
  for (int r = 1; r < NamesB->rowCount(); ++r) {
    if (NamesB->cellText(1, r) != wanted) continue;
    IDD->setText(QString::number(r - 1));
    NamesB->setTopRow(r);
    NamesB->setRow(r);
    return;
  }
}

void TForm1::ShowBalance() {
  ResC->setText(QString::number(balance_));
  QPalette p = ResC->palette();
  p.setColor(QPalette::WindowText, balance_ == 0 ? QColor(0, 128, 0) : QColor(255, 0, 0));
  ResC->setPalette(p);
}

}  // namespace orrimax::ui
