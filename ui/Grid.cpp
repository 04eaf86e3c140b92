// The grid layer: shape, cells, geometry, scrolling, the current cell and
// the mouse. Keys and the editor are in GridEditing.cpp, painting in GridPaint.cpp.
#include "Grid.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>

namespace orrimax::ui {

GridRect MakeGridRect(int col1, int col2, int row1, int row2) {
  return {std::min(col1, col2), std::min(row1, row2), std::max(col1, col2), std::max(row1, row2)};
}

Grid::Grid(QWidget* parent) : QAbstractScrollArea(parent), editor_(new GridEditor(this)) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(false);
  // paintEvent covers every pixel it is asked for: nothing under the
  // viewport needs painting first.
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  verticalScrollBar()->setTracking(true);
  horizontalScrollBar()->setTracking(true);
  connect(editor_, &QLineEdit::textEdited, this, [this](const QString& t) { editorTextEdited(t); });
  setColCount(5);
  setRowCount(5);
}

// ---- Shape ----------------------------------------------------------------------

void Grid::setColCount(int count) {
  columns_.resize(static_cast<std::size_t>(std::max(count, 0)));
  widths_.resize(columns_.size(), defaultColWidth_);
  for (auto& c : columns_) c.resize(static_cast<std::size_t>(rowCount_));
  current_.Col = std::clamp(current_.Col, 0, std::max(colCount() - 1, 0));
  anchor_.Col = std::clamp(anchor_.Col, 0, std::max(colCount() - 1, 0));
  leftCol_ = std::clamp(leftCol_, fixedCols_, std::max(colCount() - 1, fixedCols_));
  updateScrollBars();
}

void Grid::setRowCount(int count) {
  rowCount_ = std::max(count, 0);
  for (auto& c : columns_) c.resize(static_cast<std::size_t>(rowCount_));
  const int last = std::max(rowCount_ - 1, 0);
  current_.Row = std::clamp(current_.Row, std::min(fixedRows_, last), last);
  anchor_.Row = std::clamp(anchor_.Row, std::min(fixedRows_, last), last);
  topRow_ = std::clamp(topRow_, fixedRows_, std::max(last, fixedRows_));
  if (editorVisible()) hideEditor();
  updateScrollBars();
  viewport()->update();
}

void Grid::setFixedCols(int count) {
  fixedCols_ = count;
  leftCol_ = std::max(leftCol_, fixedCols_);
  current_.Col = std::max(current_.Col, fixedCols_);
  anchor_ = current_;
  updateScrollBars();
}

void Grid::setFixedRows(int count) {
  fixedRows_ = count;
  topRow_ = std::max(topRow_, fixedRows_);
  current_.Row = std::max(current_.Row, fixedRows_);
  anchor_ = current_;
  updateScrollBars();
}

// ---- Cells ------------------------------------------------------------------------

std::u16string_view Grid::cell(int col, int row) const {
  if (col < 0 || col >= colCount() || row < 0 || row >= rowCount_) return {};
  return columns_[col][row];
}

