// The player grid: drawing, the current-row marker, header and row clicks,
// stepping over hidden columns, mouse ranges, and the cell input rules.
#include <QKeyEvent>

#include "DrawGrids.h"
#include "Functions.h"
#include "GridClipboard.h"
#include "Unit1.h"

namespace orrimax::ui {
namespace {

bool Accepts(const InputRule& rule, const QString& text) {
  const char16_t last = text.back().unicode();
  if (last > 0xFF || text.size() > rule.maxLength) return false;
  return rule.allowed.find(last) != std::u16string_view::npos;
}

const ColumnInfo& Column(int col) {
  return kColumns[static_cast<std::size_t>(col)];
}

}  // namespace

Alignment TForm1::PlayersCellAlignment(int col, int row) const {
  if (row > 0)
    return (col == kMarkerColumn || col == kLastNameColumn || col == kFirstNameColumn)
               ? Alignment::Left
               : Alignment::Right;
  // A header wide enough shows its whole text from the left; others centre
  // on their short name.
  return col >= kFirstDataColumn && Players->colWidth(col) >= Players->defaultColWidth() + 15
             ? Alignment::Left
             : Alignment::Centre;
}

void TForm1::PlayersDrawCell(int col, int row, const QRect& rect) {
  DrawCellText(*Players, Players->cellText(col, row), PlayersCellAlignment(col, row), rect);
}

bool TForm1::PlayersSelectCell(int col, int row) {
  Players->setCell(kMarkerColumn, SelectedCell.Row, u"");
  Players->setCell(kMarkerColumn, row, kMarker);
  SelectedCell = {col, row};
  if (PendingRegroup.Row != 0) {
    const std::u16string digits =
        RemoveSpaces(Players->cell(PendingRegroup.Col, PendingRegroup.Row));
    Players->setCell(PendingRegroup.Col, PendingRegroup.Row, RegroupDigits(digits));
    PendingRegroup.Row = 0;
  }
  history_.End(names_->Balance());
  return true;
}

void TForm1::PlayersFixedCellClick(int col, int row) {
  const int last = Players->rowCount() - 1;
  if (row == 0) {
    Players->setSelection(MakeGridRect(col, col, 1, last));
  } else if (col == kLastNameColumn || col == kFirstNameColumn) {
    PageControl1->setCurrentWidget(NamesSht);
    const int target = names_->RowOfEntry(Players->cell(IdColumnOfName(col), row));
    if (!NamesB->setRow(target)) return;
    // Two rows of context above the entry, but never above the first entry.
    NamesB->setTopRow(std::max(target - 2, NamesB->fixedRows()));
  } else if (col == kMarkerColumn || col == kRowNumberColumn) {
    Players->setSelection(MakeGridRect(kFirstDataColumn, kLastColumn, row, row));
  }
}

void TForm1::PlayersKeyDown(QKeyEvent* event) {
  const int current = Players->col();
  if (event->key() == Qt::Key_Right) {
    if (!Players->isHidden(current + 1)) return;
    int c = current + 2;
    while (c < Players->colCount() && Players->isHidden(c)) ++c;
    Players->setCol(c - 1);
  } else if (event->key() == Qt::Key_Left) {
    if (!Players->isHidden(current - 1)) return;
    int c = current - 2;
    while (c > 0 && Players->isHidden(c)) --c;
    Players->setCol(c + 1);
  }
  // The grid's own one-column move follows.
}

void TForm1::PlayersMouseDown(Qt::KeyboardModifiers shift, QPoint pos) {
  const GridCoord cell = Players->nearestCell(pos);
  if ((shift & Qt::ShiftModifier) && cell != MouseCell) {
    Players->setSelection(MakeGridRect(MouseCell.Col, cell.Col, MouseCell.Row, cell.Row));
  } else {
    Dragging = true;
    MouseCell = cell;
  }
}

void TForm1::PlayersMouseMove(QPoint pos) {
  if (!Dragging) return;
  const GridCoord cell = Players->nearestCell(pos);
  if (cell == MouseCell) return;
  Players->setDrawFocusSelected(true);
  Players->setSelection(MakeGridRect(SelectedCell.Col, cell.Col, SelectedCell.Row, cell.Row));
  MouseCell = cell;
}

void TForm1::PlayersMouseUp() {
  Players->setDrawFocusSelected(false);
  Dragging = false;
}

void TForm1::SelectAllExecute() {
  Players->setSelection(MakeGridRect(kFirstDataColumn, kLastColumn, 1, Players->rowCount() - 1));
}

void TForm1::CopyToClipboardExecute() {
  CopySelectionAsText(*Players);
}

void TForm1::PasteFromClipboardExecute() {
  history_.End(names_->Balance());
  AsStep("Paste", Players, [this] {
    const int lines = PasteTextAtCurrentCell(*Players);
    const int col = Players->col();
    if (col != kLNameIdColumn && col != kFNameIdColumn) return;
    for (int r = Players->row(); r < Players->row() + lines && r < Players->rowCount(); ++r) {
      names_->FollowNameId(kLNameIdColumn, r);
      names_->FollowNameId(kFNameIdColumn, r);
    }
  });
}

void TForm1::PlayersGetEditText(int col, int row) {
  // A cell edit is one step, from the editor opening to the cell moving on.
  history_.Begin("Typing", {Players, col, row}, names_->Balance());
  if (Column(col).salary) PendingRegroup = {col, row};
}

void TForm1::PlayersSetEditText(int col, int row, const QString& text) {
  if (text.isEmpty()) return;
  if (!Accepts(*Column(col).rule, text)) {
    Players->setCellText(col, row, text.chopped(1));
    Players->setEditorMode(true);
    return;
  }
  if (col == kLNameIdColumn || col == kFNameIdColumn) names_->FollowNameId(col, row);
}

void TForm1::PlayersEditRestored(int col, int row) {
  // The name follows the ID put back, as it followed each ID typed; an ID
  // that never parsed leaves the name as the typing left it.
  if (col == kLNameIdColumn || col == kFNameIdColumn) names_->FollowNameId(col, row, true);
}

}  // namespace orrimax::ui
