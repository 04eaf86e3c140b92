// The Edit menu's Undo and Redo, the window's caption, and the question
// before unsaved changes would be dropped.
#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "Unit1.h"

namespace orrimax::ui {

void TForm1::AsStep(const char* name, Grid* grid, const std::function<void()>& change) {
  history_.Begin(name, CellOf(grid), names_->Balance());
  try {
    change();
  } catch (...) {
    // What changed before the failure stays changed, and can be undone.
    history_.End(names_->Balance());
    throw;
  }
  history_.End(names_->Balance());
}

void TForm1::UndoExecute() {
  // An edit still open becomes the step to take back.
  Players->hideEditor();
  CommitNameEdit();
  history_.End(names_->Balance());
  if (history_.CanUndo()) ApplyStep(history_.Undo(), true);
}

void TForm1::RedoExecute() {
  Players->hideEditor();
  CommitNameEdit();
  history_.End(names_->Balance());
  if (history_.CanRedo()) ApplyStep(history_.Redo(), false);
}

void TForm1::ApplyStep(const EditHistory::Step& step, bool undone) {
  names_->RestoreBalance(undone ? step.balanceBefore : step.balanceAfter);
  if (step.rowsChanged) names_->RenumberIds();
  PendingRegroup.Row = 0;
  ApplyBalance();
  // The step's own cell becomes current again, through select-cell, so
  // that the marker follows.
  Grid* grid = step.where.store == NamesB ? NamesB : Players;
  PageControl1->setCurrentWidget(grid == NamesB ? NamesSht : PlayersSht);
  grid->moveTo(step.where.col, step.where.row);
  UpdateEditState();
}

void TForm1::UpdateEditState() {
  const bool shown = Close1->isEnabled();
  const std::string undo = history_.NextUndoName();
  Undo1->setEnabled(shown && !undo.empty());
  Undo1->setText(undo.empty() ? "Undo" : "Undo " + QString::fromStdString(undo));
  Redo1->setEnabled(shown && history_.CanRedo());
  Redo1->setText(history_.CanRedo() ? "Redo " + QString::fromStdString(history_.RedoName())
                                    : "Redo");
  QString caption = ProgramTitle();
  if (shown) caption += " - " + QFileInfo(rosterPath_).fileName() + (Dirty() ? "*" : "");
  setWindowTitle(caption);
}

TForm1::SaveAnswer TForm1::AskSaveChanges(const QString& text) {
  QMessageBox box(QMessageBox::Question, QApplication::applicationName(), text,
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Save:
      return SaveAnswer::Save;
    case QMessageBox::Discard:
      return SaveAnswer::Discard;
    default:
      return SaveAnswer::Cancel;
  }
}

bool TForm1::ConfirmDiscard() {
  // Typing still open is a change too.
  Players->hideEditor();
  Guard([this] { CommitNameEdit(); });
  history_.End(names_->Balance());
  if (!Close1->isEnabled() || !Dirty()) return true;
  switch (askSaveChanges("Save changes to " + QFileInfo(rosterPath_).fileName() + "?")) {
    case SaveAnswer::Save:
      return SaveToDisk();
    case SaveAnswer::Discard:
      return true;
    case SaveAnswer::Cancel:
      return false;
  }
  return false;
}

}  // namespace orrimax::ui
