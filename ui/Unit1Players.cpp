// The player grid: drawing, the current-row marker and the name cells.
#include "DrawGrids.h"
#include "Unit1.h"

namespace orrimax::ui {

void TForm1::PlayersDrawCell(int col, int row, const QRect& rect) {
  Alignment alignment;
  if (row > 0) {
    alignment = (col == 0 || col == 2 || col == 3) ? Alignment::Left : Alignment::Right;
  } else {
    // A header wide enough shows its whole text from the left; others centre
    // on their short name.
    alignment = col >= 4 && Players->colWidth(col) >= Players->defaultColWidth() + 15
                    ? Alignment::Left
                    : Alignment::Centre;
  }
  DrawCellText(*Players, Players->cellText(col, row), alignment, rect);
}

bool TForm1::PlayersSelectCell(int col, int row) {
  Players->setCell(0, SelectedCell.Row, u"");
  Players->setCell(0, row, u"\u2588");
  SelectedCell = {col, row};
  return true;
}

void TForm1::UpdateNames(int row) {
  const auto nameOf = [this](std::u16string_view idText) -> std::u16string_view {
    const std::int32_t id = ParseInteger(idText);
    // No entry (beyond the last, or negative): an empty name.
    if (id < 0 || id >= NamesB->rowCount() - 1) return {};
    return NamesB->cell(1, id + 1);
  };
  Players->setCell(2, row, std::u16string(nameOf(Players->cell(4, row))));
  Players->setCell(3, row, std::u16string(nameOf(Players->cell(5, row))));
}

}  // namespace orrimax::ui
