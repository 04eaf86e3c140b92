#include "GridClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <algorithm>
#include <vector>

#include "Grid.h"

namespace orrimax::ui {

QString SelectionText(const Grid& grid) {
  const GridRect sel = grid.selection();
  std::vector<int> shown;
  for (int col = sel.Left; col <= sel.Right; ++col)
    if (!grid.isHidden(col)) shown.push_back(col);
  // A Select All of the largest roster is some 60 million characters: they
  // are counted first and written into one allocation, so the text is
  // never copied while it grows.
  const auto separators = [&](int col) { return col != sel.Right ? 1 : 0; };
  qsizetype size = 0;
  for (int row = sel.Top; row <= sel.Bottom; ++row) {
    for (const int col : shown)
      size += static_cast<qsizetype>(grid.cell(col, row).size()) + separators(col);
    size += 2;
  }
  QString text(size, Qt::Uninitialized);
  char16_t* out = reinterpret_cast<char16_t*>(text.data());
  for (int row = sel.Top; row <= sel.Bottom; ++row) {
    for (const int col : shown) {
      const std::u16string_view cell = grid.cell(col, row);
      out = std::copy(cell.begin(), cell.end(), out);
      if (separators(col)) *out++ = u'\t';
    }
    *out++ = u'\r';
    *out++ = u'\n';
  }
  return text;
}

int PasteText(Grid& grid, const QString& clipboard) {
  // Most programs but this one end lines with LF alone, and a single cell
  // copied elsewhere often has no line end: such text pastes as if its
  // lines ended with CR LF. Text with CR LF pastes exactly as it stands.
  QString text = clipboard;
  if (!text.contains(u"\r\n") && !text.isEmpty()) {
    text.replace(QChar(u'\n'), QStringLiteral("\r\n"));
    if (!text.endsWith(u"\r\n")) text += u"\r\n";
  }
  const int x0 = grid.col();
  int y = grid.row();
  int lines = 0;
  qsizetype pos = 0;
  for (qsizetype end; (end = text.indexOf(u"\r\n", pos)) >= 0; pos = end + 2, ++y) {
    ++lines;
    const QStringView line = QStringView(text).mid(pos, end - pos);
    if (line.isEmpty() || y >= grid.rowCount()) continue;
    int x = x0;
    qsizetype cellStart = 0;
    // A line that does not end with TAB has one more cell: its last text.
    const qsizetype cellsEnd = line.endsWith(u'\t') ? line.size() - 1 : line.size();
    while (cellStart <= cellsEnd && x < grid.colCount()) {
      qsizetype tab = line.indexOf(u'\t', cellStart);
      if (tab < 0 || tab > cellsEnd) tab = cellsEnd;
      const QStringView cell = line.mid(cellStart, tab - cellStart);
      grid.setCell(x, y, TextView(cell));
      ++x;
      cellStart = tab + 1;
    }
  }
  return lines;
}

void CopySelectionAsText(const Grid& grid) {
  QGuiApplication::clipboard()->setText(SelectionText(grid));
}

int PasteTextAtCurrentCell(Grid& grid) {
  return PasteText(grid, QGuiApplication::clipboard()->text());
}

}  // namespace orrimax::ui
