// The names bank page: its grid's notifications and commands handed to the
// names-bank rules of the core, and the balance shown in red or green.
#include "Unit1.h"

namespace orrimax::ui {
void TForm1::NamesBGetEditText(int col, int row) {
  // A names-bank edit is one step, to its commit.
  history_.Begin("Typing", {NamesB, col, row}, names_->Balance());
  names_->BeginEdit(col, row);
}

void TForm1::NamesBSetEditText(int col, int row, const QString& text) {
  if (NamesBankEditor::AcceptsTyped(col, TextView(text))) return;
  // The character goes at once; its removal does not begin a new edit.
  const QString kept = text.chopped(1);
  if (NamesB->editorVisible() && NamesB->col() == col && NamesB->row() == row)
    NamesB->replaceEditorText(kept);
  else
    NamesB->setCellText(col, row, kept);
}

bool TForm1::NamesBSelectCell(int, int) {
  if (names_->Commit()) ApplyBalance();
  history_.End(names_->Balance());
  return true;
}

void TForm1::CommitNameEdit() {
  // The editor closes with the commit: typing on in it after the commit
  // would be an edit that nothing began, and that no move would commit.
  NamesB->hideEditor();
  NamesBSelectCell(NamesB->col(), NamesB->row());
}

void TForm1::ApplyBalance() {
  ShowBalance();
  SaveR->setEnabled(Close1->isEnabled() && names_->Balance() == 0);
}

void TForm1::CreateExecute() {
  CommitNameEdit();
  AsStep("Create New", NamesB, [this] { names_->CreateNew(NamesB->row()); });
  ApplyBalance();
}

void TForm1::MergeExecute() {
  CommitNameEdit();
  AsStep("Merge With Previous", NamesB, [this] { names_->MergeWithPrevious(NamesB->row()); });
}

void TForm1::GetIDClick() {
  const std::optional<int> row = names_->RowOfText(TextView(GetIDE->text()));
  if (!row) return;
  IDD->setText(QString::number(*row - 1));
  NamesB->setTopRow(*row);
  NamesB->setRow(*row);
}

void TForm1::ShowBalance() {
  ResC->setText(QString::number(names_->Balance()));
  QPalette p = ResC->palette();
  p.setColor(QPalette::WindowText, names_->Balance() == 0 ? QColor(0, 128, 0) : QColor(255, 0, 0));
  ResC->setPalette(p);
}

}  // namespace orrimax::ui