QString Grid::cellText(int col, int row) const {
  const std::u16string_view text = cell(col, row);
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

void Grid::setCell(int col, int row, std::u16string_view text) {
  if (col < 0 || col >= colCount() || row < 0 || row >= rowCount_) return;
  if (observer && columns_[col][row] != text) {
    const std::u16string before(columns_[col][row]);
    columns_[col].set(row, text);
    observer->cellChanged(*this, col, row, before, text);
  } else {
    columns_[col].set(row, text);
  }
  // Another operation wrote the cell under the open editor: show its text.
  if (!loadingEditor_ && editorVisible() && col == current_.Col && row == current_.Row)
    loadEditor(false);
  const QRect r = cellRect(col, row);
  if (!r.isEmpty()) viewport()->update(r.adjusted(0, 0, 1, 1));
}

void Grid::setCellText(int col, int row, const QString& text) {
  setCell(col, row, TextView(text));
}

void Grid::setColumn(int col, ColumnList list) {
  list.resize(static_cast<std::size_t>(rowCount_));
  columns_[col] = std::move(list);
  viewport()->update();
}

void Grid::clearCells() {
  for (auto& c : columns_) {
    c.clear();
    c.resize(static_cast<std::size_t>(rowCount_));
  }
  if (editorVisible()) hideEditor();
  viewport()->update();
}

void Grid::insertRow(int row) {
  for (auto& c : columns_) c.insert(static_cast<std::size_t>(row), u"");
  ++rowCount_;
  updateScrollBars();
  viewport()->update();
  if (observer) observer->rowInserted(*this, row);
}

void Grid::deleteRow(int row) {
  std::vector<std::u16string> texts;
  if (observer)
    for (const auto& c : columns_) texts.emplace_back(c[static_cast<std::size_t>(row)]);
  for (auto& c : columns_) c.erase(static_cast<std::size_t>(row));
  setRowCount(rowCount_ - 1);
  if (observer) observer->rowDeleted(*this, row, std::move(texts));
}

// ---- Geometry ---------------------------------------------------------------------

void Grid::setDefaultColWidth(int width) {
  defaultColWidth_ = width;
  std::fill(widths_.begin(), widths_.end(), width);
  updateScrollBars();
  viewport()->update();
}

int Grid::colWidth(int col) const {
  if (col < 0 || col >= colCount()) return defaultColWidth_;
  return widths_[col];
}

void Grid::setColWidth(int col, int width) {
  if (col < 0 || col >= colCount()) return;
  widths_[col] = width;
  updateScrollBars();
  if (editorVisible()) placeEditor();
  viewport()->update();
}

void Grid::setRowHeight(int height) {
  rowHeight_ = height;
  updateScrollBars();
  viewport()->update();
}

int Grid::fixedWidth() const {
  int x = 0;
  for (int c = 0; c < fixedCols_ && c < colCount(); ++c) x += widths_[c] < 0 ? 0 : widths_[c] + 1;
  return x;
}

int Grid::colX(int col) const {
  if (col < fixedCols_) {
    int x = 0;
    for (int c = 0; c < col; ++c) x += widths_[c] < 0 ? 0 : widths_[c] + 1;
    return x;
  }
  if (col < leftCol_) return -1;
  int x = fixedWidth();
  for (int c = leftCol_; c < col; ++c) x += widths_[c] < 0 ? 0 : widths_[c] + 1;
  return x;
}

QRect Grid::cellRect(int col, int row) const {
  if (col < 0 || col >= colCount() || row < 0 || row >= rowCount_ || widths_[col] < 0) return {};
  // The row first: a cell written far from the screen (a paste, a search)
  // is known to be out of view without walking the column widths.
  const int stride = rowHeight_ + 1;
  int y;
  if (row < fixedRows_)
    y = row * stride;
  else if (row < topRow_)
    return {};
  else
    y = (fixedRows_ + row - topRow_) * stride;
  if (y >= viewport()->height()) return {};
  const int x = colX(col);
  if (x < 0 || x >= viewport()->width()) return {};
  return {x, y, widths_[col], rowHeight_};
}

int Grid::visibleRowCount() const {
  const int available = viewport()->height() - fixedRows_ * (rowHeight_ + 1);
  return std::max(available / (rowHeight_ + 1), 1);
}

GridCoord Grid::mouseToCell(QPoint pos) const {
  if (pos.x() < 0 || pos.y() < 0) return {};
  GridCoord cell;
  const int stride = rowHeight_ + 1;
  const int fixedH = fixedRows_ * stride;
  const int r = pos.y() < fixedH ? pos.y() / stride : topRow_ + (pos.y() - fixedH) / stride;
  if (r >= rowCount_) return {};
  int x = 0;
  for (int c = 0; c < fixedCols_ && c < colCount(); ++c) {
    const int w = widths_[c] < 0 ? 0 : widths_[c] + 1;
    if (pos.x() < x + w) return {c, r};
    x += w;
  }
  for (int c = leftCol_; c < colCount(); ++c) {
    const int w = widths_[c] < 0 ? 0 : widths_[c] + 1;
    if (pos.x() < x + w) return {c, r};
    x += w;
    if (x > viewport()->width()) break;
  }
  return cell;
}

GridCoord Grid::nearestCell(QPoint pos) const {
  if (colCount() == 0 || rowCount_ == 0) return {};
  const int stride = rowHeight_ + 1;
  const int fixedH = fixedRows_ * stride;
  const int y = std::max(pos.y(), 0);
  const int r =
      std::clamp(y < fixedH ? y / stride : topRow_ + (y - fixedH) / stride, 0, rowCount_ - 1);
  const int x = std::max(pos.x(), 0);
  int left = 0;
  int lastShown = colCount() - 1;
  auto step = [&](int c) {
    if (widths_[c] < 0) return false;
    lastShown = c;
    left += widths_[c] + 1;
    return x < left;
  };
  for (int c = 0; c < fixedCols_ && c < colCount(); ++c)
    if (step(c)) return {c, r};
  for (int c = leftCol_; c < colCount(); ++c)
    if (step(c)) return {c, r};
  return {lastShown, r};
}

void Grid::setTopRow(int row) {
  updateScrollBars();
  const int maxTop = std::max(fixedRows_, rowCount_ - visibleRowCount());
  topRow_ = std::clamp(row, fixedRows_, maxTop);
  verticalScrollBar()->setValue(topRow_ - fixedRows_);
  if (editorVisible()) placeEditor();
  viewport()->update();
}

void Grid::setLeftCol(int col) {
  updateScrollBars();
  leftCol_ = std::clamp(col, fixedCols_, maxLeftCol());
  horizontalScrollBar()->setValue(leftCol_ - fixedCols_);
  if (editorVisible()) placeEditor();
  viewport()->update();
}

int Grid::maxLeftCol() const {
  const int available = viewport()->width() - fixedWidth();
  int maxLeft = colCount() - 1;
  int used = 0;
  for (int c = colCount() - 1; c >= fixedCols_; --c) {
    used += widths_[c] < 0 ? 0 : widths_[c] + 1;
    if (used > available) break;
    maxLeft = c;
  }
  return std::max(maxLeft, fixedCols_);
}

void Grid::updateScrollBars() {
  const int visibleRows = visibleRowCount();
  verticalScrollBar()->setRange(0, std::max(0, rowCount_ - fixedRows_ - visibleRows));
  verticalScrollBar()->setPageStep(visibleRows);
  const int maxLeft = maxLeftCol();
  const int available = viewport()->width() - fixedWidth();
  horizontalScrollBar()->setRange(0, maxLeft - fixedCols_);
  horizontalScrollBar()->setPageStep(std::max(1, available / std::max(defaultColWidth_, 1)));
  verticalScrollBar()->setValue(topRow_ - fixedRows_);
  horizontalScrollBar()->setValue(leftCol_ - fixedCols_);
}

void Grid::scrollContentsBy(int, int) {
  topRow_ = fixedRows_ + verticalScrollBar()->value();
  leftCol_ = fixedCols_ + horizontalScrollBar()->value();
  if (editorVisible()) placeEditor();
  viewport()->update();
}

void Grid::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  updateScrollBars();
}

