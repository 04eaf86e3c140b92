// The grid's keyboard: navigation keys, Tab, and the in-place editor with
// its get- and set-edit-text notifications.
#include <QKeyEvent>
#include <limits>

#include "Grid.h"

namespace orrimax::ui {

GridEditor::GridEditor(Grid* grid) : QLineEdit(grid->viewport()), grid_(grid) {
  setFrame(false);
  // A cell may hold any length of text; the editor must not cut it.
  setMaxLength(std::numeric_limits<int>::max());
  hide();
}

void GridEditor::keyPressEvent(QKeyEvent* event) {
  const bool plain = !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier));
  switch (event->key()) {
    case Qt::Key_Left:
      // At the edge of the text the arrows leave the cell, as in the grid.
      if (plain && cursorPosition() == 0 && !hasSelectedText()) break;
      QLineEdit::keyPressEvent(event);
      return;
    case Qt::Key_Right:
      if (plain && cursorPosition() == text().size() && !hasSelectedText()) break;
      QLineEdit::keyPressEvent(event);
      return;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      break;
    default:
      QLineEdit::keyPressEvent(event);
      return;
  }
  // The key-down notification sees editor keys as the grid's own.
  if (grid_->onKeyDown) {
    event->ignore();
    grid_->onKeyDown(event);
    if (event->isAccepted()) return;
  }
  grid_->handleNavigationKey(event);
}

// ---- Keyboard ---------------------------------------------------------------------

void Grid::keyPressEvent(QKeyEvent* event) {
  if (onKeyDown) {
    event->ignore();
    onKeyDown(event);
    if (event->isAccepted()) return;
  }
  if (handleNavigationKey(event)) return;
  const QString text = event->text();
  if (editing && !text.isEmpty() && text[0].isPrint() &&
      !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    startEditingWith(text);
    return;
  }
  QAbstractScrollArea::keyPressEvent(event);
}

bool Grid::handleNavigationKey(QKeyEvent* event) {
  const bool shift = event->modifiers() & Qt::ShiftModifier;
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  int col = current_.Col;
  int row = current_.Row;
  switch (event->key()) {
    case Qt::Key_Left:
      --col;
      break;
    case Qt::Key_Right:
      ++col;
      break;
    case Qt::Key_Up:
      --row;
      break;
    case Qt::Key_Down:
      ++row;
      break;
    case Qt::Key_PageUp:
      row -= visibleRowCount();
      break;
    case Qt::Key_PageDown:
      row += visibleRowCount();
      break;
    case Qt::Key_Home:
      if (ctrl) row = fixedRows_;
      col = fixedCols_;
      break;
    case Qt::Key_End:
      if (ctrl) row = rowCount_ - 1;
      col = colCount() - 1;
      break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: {
      if (!tabs) return false;
      const GridCoord next = tabTarget(event->key() == Qt::Key_Backtab || shift ? -1 : 1);
      moveCurrent(next.Col, next.Row, false);
      event->accept();
      return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (editorVisible())
        hideEditor();
      else if (editing)
        showEditor();
      event->accept();
      return true;
    case Qt::Key_F2:
      if (editing) showEditor();
      event->accept();
      return true;
    case Qt::Key_Escape:
      if (!editorVisible()) return false;
      // Cancels the edit: the cell gets back exactly the text the editor
      // opened with. It was never typed, so no input rule may judge it.
      if (cellText(current_.Col, current_.Row) != editStartText_ ||
          editor_->text() != editStartText_) {
        loadingEditor_ = true;
        setCellText(current_.Col, current_.Row, editStartText_);
        editor_->setText(editStartText_);
        loadingEditor_ = false;
        if (onEditRestored) onEditRestored(current_.Col, current_.Row);
      }
      hideEditor();
      event->accept();
      return true;
    default:
      return false;
  }
  moveCurrent(col, row, shift);
  event->accept();
  return true;
}

GridCoord Grid::tabTarget(int step) const {
  // Like the arrows, Tab steps over hidden columns; past the end of a row it
  // goes on in the next one (or wraps within the last).
  int col = current_.Col;
  int row = current_.Row;
  for (int tries = 0; tries <= colCount(); ++tries) {
    col += step;
    if (col >= colCount()) {
      col = fixedCols_;
      if (row + 1 < rowCount_) ++row;
    } else if (col < fixedCols_) {
      col = colCount() - 1;
      if (row - 1 >= fixedRows_) --row;
    }
    if (!isHidden(col)) return {col, row};
  }
  return current_;
}

bool Grid::focusNextPrevChild(bool next) {
  // Tab moves between cells, not out of the grid.
  if (tabs) return false;
  return QAbstractScrollArea::focusNextPrevChild(next);
}

// ---- Editor -----------------------------------------------------------------------

void Grid::placeEditor() {
  const QRect r = cellRect(current_.Col, current_.Row);
  if (r.isEmpty()) {
    editor_->setGeometry(-1000, -1000, 10, 10);
    return;
  }
  editor_->setGeometry(r);
}

void Grid::loadEditor(bool selectAll) {
  loadingEditor_ = true;
  editor_->setText(cellText(current_.Col, current_.Row));
  if (onGetEditText) onGetEditText(current_.Col, current_.Row);
  if (selectAll)
    editor_->selectAll();
  else
    editor_->setCursorPosition(editor_->text().size());
  loadingEditor_ = false;
}

void Grid::showEditor() {
  if (editorVisible()) return;
  scrollIntoView(current_.Col, current_.Row);
  placeEditor();
  editor_->setFont(font());
  editStartText_ = cellText(current_.Col, current_.Row);
  loadEditor(false);
  editor_->show();
  editor_->setFocus();
}

void Grid::hideEditor() {
  if (!editorVisible()) return;
  // Also while the window is not active (keys may still reach it, as under
  // a pointer-focus desktop): a hidden editor must not stay the focus and
  // go on taking keys for a cell it no longer shows.
  const bool hadFocus = editor_->hasFocus() || window()->focusWidget() == editor_;
  editor_->hide();
  if (hadFocus) setFocus();
  viewport()->update();
}

void Grid::setEditorMode(bool on) {
  if (!on) {
    hideEditor();
    return;
  }
  if (editorVisible())
    loadEditor(false);
  else
    showEditor();
}

void Grid::replaceEditorText(const QString& text) {
  loadingEditor_ = true;
  setCellText(current_.Col, current_.Row, text);
  editor_->setText(text);
  editor_->setCursorPosition(text.size());
  loadingEditor_ = false;
}

void Grid::startEditingWith(const QString& text) {
  showEditor();
  editor_->setText(text);
  editorTextEdited(text);
}

void Grid::editorTextEdited(const QString& text) {
  const int col = current_.Col;
  const int row = current_.Row;
  loadingEditor_ = true;  // the cell follows the editor; no reload
  setCellText(col, row, text);
  loadingEditor_ = false;
  if (onSetEditText) onSetEditText(col, row, text);
}

}  // namespace orrimax::ui
