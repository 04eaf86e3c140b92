// Cell text drawing shared by the grids.
#pragma once

#include <QFontMetrics>
#include <QPoint>
#include <QRect>
#include <QString>

namespace orrimax::ui {

class Grid;

enum class Alignment { Left, Right, Centre };

// Where DrawCellText puts the text's top-left corner in `rect`. A centred
// text centres on its part before the first "(" (for a header, its short
// name), without trailing spaces and control characters.
QPoint CellTextOrigin(const QFontMetrics& metrics, const QString& text, Alignment alignment,
                      const QRect& rect);

// Fills the cell with the grid's current brush and draws the whole text in
// the grid's font and pen, clipped to the cell.
void DrawCellText(Grid& grid, const QString& text, Alignment alignment, const QRect& rect);

}  // namespace orrimax::ui