bool Grid::viewportEvent(QEvent* event) {
  // A text wider than its cell shows whole in a tooltip: a clipped salary
  // or code would read as another value.
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    const GridCoord cell = mouseToCell(help->pos());
    const QString text = cell.Col >= 0 ? cellText(cell.Col, cell.Row) : QString();
    const QRect rect = cell.Col >= 0 ? cellRect(cell.Col, cell.Row) : QRect();
    if (!text.isEmpty() && QFontMetrics(font()).horizontalAdvance(text) > rect.width() - 5)
      QToolTip::showText(help->globalPos(), text, viewport(), rect);
    else
      QToolTip::hideText();
    return true;
  }
  // Scroll ranges follow the viewport's own size, which settles after ours.
  if (event->type() == QEvent::Resize) updateScrollBars();
  return QAbstractScrollArea::viewportEvent(event);
}

void Grid::scrollIntoView(int col, int row) {
  if (row >= fixedRows_) {
    if (row < topRow_)
      setTopRow(row);
    else if (row >= topRow_ + visibleRowCount())
      setTopRow(row - visibleRowCount() + 1);
  }
  if (col >= fixedCols_) {
    if (col < leftCol_) {
      setLeftCol(col);
    } else {
      const int available = viewport()->width() - fixedWidth();
      int left = leftCol_;
      auto span = [&](int from) {
        int w = 0;
        for (int c = from; c <= col; ++c) w += widths_[c] < 0 ? 0 : widths_[c] + 1;
        return w;
      };
      while (left < col && span(left) > available) ++left;
      if (left != leftCol_) setLeftCol(left);
    }
  }
}

