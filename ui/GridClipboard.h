// A grid's selection to and from the clipboard as text: cells separated by
// TAB, every row ended by CR LF, no quoting.
#pragma once

#include <QString>

namespace orrimax::ui {

class Grid;

// The text of the selection; hidden columns are left out, separator and all.
QString SelectionText(const Grid& grid);

// Writes the text's lines into the grid from the current cell on; returns the
// number of lines. Text after the last CR LF is not pasted; cells beyond the
// grid are dropped; an empty line takes up its row and writes nothing. Text
// without any CR LF has its LFs taken for CR LFs, and its last line too.
int PasteText(Grid& grid, const QString& clipboard);

void CopySelectionAsText(const Grid& grid);
int PasteTextAtCurrentCell(Grid& grid);

}  // namespace orrimax::ui
