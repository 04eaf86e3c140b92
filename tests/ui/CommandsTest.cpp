// Names commands, clipboard copy and paste, and Find Next on the real window.
#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QScrollBar>

#include "AppSetup.h"
#include "GridClipboard.h"
#include "UiTestSupport.h"

using namespace orrimax;
using namespace orrimax::ui;
using namespace orrimax::ui::test;

class CommandsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString path_;
  std::unique_ptr<TForm1> form_;
  QStringList errors_;

  Grid& P() { return *form_->Players; }
  Grid& N() { return *form_->NamesB; }
  void Paste(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
    form_->PasteFromClipboard->trigger();
  }
  QString Copied() { return QGuiApplication::clipboard()->text(); }
  void Find(const QString& text1, int col1, const QString& text2, int col2, bool up = false) {
    form_->LName->setText(text1);
    form_->ComboBox1->setCurrentIndex(col1);
    form_->FName->setText(text2);
    form_->ComboBox2->setCurrentIndex(col2);
    form_->RevSrch->setChecked(up);
    form_->FindNext->trigger();
  }

 private slots:
  void initTestCase() { SetUpApplication(); }

  void init() {
    const std::vector<std::u16string> names = {u"Smith",  u"Jones", u"SMITH", u"Smithson",
                                               u" Smith", u"",      u"Brown", u"Green",
                                               u"White",  u"Black", u"Gray",  u"Jones"};
    // Players 0..7; rows 1..8.
    const auto roster = gen::RosterWithNames(
        names, {{0, 1}, {2, 6}, {3, 7}, {4, 8}, {10, 6}, {0, 11}, {9, 6}, {2, 7}});
    path_ = WriteRoster(dir_, roster);
    form_ = OpenedForm(dir_, path_, errors_);
    QVERIFY(form_);
  }
  void cleanup() { form_.reset(); }

  // ---- Names commands ----

  void createNewShiftsTheReferences() {
    form_->PageControl1->setCurrentWidget(form_->NamesSht);
    N().moveTo(1, 10);  // entry 9, Black
    form_->Create->trigger();
    // The shifts are the core's (its names-bank tests); here, what shows.
    QCOMPARE(Cell(N(), 2, 11), QString("0"));
    QCOMPARE(Cell(P(), 4, 5), QString("11"));  // was 10 (Gray)
    QCOMPARE(form_->ResC->text(), QString("-1"));
    QCOMPARE(form_->ResC->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QVERIFY(!form_->SaveR->isEnabled());
    // Another entry gives up one unit: balanced again.
    ClickCell(N(), 2, 8);
    QTest::keyClick(&N(), '4');
    ClickCell(N(), 1, 2);
    QCOMPARE(form_->ResC->text(), QString("0"));
    QVERIFY(form_->SaveR->isEnabled());
    form_->SaveR->trigger();
    QVERIFY(errors_.isEmpty());
    const auto saved = LoadRoster(path_.toStdString());
    QCOMPARE(QString::fromStdU16String(std::u16string(saved.Table[2][5])), QString("Gray"));
  }

  void getIdByName() {
    form_->PageControl1->setCurrentWidget(form_->NamesSht);
    form_->GetIDE->setText("Jones");
    form_->GetID->click();
    QCOMPARE(form_->IDD->text(), QString("1"));
    QCOMPARE(N().row(), 2);
    form_->GetIDE->setText("gray");
    form_->GetID->click();
    QCOMPARE(form_->IDD->text(), QString("1"));
    form_->GetIDE->setText("Gray");
    form_->GetID->click();
    QCOMPARE(form_->IDD->text(), QString("10"));
    QCOMPARE(N().row(), 11);
  }

  // ---- Clipboard ----

  void copyLeavesHiddenColumnsOut() {
    const char16_t* texts[2][3] = {{u"a", u"b", u"c"}, {u"d", u"e", u"f"}};
    for (int r = 0; r < 2; ++r)
      for (int c = 0; c < 3; ++c) P().setCell(6 + c, 2 + r, texts[r][c]);
    P().setSelection(MakeGridRect(6, 8, 2, 3));
    form_->CopyToClipboard->trigger();
    QCOMPARE(Copied(), QString("a\tb\tc\r\nd\te\tf\r\n"));
    P().setColWidth(7, -1);
    QCOMPARE(SelectionText(P()), QString("a\tc\r\nd\tf\r\n"));
    P().setColWidth(7, 70);
    P().setColWidth(8, -1);
    QCOMPARE(SelectionText(P()), QString("a\tb\t\r\nd\te\t\r\n"));
    P().setCell(30, 4, u"75");
    P().setSelection(MakeGridRect(30, 30, 4, 4));
    QCOMPARE(SelectionText(P()), QString("75\r\n"));
  }

  void pasteWritesFromTheCurrentCell_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("col");
    QTest::addColumn<QStringList>("expected");  // "col,row=text"
    QTest::newRow("block") << "1\t2\r\n3\t4\r\n"
                           << 10 << QStringList{"10,5=1", "11,5=2", "10,6=3", "11,6=4"};
    // Other programs' text: LF alone ends a line, and the last line counts
    // without a line end; with CR LF, text after the last one is not pasted.
    QTest::newRow("no line end") << "1\t2" << 10 << QStringList{"10,5=1", "11,5=2", "10,6=old"};
    QTest::newRow("LF line ends") << "1\t2\n3\t4\n"
                                  << 10 << QStringList{"10,5=1", "11,5=2", "10,6=3", "11,6=4"};
    QTest::newRow("LF, last line open") << "1\n2" << 10 << QStringList{"10,5=1", "10,6=2"};
    QTest::newRow("text after the last line end")
        << "1\r\n2" << 10 << QStringList{"10,5=1", "10,6=old"};
    QTest::newRow("trailing tab") << "x\t\r\n" << 10 << QStringList{"10,5=x", "11,5=old"};
    QTest::newRow("empty middle cell") << "x\t\ty\r\n"
                                       << 10 << QStringList{"10,5=x", "11,5=", "12,5=y"};
    QTest::newRow("right edge") << "a\tb\tc\r\n" << 233 << QStringList{"233,5=a", "234,5=b"};
    QTest::newRow("letters in a skill column") << "abc\r\n" << 30 << QStringList{"30,5=abc"};
    QTest::newRow("empty line writes nothing") << "1\r\n\r\n3\r\n"
                                               << 10 << QStringList{"10,5=1", "10,6=old", "10,7=3"};
  }
  void pasteWritesFromTheCurrentCell() {
    QFETCH(QString, text);
    QFETCH(int, col);
    QFETCH(QStringList, expected);
    for (int c = col; c < std::min(col + 3, 235); ++c)
      for (int r = 5; r <= 7; ++r) P().setCell(c, r, u"old");
    P().moveTo(col, 5);
    Paste(text);
    for (const QString& e : expected) {
      const int c = e.section(',', 0, 0).toInt();
      const int r = e.section(',', 1).section('=', 0, 0).toInt();
      QCOMPARE(Cell(P(), c, r), e.section('=', 1));
    }
    QCOMPARE((GridCoord{P().col(), P().row()}), (GridCoord{col, 5}));
  }

  void pasteAtTheBottomDropsTheRest() {
    P().moveTo(40, 7);
    Paste("1\r\n2\r\n3\r\n4\r\n");
    QCOMPARE(Cell(P(), 40, 7), QString("1"));
    QCOMPARE(Cell(P(), 40, 8), QString("2"));
    QCOMPARE(P().rowCount(), 9);
  }

  void pasteAfterSelectAllWritesOneCell() {
    form_->SelectAll->trigger();
    Paste("9\t8\r\n7\r\n");
    QCOMPARE(Cell(P(), 234, 8), QString("9"));
  }

  void pasteIntoHiddenColumns() {
    P().setColWidth(7, -1);
    P().moveTo(6, 2);
    Paste("a\tb\tc\r\n");
    QCOMPARE(Cell(P(), 7, 2), QString("b"));
  }

  void pastedNameIdsRefreshTheNames() {
    P().moveTo(4, 6);
    Paste("6\r\n7\r\n8\r\n");
    QCOMPARE(Cell(P(), 2, 6), QString("Brown"));
    QCOMPARE(Cell(P(), 2, 7), QString("Green"));
    QCOMPARE(Cell(P(), 2, 8), QString("White"));  // the last row
    P().moveTo(5, 2);
    Paste("99\r\nx\r\n1\r\n");
    QCOMPARE(Cell(P(), 3, 2), QString());  // no such entry
    QCOMPARE(errors_, QStringList{"''x'' is not a valid integer value."});
    QCOMPARE(Cell(P(), 3, 4), QString("White"));  // the refresh stopped before it
    QCOMPARE(Cell(P(), 5, 4), QString("1"));
  }

  void copyAndPasteActOnTheGridWhileEditing() {
    P().setCell(20, 3, u"12");
    P().setSelection(MakeGridRect(20, 20, 3, 3));
    P().setFocus();
    Key(Qt::Key_F2);
    QVERIFY(P().editorVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(Copied(), QString("12\r\n"));
    QGuiApplication::clipboard()->setText("34\t35\r\n");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Cell(P(), 20, 3), QString("34"));
    QCOMPARE(Cell(P(), 21, 3), QString("35"));
    QCOMPARE(P().editor()->text(), QString("34"));
  }

  // ---- Find Next ----

  void findMatchesWholeTextsFoldingOnlyAsciiLetters() {
    P().moveTo(6, 1);
    Find("smith", 2, "", 0);
    QCOMPARE(P().row(), 2);  // SMITH; row 1 itself is not a candidate
    form_->FindNext->trigger();
    QCOMPARE(P().row(), 6);  // Smith again; Smithson and " Smith" pass
    // The match scrolls to the top as far as the grid's rows allow.
    QCOMPARE(P().topRow(), std::clamp(P().rowCount() - P().visibleRowCount(), 1, 6));
    form_->FindNext->trigger();
    QCOMPARE(P().row(), 8);  // SMITH
    form_->FindNext->trigger();
    QCOMPARE(P().row(), 8);  // nothing further down
    QCOMPARE(P().col(), 6);
  }

  void findWithBothCriteriaAndUpwards() {
    P().moveTo(6, 1);
    Find("smith", 2, "green", 3);
    QCOMPARE(P().row(), 8);  // row 2 is SMITH but Brown
    Find("", 0, "brown", 3, true);
    QCOMPARE(P().row(), 7);
    form_->FindNext->trigger();
    QCOMPARE(P().row(), 5);
    Find("x", 0, "brown", 3, true);  // the first criterion has no column: inactive
    QCOMPARE(P().row(), 2);
    form_->FindNext->trigger();
    QCOMPARE(P().row(), 2);
    P().moveTo(6, 8);
    Find("smith", 2, "", 0);
    QCOMPARE(P().row(), 8);
  }

  void findInASalaryColumnUsesTheShownText() {
    P().setCell(182, 4, u"1 000 000");
    P().moveTo(6, 1);
    Find("1000000", 182, "", 0);
    QCOMPARE(P().row(), 1);
    Find("1 000 000", 182, "", 0);
    QCOMPARE(P().row(), 4);
  }

  void secondChooserRuleAndPlacement() {
    form_->ComboBox2->setCurrentIndex(-1);
    form_->FName->setText("a");
    QCOMPARE(form_->ComboBox2->currentIndex(), 2);
    form_->resize(1000, 750);
    QTRY_COMPARE(form_->Find->x(), form_->Panel2->width() - 99 - 15);
    QCOMPARE(form_->RevSrch->x(), form_->Find->x() - 100);
  }

  void columnChoosersDropTwentyItems() {
    for (QComboBox* chooser : {form_->ComboBox1, form_->ComboBox2}) {
      QCOMPARE(chooser->count(), 235);
      chooser->showPopup();
      QAbstractItemView* list = chooser->view();
      QTRY_VERIFY(list->isVisible());
      QCOMPARE(list->viewport()->height() / list->sizeHintForRow(0), 20);
      chooser->hidePopup();
    }
  }

  void f3WorksFromAnywhere() {
    P().moveTo(6, 1);
    form_->LName->setText("smith");
    form_->ComboBox1->setCurrentIndex(2);
    form_->LName->setFocus();
    QTest::keyClick(form_->LName, Qt::Key_F3);
    QCOMPARE(P().row(), 2);
  }

  // Create New and Merge With Previous are the window's, like F3 and Ctrl+A.
  void namesShortcutsWorkFromAnywhere_data() {
    QTest::addColumn<QString>("focus");
    QTest::newRow("search box") << "LName";
    QTest::newRow("player grid") << "Players";
    QTest::newRow("player cell editor") << "editor";
    QTest::newRow("names bank") << "NamesB";
    QTest::newRow("Get ID box") << "GetIDE";
  }

  void namesShortcutsWorkFromAnywhere() {
    QFETCH(QString, focus);
    const bool names = focus == "NamesB" || focus == "GetIDE";
    form_->PageControl1->setCurrentWidget(names ? form_->NamesSht : form_->PlayersSht);
    const auto focusOn = [&] {
      if (focus == "editor") {
        P().moveTo(20, 3);
        P().setFocus();
        QTest::keyClick(&P(), Qt::Key_F2);
      } else {
        form_->findChild<QWidget*>(focus)->setFocus();
      }
      return QApplication::focusWidget();
    };
    N().moveTo(1, 6);  // entry 5: empty and unused
    const int rows = N().rowCount();
    QTest::keyClick(focusOn(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(N().rowCount(), rows + 1);
    QCOMPARE(form_->ResC->text(), QString("-1"));
    N().moveTo(1, 7);  // the new entry
    QTest::keyClick(focusOn(), Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(N().rowCount(), rows);
    QCOMPARE(Cell(N(), 2, 6), QString("1"));  // 0 + 0 + 1
    QVERIFY(errors_.isEmpty());
  }
};

QTEST_MAIN(CommandsTest)
#include "CommandsTest.moc"