// ---- Current cell and selection ---------------------------------------------------

bool Grid::selectCell(int col, int row) {
  return !onSelectCell || onSelectCell(col, row);
}

bool Grid::moveCurrent(int col, int row, bool extend, bool scroll) {
  if (colCount() == 0 || rowCount_ == 0) return false;
  col = std::clamp(col, std::min(fixedCols_, colCount() - 1), colCount() - 1);
  row = std::clamp(row, std::min(fixedRows_, rowCount_ - 1), rowCount_ - 1);
  if (!selectCell(col, row)) return false;
  if (editorVisible()) hideEditor();
  current_ = {col, row};
  if (!extend || !rangeSelect) anchor_ = current_;
  if (scroll) scrollIntoView(col, row);
  viewport()->update();
  return true;
}

bool Grid::setCol(int col) {
  return moveCurrent(col, current_.Row, false);
}
bool Grid::setRow(int row) {
  return moveCurrent(current_.Col, row, false);
}
bool Grid::moveTo(int col, int row) {
  return moveCurrent(col, row, false);
}

GridRect Grid::selection() const {
  return MakeGridRect(anchor_.Col, current_.Col, anchor_.Row, current_.Row);
}

void Grid::setSelection(const GridRect& rect) {
  if (editorVisible()) hideEditor();
  anchor_ = {rect.Left, rect.Top};
  current_ = {rect.Right, rect.Bottom};
  viewport()->update();
}

void Grid::setDrawFocusSelected(bool on) {
  if (drawFocusSelected_ == on) return;
  drawFocusSelected_ = on;
  viewport()->update();
}

// ---- Mouse ------------------------------------------------------------------------

int Grid::borderAt(QPoint pos) const {
  if (!colSizing || pos.y() >= fixedRows_ * (rowHeight_ + 1)) return -1;
  for (int c = 0; c < colCount(); ++c) {
    const QRect r = cellRect(c, 0);
    if (r.isEmpty()) continue;
    if (std::abs(pos.x() - (r.right() + 1)) <= 2) return c;
  }
  return -1;
}

void Grid::mousePressEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  setFocus();
  pressedCell_ = {};
  if (event->button() == Qt::LeftButton) {
    if (const int border = borderAt(pos); border >= 0) {
      sizingCol_ = border;
      sizingStartX_ = pos.x();
      sizingStartWidth_ = widths_[border];
      return;
    }
    const GridCoord cell = mouseToCell(pos);
    if (cell.Col >= 0 && (cell.Col < fixedCols_ || cell.Row < fixedRows_)) {
      pressedCell_ = cell;
    } else if (cell.Col >= 0) {
      if (cell == GridCoord{current_.Col, current_.Row} && editing && anchor_ == current_)
        showEditor();
      else
        // No scrolling under the pointer: the cell pressed stays the cell under it.
        moveCurrent(cell.Col, cell.Row, false, false);
    }
  }
  if (onMouseDown) onMouseDown(event->modifiers(), pos);
}

void Grid::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (sizingCol_ >= 0) {
    setColWidth(sizingCol_, std::max(0, sizingStartWidth_ + pos.x() - sizingStartX_));
    return;
  }
  viewport()->setCursor(borderAt(pos) >= 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
  if (event->buttons() != Qt::NoButton && onMouseMove) onMouseMove(pos);
}

void Grid::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  if (sizingCol_ >= 0) {
    sizingCol_ = -1;
    return;
  }
  if (event->button() == Qt::LeftButton && pressedCell_.Col >= 0 &&
      mouseToCell(pos) == pressedCell_ && onFixedCellClick)
    onFixedCellClick(pressedCell_.Col, pressedCell_.Row);
  pressedCell_ = {};
  if (onMouseUp) onMouseUp(pos);
}

void Grid::mouseDoubleClickEvent(QMouseEvent* event) {
  const GridCoord cell = mouseToCell(event->position().toPoint());
  if (event->button() == Qt::LeftButton && editing && cell.Col >= fixedCols_ &&
      cell.Row >= fixedRows_ && cell == GridCoord{current_.Col, current_.Row})
    showEditor();
  else
    mousePressEvent(event);
}

}  // namespace orrimax::ui
