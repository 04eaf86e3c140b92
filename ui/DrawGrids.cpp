#include "DrawGrids.h"

#include <QPainter>

#include "Grid.h"

namespace orrimax::ui {

QPoint CellTextOrigin(const QFontMetrics& metrics, const QString& text, Alignment alignment,
                      const QRect& rect) {
  // Right and bottom edges are exclusive here.
  const int left = rect.left();
  const int right = rect.left() + rect.width();
  const int top = rect.top();
  const int bottom = rect.top() + rect.height();
  const int y = top + (bottom - top - metrics.height()) / 2;
  switch (alignment) {
    case Alignment::Left:
      return {left + 2, y};
    case Alignment::Right:
      return {right - metrics.horizontalAdvance(text) - 3, y};
    case Alignment::Centre:
    default: {
      QString centring = text.left(text.indexOf(u'('));
      while (!centring.isEmpty() && centring.back().unicode() <= u' ') centring.chop(1);
      return {left + (right - left - metrics.horizontalAdvance(centring)) / 2, y};
    }
  }
}

void DrawCellText(Grid& grid, const QString& text, Alignment alignment, const QRect& rect) {
  QPainter& painter = *grid.canvas();
  const QFontMetrics metrics(grid.font());
  const QPoint origin = CellTextOrigin(metrics, text, alignment, rect);
  painter.fillRect(rect, grid.brushColor());
  painter.save();
  painter.setClipRect(rect);
  painter.setPen(grid.penColor());
  painter.drawText(origin.x(), origin.y() + metrics.ascent(), text);
  painter.restore();
}

}  // namespace orrimax::ui
