// The player grid of the real window, driven with real keys and mouse
// events: alignment, the marker, header and row clicks, the names-bank jump,
// hidden columns, mouse ranges, Select All, and the input rules.
#include "AppSetup.h"
#include "Functions.h"
#include "UiTestSupport.h"

using namespace orrimax;
using namespace orrimax::ui;
using namespace orrimax::ui::test;

class PlayerGridTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString path_;
  gen::GeneratedRoster roster_;
  std::unique_ptr<TForm1> form_;
  QStringList errors_;

  Grid& P() { return *form_->Players; }
  QString Marker() { return QString::fromUtf16(u"\u2588"); }
  int MarkedRow() {
    for (int r = 1; r < P().rowCount(); ++r)
      if (P().cellText(0, r) == Marker()) return r;
    return -1;
  }
  // Starts the editor on a cell by typing, as a user does.
  void TypeInto(int col, int row, const QString& text) {
    P().moveTo(col, row);
    P().setFocus();
    QTest::keyClick(&P(), text[0].toLatin1());
    Type(text.mid(1));
  }
  QString EditorText() { return P().editor()->text(); }
  void HideGroup(int first, int last) {
    for (int c = first; c <= last; ++c) P().setColWidth(c, -1);
  }

 private slots:
  void initTestCase() {
    SetUpApplication();
    gen::RosterShape shape;
    shape.players = 40;
    shape.values = gen::FieldValues::Realistic;
    roster_ = gen::GenerateRoster(shape);
    path_ = WriteRoster(dir_, roster_);
  }

  void init() {
    gen::WriteBytes(path_.toStdString(), roster_.file);
    form_ = OpenedForm(dir_, path_, errors_);
    QVERIFY(form_);
    P().setFocus();
  }
  void cleanup() { form_.reset(); }

  void alignment() {
    QCOMPARE(form_->PlayersCellAlignment(5, 0), Alignment::Centre);
    QCOMPARE(form_->PlayersCellAlignment(64, 0), Alignment::Centre);
    QCOMPARE(form_->PlayersCellAlignment(0, 0), Alignment::Centre);
    QCOMPARE(form_->PlayersCellAlignment(2, 0), Alignment::Centre);  // 150 wide, but a name column
    P().setColWidth(5, 84);
    QCOMPARE(form_->PlayersCellAlignment(5, 0), Alignment::Centre);
    P().setColWidth(5, 85);
    QCOMPARE(form_->PlayersCellAlignment(5, 0), Alignment::Left);
    QCOMPARE(form_->PlayersCellAlignment(1, 3), Alignment::Right);
    QCOMPARE(form_->PlayersCellAlignment(4, 3), Alignment::Right);
    QCOMPARE(form_->PlayersCellAlignment(234, 3), Alignment::Right);
    QCOMPARE(form_->PlayersCellAlignment(0, 3), Alignment::Left);
    QCOMPARE(form_->PlayersCellAlignment(2, 3), Alignment::Left);
    QCOMPARE(form_->PlayersCellAlignment(3, 3), Alignment::Left);
  }

  void markerFollowsTheCurrentRow() {
    QCOMPARE(MarkedRow(), 1);
    ClickCell(P(), 8, 7);
    QCOMPARE(MarkedRow(), 7);
    QCOMPARE(form_->selectedCell(), (GridCoord{8, 7}));
    ClickCell(P(), 9, 0);  // a header
    QCOMPARE(MarkedRow(), 7);
    form_->SelectAll->trigger();
    QCOMPARE(MarkedRow(), 7);
    Key(Qt::Key_Up);  // from the Select All corner, (234, 40)
    QCOMPARE(MarkedRow(), 39);
  }

  void headerAndRowClicksSelect() {
    ClickCell(P(), 100, 0);
    QCOMPARE(P().selection(), (GridRect{100, 1, 100, 40}));
    QCOMPARE((GridCoord{P().col(), P().row()}), (GridCoord{100, 40}));
    ClickCell(P(), 1, 5);
    QCOMPARE(P().selection(), (GridRect{4, 5, 234, 5}));
    QCOMPARE((GridCoord{P().col(), P().row()}), (GridCoord{234, 5}));
    ClickCell(P(), 0, 0);  // a corner cell selects its column too
    QCOMPARE(P().selection(), (GridRect{0, 1, 0, 40}));
  }

  void nameClicksJumpToTheNamesBank() {
    P().setCell(4, 6, u"500");
    ClickCell(P(), 2, 6);
    QCOMPARE(form_->PageControl1->currentWidget(), form_->NamesSht);
    QCOMPARE(form_->NamesB->row(), 501);
    QCOMPARE(form_->NamesB->topRow(), 499);
    form_->PageControl1->setCurrentWidget(form_->PlayersSht);
    for (const char16_t* id : {u"0", u"1"}) {
      P().setCell(5, 6, id);
      ClickCell(P(), 3, 6);
      QCOMPARE(form_->NamesB->topRow(), 1);
      form_->PageControl1->setCurrentWidget(form_->PlayersSht);
    }
    QVERIFY(errors_.isEmpty());
    P().setCell(5, 6, u"-3");
    ClickCell(P(), 3, 6);
    QCOMPARE(errors_.value(0), QString("Grid index out of range."));
    form_->PageControl1->setCurrentWidget(form_->PlayersSht);
    P().setCell(5, 6, u"abc");
    ClickCell(P(), 3, 6);
    QCOMPARE(errors_.value(1), QString("''abc'' is not a valid integer value."));
    QCOMPARE(form_->NamesB->topRow(), 1);
  }

  void arrowsStepOverHiddenColumns() {
    HideGroup(6, 14);  // "Bio"
    P().moveTo(5, 3);
    Key(Qt::Key_Right);
    QCOMPARE(P().col(), 15);
    Key(Qt::Key_Left);
    QCOMPARE(P().col(), 5);
    HideGroup(179, 234);  // "Contract" onwards
    P().moveTo(178, 3);
    Key(Qt::Key_Right);
    QCOMPARE(P().col(), 234);
    QVERIFY(P().isHidden(234));
  }

  void tabStepsOverHiddenColumns() {
    HideGroup(6, 14);  // "Bio"
    P().moveTo(5, 3);
    Key(Qt::Key_Tab);
    QCOMPARE((GridCoord{P().col(), P().row()}), (GridCoord{15, 3}));
    Key(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE((GridCoord{P().col(), P().row()}), (GridCoord{5, 3}));
    // Past the last visible column of a row: the first of the next.
    const ColumnGroup& last = kColumnGroups[kGroupCount - 1];
    HideGroup(last.First, last.Last);
    P().moveTo(last.First - 1, 3);
    Key(Qt::Key_Tab);
    QCOMPARE((GridCoord{P().col(), P().row()}), (GridCoord{4, 4}));
    Key(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE((GridCoord{P().col(), P().row()}), (GridCoord{last.First - 1, 3}));
    QVERIFY(!P().isHidden(P().col()));
  }

  void dragAndShiftClickRanges() {
    const QPoint start = CellCentre(P(), 10, 3);
    QTest::mousePress(P().viewport(), Qt::LeftButton, {}, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(CellCentre(P(), 12, 8)), QPointF(), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(P().viewport(), &move);
    QVERIFY(P().drawFocusSelected());
    QTest::mouseRelease(P().viewport(), Qt::LeftButton, {}, CellCentre(P(), 12, 8));
    QVERIFY(!P().drawFocusSelected());
    QCOMPARE(P().selection(), (GridRect{10, 3, 12, 8}));
    QCOMPARE((GridCoord{P().col(), P().row()}), (GridCoord{12, 8}));
    QCOMPARE(MarkedRow(), 3);  // the drag leaves the marker where it began
    ClickCell(P(), 11, 2, Qt::ShiftModifier);
    QCOMPARE(P().selection(), (GridRect{11, 2, 12, 8}));
  }

  void aDragBeyondTheCellsStaysInTheGrid() {
    QTest::mousePress(P().viewport(), Qt::LeftButton, {}, CellCentre(P(), 10, 3));
    const QPoint below(CellCentre(P(), 10, 3).x(), P().viewport()->height() + 500);
    QMouseEvent move(QEvent::MouseMove, QPointF(below), QPointF(), Qt::NoButton, Qt::LeftButton,
                     {});
    QApplication::sendEvent(P().viewport(), &move);
    QTest::mouseRelease(P().viewport(), Qt::LeftButton, {}, below);
    const GridRect sel = P().selection();
    QVERIFY(sel.Bottom <= 40 && sel.Bottom >= 3);
    QCOMPARE(P().mouseToCell(QPoint(-4, -4)), (GridCoord{-1, -1}));
    QCOMPARE(P().nearestCell(QPoint(-4, 100000)).Row, 40);
  }

  void selectAllFromAnywhereInTheWindow() {
    form_->LName->setFocus();
    QTest::keyClick(form_->LName, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(P().selection(), (GridRect{4, 1, 234, 40}));
    QCOMPARE(MarkedRow(), 1);
  }

  void keyboardMovesPassThroughTheMarker() {
    ClickCell(P(), 6, 2);
    Key(Qt::Key_PageDown);
    QCOMPARE(MarkedRow(), P().row());
    QVERIFY(P().row() > 2);
    Key(Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(MarkedRow(), 40);
    QCOMPARE(P().col(), 234);
    Key(Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE((GridCoord{P().col(), P().row()}), (GridCoord{4, 1}));
    Key(Qt::Key_Return);
    QVERIFY(P().editorVisible());
    Key(Qt::Key_Escape);
    QVERIFY(!P().editorVisible());
  }

  void inputRules_data() {
    QTest::addColumn<int>("col");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("rating") << 30 << "75.5"
                            << "75.5";
    QTest::newRow("rating, a fifth character") << 30 << "75.51"
                                               << "75.5";
    QTest::newRow("tendency, a letter") << 70 << "4x"
                                        << "4";
    QTest::newRow("body tweak, minus") << 230 << "-12"
                                       << "-12";
    QTest::newRow("animation, hex") << 150 << "1a2B"
                                    << "1a2B";
    QTest::newRow("animation, not hex") << 150 << "1g"
                                        << "1";
    QTest::newRow("shoe colour") << 210 << "FFAA00"
                                 << "FFAA00";
    QTest::newRow("shoe colour, a seventh") << 210 << "FFAA001"
                                            << "FFAA00";
    QTest::newRow("tendency, ten digits") << 70 << "12345678901"
                                          << "1234567890";
    QTest::newRow("non-Latin-1") << 70 << QString::fromUtf16(u"4\u0660") << "4";
  }
  void inputRules() {
    QFETCH(int, col);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    P().moveTo(col, 4);
    QTest::keyClicks(&P(), typed.left(1));
    for (QChar c : typed.mid(1))
      QTest::keyClick(QApplication::focusWidget(), c.toLatin1() ? c.toLatin1() : '?');
    if (typed.contains(QChar(0x0660))) {
      // Characters beyond Latin-1 arrive as text, not as a key code.
      P().editor()->setText(typed);
      emit P().editor()->textEdited(typed);
    }
    QCOMPARE(Cell(P(), col, 4), shown);
    QCOMPARE(EditorText(), shown);
    QVERIFY(P().editorVisible());
  }

  void onlyTheLastCharacterIsExamined() {
    TypeInto(70, 4, "45");
    Key(Qt::Key_Left);
    Type("x");
    QCOMPARE(Cell(P(), 70, 4), QString("4x5"));
    TypeInto(30, 5, "12.5");
    Key(Qt::Key_Backspace);
    QCOMPARE(Cell(P(), 30, 5), QString("12."));
    TypeInto(230, 5, "-5");
    Key(Qt::Key_Backspace);
    QCOMPARE(Cell(P(), 230, 5), QString("-"));
  }

  void aFullSomeId2KeepsItsTextUntilChanged() {
    P().setCell(223, 6, u"12345");
    P().moveTo(223, 6);
    Key(Qt::Key_F2);
    Key(Qt::Key_Return);
    QCOMPARE(Cell(P(), 223, 6), QString("12345"));
    Key(Qt::Key_F2);
    Type("6");
    QCOMPARE(Cell(P(), 223, 6), QString("12345"));
    Key(Qt::Key_Backspace);
    QCOMPARE(Cell(P(), 223, 6), QString("1234"));
  }

  void salariesAreRegroupedWhenTheCellMoves() {
    TypeInto(184, 3, "1500000");
    QCOMPARE(Cell(P(), 184, 3), QString("1500000"));
    Key(Qt::Key_Down);
    QCOMPARE(Cell(P(), 184, 3), QString("1 500 000"));
    TypeInto(184, 5, "100000");
    Key(Qt::Key_Up);
    QCOMPARE(Cell(P(), 184, 5), QString(" 100 000"));
    P().setCell(184, 7, u"1 234 567");
    P().moveTo(184, 7);
    Key(Qt::Key_F2);
    Key(Qt::Key_Return);
    Key(Qt::Key_Right);
    QCOMPARE(Cell(P(), 184, 7), QString("1 234 567"));
  }

  void anUngroupedSalarySavesCorrectly() {
    TypeInto(184, 3, "1500000");
    form_->SaveR->trigger();
    QVERIFY(errors_.isEmpty());
    const auto saved = gen::ReadBytes(path_.toStdString());
    QCOMPARE(ReadU32LE(saved.data() + kFirstRecordOffset + 2 * kRecordSize + 336 + 8), 1500000u);
  }

  void typedNameIdsRefreshTheNameCells() {
    const QString entry1 = form_->NamesB->cellText(1, 2);
    const QString entry12 = form_->NamesB->cellText(1, 13);
    TypeInto(4, 9, "1");
    QCOMPARE(Cell(P(), 2, 9), entry1);
    Type("2");
    QCOMPARE(Cell(P(), 2, 9), entry12);
    TypeInto(5, 9, "99999");
    QCOMPARE(Cell(P(), 3, 9), QString());  // beyond the last entry
    QVERIFY(errors_.isEmpty());
  }

  void negativeAndBadNameIds() {
    TypeInto(4, 9, "5");
    Key(Qt::Key_Home);
    P().editor()->setCursorPosition(0);
    Type("-");  // "-5": the last character, 5, is allowed
    QCOMPARE(Cell(P(), 4, 9), QString("-5"));
    QCOMPARE(Cell(P(), 2, 9), QString());
    QVERIFY(errors_.isEmpty());
    TypeInto(5, 9, "12");
    const QString before = Cell(P(), 3, 9);
    P().editor()->setCursorPosition(1);
    Type("x");
    QCOMPARE(errors_.value(0), QString("''1x2'' is not a valid integer value."));
    QCOMPARE(Cell(P(), 5, 9), QString("1x2"));
    QCOMPARE(Cell(P(), 3, 9), before);  // the name cell keeps its old text
  }

  void fixedColumnsRejectEveryCharacter() {
    P().setSelection(MakeGridRect(2, 2, 4, 4));
    Key(Qt::Key_F2);
    const QString name = Cell(P(), 2, 4);
    Type("z");
    QCOMPARE(Cell(P(), 2, 4), name);
  }

  // Escape puts back exactly what the editor opened with: typed-over and
  // appended edits alike, in every column, with its longest value.
  void escapeRestoresTheOpeningText_data() {
    QTest::addColumn<bool>("appending");  // F2 and a digit after the text, or a digit over it
    QTest::newRow("appended") << true;
    QTest::newRow("typed over") << false;
  }

  void escapeRestoresTheOpeningText() {
    QFETCH(bool, appending);
    P().setCell(223, 7, u"18253");
    P().setCell(184, 8, u"1 397 299 791");
    for (int c = 4; c < kColumnCount; ++c) {
      int row = 1;
      for (int r = 2; r < P().rowCount(); ++r)
        if (P().cell(c, r).size() > P().cell(c, row).size()) row = r;
      const QString text = Cell(P(), c, row);
      const QString last = Cell(P(), 2, row), first = Cell(P(), 3, row);
      P().moveTo(c, row);
      if (appending) Key(Qt::Key_F2);
      Type("7");
      Key(Qt::Key_Escape);
      QVERIFY2(Cell(P(), c, row) == text, qPrintable(QString("column %1").arg(c)));
      QVERIFY(!P().editorVisible());
      Key(Qt::Key_Down);  // a pending salary regroup runs here
      QVERIFY2(Cell(P(), c, row) == text, qPrintable(QString("column %1").arg(c)));
      QCOMPARE(Cell(P(), 2, row), last);
      QCOMPARE(Cell(P(), 3, row), first);
    }
    QVERIFY(errors_.isEmpty());
  }
};

QTEST_MAIN(PlayerGridTest)
#include "PlayerGridTest.moc"
