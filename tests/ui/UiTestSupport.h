// Helpers for driving the real window in Qt tests.
#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include "Grid.h"
#include "RosterGen.h"
#include "Unit1.h"

namespace orrimax::ui::test {

// Shows a window and waits until keys reach it.
inline bool ShowActive(QWidget& w) {
  w.show();
  if (!QTest::qWaitForWindowExposed(&w)) return false;
  w.activateWindow();
  QApplication::setActiveWindow(&w);
  return QTest::qWaitForWindowActive(&w);
}

inline QString WriteRoster(const QTemporaryDir& dir, const gen::GeneratedRoster& roster,
                           const QString& name = "Test.ROS") {
  const QString path = dir.filePath(name);
  gen::WriteBytes(path.toStdString(), roster.file);
  return path;
}

// A window whose settings file lives in `dir` (none there unless a test writes one).
inline std::unique_ptr<TForm1> NewForm(const QTemporaryDir& dir) {
  return std::make_unique<TForm1>(nullptr, dir.filePath("Config.ini"));
}

// Runs File > Open with the dialog answered by `path`.
inline void Open(TForm1& form, const QString& path) {
  form.chooseRosterFile = [path] { return path; };
  form.OpenR->trigger();
}

// A window shown and active with `path` open, its error boxes collected in
// `errors` (cleared); null when the window never became active.
inline std::unique_ptr<TForm1> OpenedForm(const QTemporaryDir& dir, const QString& path,
                                          QStringList& errors) {
  errors.clear();
  auto form = NewForm(dir);
  form->showError = [&errors](const QString& text) { errors << text; };
  if (!ShowActive(*form)) return nullptr;
  Open(*form, path);
  return form;
}

// The centre of a cell, scrolling it into view first when it is not fixed.
inline QPoint CellCentre(Grid& grid, int col, int row) {
  QRect r = grid.cellRect(col, row);
  if (r.isEmpty()) {
    if (row >= grid.fixedRows()) grid.setTopRow(row);
    if (col >= grid.fixedCols()) grid.setLeftCol(col);
    r = grid.cellRect(col, row);
  }
  return r.center();
}

inline void ClickCell(Grid& grid, int col, int row, Qt::KeyboardModifiers mods = {}) {
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, mods, CellCentre(grid, col, row));
}

// Types into whatever has the focus, as a user does after the first key.
inline void Type(const QString& text) {
  for (QChar c : text) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

inline void Key(Qt::Key key, Qt::KeyboardModifiers mods = {}) {
  QTest::keyClick(QApplication::focusWidget(), key, mods);
}

inline QString Cell(const Grid& grid, int col, int row) {
  return grid.cellText(col, row);
}

}  // namespace orrimax::ui::test
