// The grid layer on its own: cells and columns, hidden columns, the order of
// its notifications, selection without notification, painting only what shows.
#include <QFontMetrics>
#include <QHelpEvent>
#include <QToolTip>

#include "AppSetup.h"
#include "DrawGrids.h"
#include "UiTestSupport.h"

using namespace orrimax;
using namespace orrimax::ui;
using namespace orrimax::ui::test;

class GridTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<Grid> grid_;
  QStringList log_;

 private slots:
  void initTestCase() { SetUpApplication(); }

  void init() {
    grid_ = std::make_unique<Grid>();
    grid_->resize(600, 400);
    grid_->setColCount(20);
    grid_->setRowCount(65536);
    grid_->setFixedCols(2);
    grid_->setFixedRows(1);
    grid_->setDefaultColWidth(70);
    log_.clear();
    grid_->onSelectCell = [this](int c, int r) {
      log_ << QString("select %1,%2").arg(c).arg(r);
      return true;
    };
    grid_->onGetEditText = [this](int c, int r) { log_ << QString("get %1,%2").arg(c).arg(r); };
    grid_->onSetEditText = [this](int c, int r, const QString& t) {
      log_ << QString("set %1,%2 %3").arg(c).arg(r).arg(t);
    };
    grid_->onMouseDown = [this](Qt::KeyboardModifiers, QPoint) { log_ << "down"; };
    grid_->onMouseUp = [this](QPoint) { log_ << "up"; };
    grid_->onFixedCellClick = [this](int c, int r) {
      log_ << QString("fixed %1,%2").arg(c).arg(r);
    };
    QVERIFY(ShowActive(*grid_));
    grid_->setFocus();
  }
  void cleanup() { grid_.reset(); }

  void columnsMoveInAndOutWhole() {
    ColumnList list;
    for (int r = 0; r < 3; ++r) list.push_back(std::u16string(1, char16_t(u'a' + r)));
    grid_->setColumn(5, std::move(list));
    QCOMPARE(grid_->column(5).size(), std::size_t(65536));
    QCOMPARE(Cell(*grid_, 5, 2), QString("c"));
    QCOMPARE(Cell(*grid_, 5, 3), QString());
    grid_->clearCells();
    QCOMPARE(Cell(*grid_, 5, 2), QString());
    QCOMPARE(grid_->rowCount(), 65536);
  }

  void widthsAndHiddenColumns() {
    QCOMPARE(grid_->colWidth(7), 70);
    QCOMPARE(grid_->colWidth(400), 70);  // beyond the columns: the default
    const int col3Left = grid_->cellRect(3, 1).left();
    grid_->setColWidth(3, -1);
    QVERIFY(grid_->isHidden(3));
    QVERIFY(grid_->cellRect(3, 1).isEmpty());
    // Column 4 now starts where column 3 would have.
    QCOMPARE(grid_->cellRect(4, 1).left(), col3Left);
    QCOMPARE(grid_->mouseToCell(grid_->cellRect(4, 1).center()), (GridCoord{4, 1}));
    QCOMPARE(grid_->mouseToCell(QPoint(-5, 10)), (GridCoord{-1, -1}));
    grid_->setColCount(3);
    QCOMPARE(grid_->mouseToCell(QPoint(590, 100)), (GridCoord{-1, -1}));
  }

  void keyMovesPassThroughSelectCell() {
    grid_->moveTo(3, 2);
    log_.clear();
    Key(Qt::Key_Right);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(log_, (QStringList{"select 4,2", "select 4,3"}));
    QCOMPARE(grid_->selection(), (GridRect{4, 2, 4, 3}));
    Key(Qt::Key_Home);
    QCOMPARE(grid_->col(), 2);
    Key(Qt::Key_End, Qt::ControlModifier);
    QCOMPARE((GridCoord{grid_->col(), grid_->row()}), (GridCoord{19, 65535}));
    QCOMPARE(grid_->topRow(), 65535 - grid_->visibleRowCount() + 1);
    Key(Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE((GridCoord{grid_->col(), grid_->row()}), (GridCoord{2, 1}));
    Key(Qt::Key_PageDown);
    QCOMPARE(grid_->row(), 1 + grid_->visibleRowCount());
    Key(Qt::Key_Tab);
    QCOMPARE(grid_->col(), 3);
    Key(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(grid_->col(), 2);
  }

  // Keys can reach a window that is not the active one (a desktop whose
  // focus follows the pointer): moving on must still end the edit there.
  void anEditEndsWithTheMoveInAnInactiveWindow() {
    QWidget other;
    QVERIFY(ShowActive(other));
    QVERIFY(!grid_->isActiveWindow());
    grid_->moveTo(4, 2);
    grid_->setFocus();
    const auto keyToFocus = [&](auto key) { QTest::keyClick(grid_->window()->focusWidget(), key); };
    keyToFocus('7');
    QVERIFY(grid_->editorVisible());
    keyToFocus(Qt::Key_Right);
    QVERIFY(!grid_->editorVisible());
    QCOMPARE(grid_->window()->focusWidget(), grid_.get());
    keyToFocus('1');
    QCOMPARE(Cell(*grid_, 4, 2), QString("7"));
    QCOMPARE(Cell(*grid_, 5, 2), QString("1"));
  }

  void aTextWiderThanItsCellShowsWholeInATooltip() {
    grid_->setCell(4, 3, u"1 110 169 616");
    grid_->setCell(5, 3, u"12");
    const auto hover = [&](int col) {
      const QPoint pos = grid_->cellRect(col, 3).center();
      QHelpEvent help(QEvent::ToolTip, pos, grid_->viewport()->mapToGlobal(pos));
      QApplication::sendEvent(grid_->viewport(), &help);
    };
    hover(4);
    QVERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QString("1 110 169 616"));
    hover(5);
    QTRY_VERIFY(!QToolTip::isVisible());
    grid_->setColWidth(4, 200);
    hover(4);
    QTRY_VERIFY(!QToolTip::isVisible());
  }

  void aVetoKeepsTheCurrentCell() {
    grid_->moveTo(3, 2);
    grid_->onSelectCell = [](int, int) { return false; };
    Key(Qt::Key_Down);
    QCOMPARE(grid_->row(), 2);
  }

  void selectionSetterNeitherNotifiesNorScrolls() {
    log_.clear();
    grid_->setSelection(MakeGridRect(9, 4, 30000, 5));
    QCOMPARE(grid_->selection(), (GridRect{4, 5, 9, 30000}));
    QCOMPARE((GridCoord{grid_->col(), grid_->row()}), (GridCoord{9, 30000}));
    QCOMPARE(grid_->anchor(), (GridCoord{4, 5}));
    QCOMPARE(grid_->topRow(), 1);
    QVERIFY(log_.isEmpty());
  }

  void editorNotificationsComeInOrder() {
    grid_->moveTo(3, 2);
    log_.clear();
    QTest::keyClick(grid_.get(), '4');
    Type("5");
    QCOMPARE(log_, (QStringList{"get 3,2", "set 3,2 4", "set 3,2 45"}));
    QCOMPARE(Cell(*grid_, 3, 2), QString("45"));
    // The program switches editor mode on: the editor shows the cell again.
    grid_->setCell(3, 2, u"4");
    QCOMPARE(grid_->editor()->text(), QString("4"));
    QCOMPARE(grid_->editor()->cursorPosition(), 1);
    Key(Qt::Key_Return);
    QVERIFY(!grid_->editorVisible());
    Key(Qt::Key_F2);
    QVERIFY(grid_->editorVisible());
    QCOMPARE(grid_->editor()->text(), QString("4"));
  }

  void mouseNotificationsAndFixedClicks() {
    log_.clear();
    ClickCell(*grid_, 5, 3);
    QCOMPARE(log_, (QStringList{"select 5,3", "down", "up"}));
    log_.clear();
    ClickCell(*grid_, 6, 0);
    QCOMPARE(log_, (QStringList{"down", "fixed 6,0", "up"}));
    log_.clear();
    ClickCell(*grid_, 0, 4);
    QCOMPARE(log_, (QStringList{"down", "fixed 0,4", "up"}));
  }

  void paintsOnlyVisibleCells() {
    int drawn = 0;
    grid_->onDrawCell = [&](int, int, const QRect&, Grid::CellState) { ++drawn; };
    grid_->setTopRow(40000);
    grid_->repaint();
    const int rows = grid_->visibleRowCount() + 2;
    QVERIFY2(drawn > 0 && drawn <= rows * 20, qPrintable(QString::number(drawn)));
  }

  void cellTextOrigins_data() {
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    const QFontMetrics m(grid_ ? grid_->font() : QFont());
    const int y = 10 + (24 - m.height()) / 2;
    QTest::newRow("left") << int(Alignment::Left) << "Smith" << 102 << y;
    QTest::newRow("right") << int(Alignment::Right) << "123"
                           << 100 + 70 - m.horizontalAdvance("123") - 3 << y;
    QTest::newRow("centre on short name")
        << int(Alignment::Centre) << "T3PTShots    (Tendency - Shooting - 3-Point Shots)"
        << 100 + (70 - m.horizontalAdvance("T3PTShots")) / 2 << y;
    QTest::newRow("centre on a blank") << int(Alignment::Centre) << " " << 100 + 70 / 2 << y;
    QTest::newRow("centre without parenthesis")
        << int(Alignment::Centre) << "PlType" << 100 + (70 - m.horizontalAdvance("PlType")) / 2
        << y;
  }
  void cellTextOrigins() {
    QFETCH(int, alignment);
    QFETCH(QString, text);
    QFETCH(int, x);
    QFETCH(int, y);
    const QPoint origin = CellTextOrigin(QFontMetrics(grid_->font()), text,
                                         static_cast<Alignment>(alignment), QRect(100, 10, 70, 24));
    QCOMPARE(origin, QPoint(x, y));
  }
};

QTEST_MAIN(GridTest)
#include "GridTest.moc"
