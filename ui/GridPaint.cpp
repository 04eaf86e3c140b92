// Painting of the grid: only the cells inside the viewport are visited.
#include <QPaintEvent>
#include <QPainter>

#include "Grid.h"

namespace orrimax::ui {
namespace {

const QColor kLine(192, 192, 192);
const QColor kFixed(240, 240, 240);
const QColor kFixedLine(160, 160, 160);
const QColor kHighlight(0, 120, 215);

}  // namespace

void Grid::paintCell(QPainter& painter, int col, int row, const QRect& rect) {
  const bool fixed = col < fixedCols_ || row < fixedRows_;
  const bool current = col == current_.Col && row == current_.Row;
  const GridRect sel = selection();
  const bool inSelection =
      col >= sel.Left && col <= sel.Right && row >= sel.Top && row <= sel.Bottom;
  CellState state = CellState::Normal;
  if (fixed)
    state = CellState::Fixed;
  else if (current && !drawFocusSelected_)
    state = CellState::Focused;
  else if (inSelection && (rangeSelect || current))
    state = CellState::Selected;

  switch (state) {
    case CellState::Fixed:
      brush_ = kFixed;
      pen_ = Qt::black;
      break;
    case CellState::Selected:
      brush_ = kHighlight;
      pen_ = Qt::white;
      break;
    default:
      brush_ = palette().color(QPalette::Base);
      pen_ = Qt::black;
  }
  // The grid lines: the pixel column right of the cell and the pixel row
  // below it. The cell itself is filled by whoever draws it.
  const QColor line = fixed ? kFixedLine : kLine;
  painter.fillRect(rect.right() + 1, rect.top(), 1, rect.height() + 1, line);
  painter.fillRect(rect.left(), rect.bottom() + 1, rect.width(), 1, line);
  painter_ = &painter;
  if (onDrawCell) {
    onDrawCell(col, row, rect, state);
  } else {
    painter.fillRect(rect, brush_);
    painter.setPen(pen_);
    painter.drawText(rect.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     cellText(col, row));
  }
  painter_ = nullptr;
  if (state == CellState::Focused && hasFocus()) {
    painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
  }
}

void Grid::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  painter.setFont(font());
  const int width = viewport()->width();
  const int height = viewport()->height();
  const int stride = rowHeight_ + 1;

  int right = 0;  // where the cells end, across and down
  auto paintRow = [&](int row, int y) {
    int x = 0;
    auto paintCol = [&](int col) {
      if (widths_[col] < 0) return;
      const QRect r(x, y, widths_[col], rowHeight_);
      // With its grid lines: every pixel asked for has a cell that paints it.
      if (r.adjusted(0, 0, 1, 1).intersects(event->rect())) paintCell(painter, col, row, r);
      x += widths_[col] + 1;
    };
    for (int c = 0; c < fixedCols_ && c < colCount(); ++c) paintCol(c);
    for (int c = leftCol_; c < colCount() && x < width; ++c) paintCol(c);
    right = x;
  };
  int bottom = 0;
  for (int r = 0; r < fixedRows_ && r < rowCount_; ++r, bottom += stride) paintRow(r, bottom);
  for (int r = topRow_; r < rowCount_ && bottom < height; ++r, bottom += stride)
    paintRow(r, bottom);
  // Only what no cell covers shows the background: each pixel is filled
  // once, which is most of the cost of a screen.
  const QColor base = palette().color(QPalette::Base);
  painter.fillRect(QRect(right, 0, width - right, height) & event->rect(), base);
  painter.fillRect(QRect(0, bottom, right, height - bottom) & event->rect(), base);
}

}  // namespace orrimax::ui
