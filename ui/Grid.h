// The grid layer: one widget that serves both the player grid and the names
// bank. It keeps its cells as whole ColumnLists, paints only the visible
// cells, and reports select-cell, draw-cell, edit-text, key, mouse and
// fixed-cell-click notifications in the order the window's handlers expect.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <QLineEdit>
#include <QPoint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "CellStore.h"
#include "ColumnList.h"
#include "EditHistory.h"

namespace orrimax::ui {

// A Qt text seen as the core's UTF-16 text, without a copy.
inline std::u16string_view TextView(QStringView text) {
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

// A rectangle of cells, inclusive.
struct GridRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool operator==(const GridRect&) const = default;
};
GridRect MakeGridRect(int col1, int col2, int row1, int row2);

struct GridCoord {
  int Col = -1;
  int Row = -1;
  bool operator==(const GridCoord&) const = default;
};

class Grid;

// The in-place editor: a line edit that hands editing keys back to the grid.
class GridEditor : public QLineEdit {
 public:
  explicit GridEditor(Grid* grid);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  Grid* grid_;
};

class Grid : public QAbstractScrollArea, public CellStore {
 public:
  explicit Grid(QWidget* parent = nullptr);

  // ---- Shape ----
  int colCount() const { return static_cast<int>(columns_.size()); }
  int rowCount() const override { return rowCount_; }
  void setColCount(int count);
  void setRowCount(int count);
  int fixedCols() const { return fixedCols_; }
  int fixedRows() const { return fixedRows_; }
  void setFixedCols(int count);
  void setFixedRows(int count);

  // ---- Cells ----
  std::u16string_view cell(int col, int row) const override;
  QString cellText(int col, int row) const;
  void setCell(int col, int row, std::u16string_view text) override;
  void setCellText(int col, int row, const QString& text);
  // Whole columns in and out in one step; a column is resized to rowCount().
  const ColumnList& column(int col) const { return columns_[col]; }
  void setColumn(int col, ColumnList list);
  std::span<const ColumnList> columns() const { return columns_; }
  // Every cell of every column becomes empty; the row count stays.
  void clearCells();
  void insertRow(int row) override;
  void deleteRow(int row) override;

  // ---- Geometry ----
  int defaultColWidth() const { return defaultColWidth_; }
  void setDefaultColWidth(int width);
  // -1 hides a column. A column at or beyond the column count has the default width.
  int colWidth(int col) const;
  void setColWidth(int col, int width);
  bool isHidden(int col) const { return colWidth(col) < 0; }
  int rowHeight() const { return rowHeight_; }
  void setRowHeight(int height);
  int topRow() const { return topRow_; }
  void setTopRow(int row);
  void setLeftCol(int col);
  int visibleRowCount() const;
  // The cell under a point of the viewport, or (-1, -1).
  GridCoord mouseToCell(QPoint pos) const;
  // The cell under a point, or the nearest cell when the point is over none.
  GridCoord nearestCell(QPoint pos) const;
  // The cell's rectangle in viewport coordinates (empty when not visible).
  QRect cellRect(int col, int row) const;

  // ---- Current cell and selection ----
  int col() const { return current_.Col; }
  int row() const { return current_.Row; }
  // Moves through the select-cell notification, anchors there and scrolls it into view.
  bool setCol(int col);
  bool setRow(int row);
  bool moveTo(int col, int row);
  GridRect selection() const;
  // Top-left becomes the anchor, bottom-right the current cell; no notification, no scroll.
  void setSelection(const GridRect& rect);
  GridCoord anchor() const { return anchor_; }
  bool drawFocusSelected() const { return drawFocusSelected_; }
  void setDrawFocusSelected(bool on);

  // Told of every change of a cell's text and of every row inserted or
  // deleted (not of whole columns moved in, nor of clearing): the history.
  CellObserver* observer = nullptr;

  // ---- Options ----
  bool editing = true;  // the in-place editor may open
  bool tabs = true;     // Tab and Shift+Tab move between cells
  bool rangeSelect = true;
  bool colSizing = false;  // column borders can be dragged in the header row

