// The names bank: editing entries and their Lengths, and the balance of
// code units that gates saving.
#include "Unit1.h"

namespace orrimax::ui {
void TForm1::NamesBGetEditText(int col, int row) {
  pendingNameEdit_.Row = row;
  pendingNameEdit_.Col = col;
  const std::u16string_view text = NamesB->cell(col, row);
  if (col == 2 && !text.empty()) pendingNameEdit_.OldLength = ParseInteger(text);
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
  ShowBalance();
  SaveR->setEnabled(balance_ == 0);
}

void TForm1::ShowBalance() {
  ResC->setText(QString::number(balance_));
  QPalette p = ResC->palette();
  p.setColor(QPalette::WindowText, balance_ == 0 ? QColor(0, 128, 0) : QColor(255, 0, 0));
  ResC->setPalette(p);
}

}  // namespace orrimax::ui