  // ---- Editor ----
  bool editorVisible() const { return editor_->isVisible(); }
  GridEditor* editor() const { return editor_; }
  void showEditor();
  void hideEditor();
  // Keeps the editor open on the current cell with the cell's text and the
  // caret after its last character.
  void setEditorMode(bool on);
  // Sets the current cell and the open editor to `text` without a get- or
  // set-edit-text notification: the edit goes on as one edit.
  void replaceEditorText(const QString& text);

  // ---- Painting (for the draw-cell handler) ----
  enum class CellState { Normal, Fixed, Selected, Focused };
  QPainter* canvas() const { return painter_; }
  QColor brushColor() const { return brush_; }
  QColor penColor() const { return pen_; }

  // ---- Notifications ----
  // Their order, which the window's handlers rely on:
  // - A move of the current cell (keys, a click, setCol/setRow/moveTo):
  //   select-cell first (false vetoes it); then the editor closes, the
  //   current cell and the anchor move, and the cell is scrolled into view.
  //   setSelection moves neither through select-cell nor the view.
  // - A key: key-down first (accepting the event consumes it); then the
  //   grid's own navigation; then a printable key opens the editor with it.
  // - The editor: get-edit-text each time it takes the cell's text (when it
  //   opens, and when it reloads after a rejected change or an outside
  //   write); set-edit-text after each change, the cell already holding the
  //   new text; edit-restored after Escape put the opening text back.
  // - The mouse: the grid's own press (a move, or the editor on the current
  //   cell), then mouse-down; mouse-move while a button is held; on release,
  //   fixed-cell click (over the fixed cell pressed), then mouse-up.
  std::function<bool(int col, int row)> onSelectCell;  // false vetoes the move
  std::function<void(int col, int row, const QRect& rect, CellState state)> onDrawCell;
  std::function<void(int col, int row)> onGetEditText;
  std::function<void(int col, int row, const QString& text)> onSetEditText;
  // Escape put back the text the editor opened with (no set-edit-text for it).
  std::function<void(int col, int row)> onEditRestored;
  std::function<void(QKeyEvent* event)> onKeyDown;  // accept() the event to consume it
  std::function<void(Qt::KeyboardModifiers mods, QPoint pos)> onMouseDown;
  std::function<void(QPoint pos)> onMouseMove;
  std::function<void(QPoint pos)> onMouseUp;
  std::function<void(int col, int row)> onFixedCellClick;

  // The grid's own key handling, also used by the editor for navigation keys.
  bool handleNavigationKey(QKeyEvent* event);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  bool focusNextPrevChild(bool next) override;

 private:
  friend class GridEditor;

  int colX(int col) const;  // left edge in viewport coordinates, or -1 when scrolled away
  int fixedWidth() const;
  int fixedHeight() const { return fixedRows_ * rowHeight_; }
  int maxLeftCol() const;  // the left column that shows the last columns in full
  void updateScrollBars();
  void scrollIntoView(int col, int row);
  bool selectCell(int col, int row);
  bool moveCurrent(int col, int row, bool extend, bool scroll = true);
  // Where Tab (step 1) or Shift+Tab (step -1) goes from the current cell.
  GridCoord tabTarget(int step) const;
  void placeEditor();
  void loadEditor(bool selectAll);
  void editorTextEdited(const QString& text);
  void startEditingWith(const QString& text);
  void paintCell(QPainter& painter, int col, int row, const QRect& rect);
  int borderAt(QPoint pos) const;  // the column whose right border is under pos, or -1

  std::vector<ColumnList> columns_;
  std::vector<int> widths_;
  int rowCount_ = 0;
  int fixedCols_ = 1;
  int fixedRows_ = 1;
  int defaultColWidth_ = 64;
  int rowHeight_ = 24;
  int topRow_ = 1;
  int leftCol_ = 1;
  GridCoord current_{1, 1};
  GridCoord anchor_{1, 1};
  bool drawFocusSelected_ = false;
  GridEditor* editor_;
  bool loadingEditor_ = false;
  QString editStartText_;  // what Escape restores
  int sizingCol_ = -1;     // column being resized by dragging its border
  int sizingStartX_ = 0;
  int sizingStartWidth_ = 0;
  GridCoord pressedCell_;
  QPainter* painter_ = nullptr;
  QColor brush_, pen_;
};

}  // namespace orrimax::ui
