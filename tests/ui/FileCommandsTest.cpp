// File commands of the real main window: Open, Save, Close, Quit, the error
// box and the page switch.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include "AppSetup.h"
#include "FindCRC.h"
#include "Functions.h"
#include "UiTestSupport.h"

using namespace orrimax;
using namespace orrimax::ui;
using namespace orrimax::ui::test;

class FileCommandsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  gen::GeneratedRoster roster_;
  QString path_;
  QStringList errors_;

  std::unique_ptr<TForm1> NewForm() {
    auto form = orrimax::ui::test::NewForm(dir_);
    form->showError = [this](const QString& text) { errors_ << text; };
    return form;
  }

 private slots:
  void initTestCase() {
    SetUpApplication();
    gen::RosterShape shape;
    shape.players = 60;
    shape.values = gen::FieldValues::Realistic;
    roster_ = gen::GenerateRoster(shape);
    path_ = WriteRoster(dir_, roster_);
  }
  void init() {
    errors_.clear();
    gen::WriteBytes(path_.toStdString(), roster_.file);
  }

  void startsWithoutARoster() {
    auto form = NewForm();
    QCOMPARE(form->windowTitle(), QString("Orrimax v. 0.6"));
    QVERIFY(!form->PageControl1->isVisibleTo(form.get()));
    QVERIFY(form->OpenR->isEnabled());
    QVERIFY(!form->SaveR->isEnabled());
    QVERIFY(!form->Close1->isEnabled());
    QVERIFY(form->Quit->isEnabled());
    QCOMPARE(form->OpenR->shortcut(), QKeySequence("Ctrl+O"));
    QCOMPARE(form->SaveR->shortcut(), QKeySequence("Ctrl+S"));
    QCOMPARE(form->PageControl1->tabText(0), QString("Players"));
    QCOMPARE(form->PageControl1->tabText(1), QString("Bank Of Names"));
    for (const char* name :
         {"PageControl1", "PlayersSht", "NamesSht", "Panel3",      "Players",   "Panel2",
          "LName",        "ComboBox1",  "FName",    "ComboBox2",   "RevSrch",   "Find",
          "Panel5",       "Label1",     "ResC",     "NamesB",      "Panel1",    "GetIDE",
          "GetID",        "IDD",        "FilterB",  "GroupFilter", "PlayersPM", "NamesPM"})
      QVERIFY2(form->findChild<QWidget*>(name), name);
    const std::pair<const char*, const char*> actions[] = {{"FindNext", "F3"},
                                                           {"SelectAll", "Ctrl+A"},
                                                           {"CopyToClipboard", "Ctrl+C"},
                                                           {"PasteFromClipboard", "Ctrl+V"},
                                                           {"Merge", "Ctrl+D"},
                                                           {"Create", "Ctrl+N"}};
    for (const auto& [name, key] : actions) {
      auto* action = form->findChild<QAction*>(name);
      QVERIFY2(action, name);
      QCOMPARE(action->shortcut(), QKeySequence(key));
      QVERIFY(action->isEnabled());
    }
    QCOMPARE(form->Players->colWidth(0), 10);
    QCOMPARE(form->Players->colWidth(3), 150);
    QCOMPARE(form->Players->colWidth(4), 70);
  }

  void openShowsTheRoster() {
    auto form = NewForm();
    form->searchCol1 = 2;
    Open(*form, path_);
    QVERIFY(errors_.isEmpty());
    QVERIFY(form->PageControl1->isVisibleTo(form.get()));
    QVERIFY(form->SaveR->isEnabled());
    QVERIFY(form->Close1->isEnabled());
    Grid& players = *form->Players;
    QCOMPARE(players.rowCount(), 61);
    QCOMPARE(players.colCount(), 235);
    QCOMPARE(Cell(players, 0, 0), QString(" "));
    QCOMPARE(Cell(players, 234, 0), QString("BTClvsThn   (Body Tweaks - Calves Thinness)"));
    QCOMPARE(Cell(players, 1, 1), QString("0"));
    QCOMPARE(Cell(players, 1, 60), QString("59"));
    QCOMPARE(Cell(players, 0, 1), QString::fromUtf16(u"\u2588"));
    QCOMPARE(Cell(players, 0, 2), QString());
    QCOMPARE(Cell(players, 4, 1), QString("0"));

    QCOMPARE(form->ComboBox1->count(), 235);
    QCOMPARE(form->ComboBox2->count(), 235);
    QCOMPARE(form->ComboBox1->itemText(0), QString());
    QCOMPARE(form->ComboBox1->itemText(1), QString::fromUtf16(u"\u2116"));
    QCOMPARE(form->ComboBox1->itemText(6), QString("PlType"));
    QCOMPARE(form->ComboBox1->itemText(7), QString("Height"));
    QCOMPARE(form->ComboBox1->itemText(64), QString("T3PTShots"));
    QCOMPARE(form->ComboBox1->currentText(), QString("Last Name"));
    QCOMPARE(form->ComboBox2->currentIndex(), 0);

    Grid& names = *form->NamesB;
    QCOMPARE(names.rowCount(), static_cast<int>(roster_.entryCount) + 1);
    QCOMPARE(Cell(names, 0, 0), QString("ID"));
    QCOMPARE(Cell(names, 1, 0), QString("Data"));
    QCOMPARE(Cell(names, 2, 0), QString("Length"));
    QCOMPARE(names.colWidth(0), 35);
    QCOMPARE(names.colWidth(1), 300);
    QCOMPARE(names.colWidth(2), 80);
    QCOMPARE(Cell(names, 0, 1), QString("0"));
    QCOMPARE(Cell(names, 1, 1), QString::fromStdU16String(roster_.names[0]));
    QCOMPARE(Cell(names, 2, 1), QString::number(roster_.names[0].size()));
    QCOMPARE(form->ResC->text(), QString("0"));
    QCOMPARE(form->ResC->palette().color(QPalette::WindowText), QColor(0, 128, 0));
  }

  void cancellingTheDialogChangesNothing() {
    auto form = NewForm();
    Open(*form, path_);
    form->Players->setCell(10, 3, u"edited");
    Open(*form, QString());
    QCOMPARE(Cell(*form->Players, 10, 3), QString("edited"));
    QVERIFY(form->PageControl1->isVisibleTo(form.get()));
    QVERIFY(errors_.isEmpty());
  }

  void failedOpenLeavesNoRosterShown() {
    auto form = NewForm();
    Open(*form, path_);
    const QString bad = dir_.filePath("Short.ROS");
    gen::WriteBytes(bad.toStdString(),
                    std::vector<std::uint8_t>(roster_.file.begin(), roster_.file.begin() + 30000));
    Open(*form, bad);
    QCOMPARE(errors_, QStringList{"Read beyond end of file."});
    QVERIFY(!form->PageControl1->isVisibleTo(form.get()));
    QVERIFY(!form->SaveR->isEnabled());
    QVERIFY(!form->Close1->isEnabled());
    QCOMPARE(Cell(*form->Players, 0, 1), QString::fromUtf16(u"\u2588"));
    QCOMPARE(Cell(*form->Players, 2, 1), QString());
    QCOMPARE(Cell(*form->NamesB, 2, 0), QString("Length"));
    // The previous roster's document is still the one a save would use.
    QCOMPARE(form->rosterPath(), path_);
    // Saving is not offered, and another roster opens at once.
    form->SaveR->trigger();
    QCOMPARE(gen::ReadBytes(path_.toStdString()), roster_.file);
    Open(*form, path_);
    QCOMPARE(errors_.size(), 1);
    QVERIFY(form->PageControl1->isVisibleTo(form.get()));
    QCOMPARE(Cell(*form->Players, 1, 60), QString("59"));
  }

  void missingAndReadOnlyFilesAreRefused() {
    auto form = NewForm();
    Open(*form, dir_.filePath("Nope.ROS"));
    QCOMPARE(errors_.value(0), QString("File not found."));
    const QString readOnly = dir_.filePath("ReadOnly.ROS");
    gen::WriteBytes(readOnly.toStdString(), roster_.file);
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadGroup);
    Open(*form, readOnly);
    QCOMPARE(errors_.value(1), QString("File access denied."));
    QVERIFY(!form->PageControl1->isVisibleTo(form.get()));
  }

  void saveWritesTheFileAndAReportedErrorKeepsIt() {
    auto form = NewForm();
    Open(*form, path_);
    form->SaveR->trigger();
    QVERIFY(errors_.isEmpty());
    QCOMPARE(gen::ReadBytes(path_.toStdString()), roster_.file);

    // Height of player 3 (column 7): byte 14 of record 3.
    form->Players->setCell(7, 4, u"200");
    form->SaveR->trigger();
    auto saved = gen::ReadBytes(path_.toStdString());
    QCOMPARE(int(saved[kFirstRecordOffset + 3 * kRecordSize + 14]), 200 - 128);
    QCOMPARE(ReadU32LE(saved.data()), Crc32(std::span(saved).subspan(4)));

    form->Players->setCell(7, 4, u"2OO");
    form->SaveR->trigger();
    QCOMPARE(errors_, QStringList{"''2OO'' is not a valid integer value. The roster " +
                                  QDir::toNativeSeparators(path_) + " was not changed."});
    QCOMPARE(gen::ReadBytes(path_.toStdString()), saved);
    QCOMPARE(Cell(*form->Players, 7, 4), QString("2OO"));
    form->Players->setCell(7, 4, u"201");
    form->SaveR->trigger();
    QCOMPARE(int(gen::ReadBytes(path_.toStdString())[kFirstRecordOffset + 3 * kRecordSize + 14]),
             73);
  }

  // A cell that a save refuses becomes current, the marker with it.
  void aFailedSaveShowsTheCell_data() {
    QTest::addColumn<bool>("names");
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::newRow("rating") << false << 30 << 41 << "9,5";
    QTest::newRow("name ID") << false << 5 << 7 << "abc";
    QTest::newRow("salary") << false << 185 << 12 << "1 2x3";
    QTest::newRow("names-bank Length") << true << 2 << 4 << "4x";
  }

  void aFailedSaveShowsTheCell() {
    QFETCH(bool, names);
    QFETCH(int, col);
    QFETCH(int, row);
    QFETCH(QString, text);
    auto form = NewForm();
    QVERIFY(ShowActive(*form));
    Open(*form, path_);
    Grid& grid = names ? *form->NamesB : *form->Players;
    grid.setCellText(col, row, text);
    form->Players->moveTo(8, 2);
    form->SaveR->trigger();
    QCOMPARE(errors_.size(), 1);
    QVERIFY(errors_[0].startsWith(
        QString(names || col != 30 ? "''%1'' is not a valid integer value. The roster "
                                   : "'%1' is not a valid floating point value. The roster ")
            .arg(col == 185 ? "12x3" : text)));
    QCOMPARE(form->PageControl1->currentWidget(), names ? form->NamesSht : form->PlayersSht);
    QCOMPARE((GridCoord{grid.col(), grid.row()}), (GridCoord{col, row}));
    QVERIFY(!grid.cellRect(col, row).isEmpty());  // scrolled into view
    if (!names) QCOMPARE(Cell(*form->Players, 0, row), QString::fromUtf16(u"\u2588"));
  }

  void theFirstSaveOfASessionKeepsTheRosterAsItWas() {
    auto form = NewForm();
    QStringList warnings;
    form->showWarning = [&](const QString& text) { warnings << text; };
    const QString backup = path_ + ".bak";
    QFile::remove(backup);
    Open(*form, path_);
    form->Players->setCell(7, 4, u"200");
    form->SaveR->trigger();
    QCOMPARE(gen::ReadBytes(backup.toStdString()), roster_.file);
    const auto firstSave = gen::ReadBytes(path_.toStdString());
    form->Players->setCell(7, 4, u"201");
    form->SaveR->trigger();
    QCOMPARE(gen::ReadBytes(backup.toStdString()), roster_.file);  // left alone
    // The next session's first save keeps the roster as that session found it.
    Open(*form, path_);
    form->Players->setCell(7, 4, u"202");
    form->SaveR->trigger();
    QVERIFY(gen::ReadBytes(backup.toStdString()) != roster_.file);
    QVERIFY(gen::ReadBytes(backup.toStdString()) != firstSave);
    QVERIFY(errors_.isEmpty());
    QVERIFY(warnings.isEmpty());

    // A backup that cannot be written is said after the save, which happens.
    QFile::remove(backup);
    QVERIFY(QDir().mkdir(backup));
    Open(*form, path_);
    form->Players->setCell(7, 4, u"203");
    form->SaveR->trigger();
    QCOMPARE(warnings, QStringList{"The roster was saved, but its backup " +
                                   QDir::toNativeSeparators(backup) +
                                   " could not be written: File access denied."});
    QCOMPARE(int(gen::ReadBytes(path_.toStdString())[kFirstRecordOffset + 3 * kRecordSize + 14]),
             203 - 128);
    QVERIFY(QDir().rmdir(backup));
  }

  void changesByAnotherProgramAreNotOverwrittenUnasked_data() {
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<bool>("overwrite");
    QTest::newRow("changed, cancelled") << false << false;
    QTest::newRow("changed, overwritten") << false << true;
    QTest::newRow("deleted, cancelled") << true << false;
    QTest::newRow("deleted, saved again") << true << true;
  }

  void changesByAnotherProgramAreNotOverwrittenUnasked() {
    QFETCH(bool, deleted);
    QFETCH(bool, overwrite);
    auto form = NewForm();
    QStringList asked;
    form->askQuestion = [&](const QString& text, const QString& goAhead) {
      asked << text << goAhead;
      return overwrite;
    };
    Open(*form, path_);
    form->Players->setCell(7, 4, u"200");
    std::vector<std::uint8_t> theirs = roster_.file;
    theirs[100] ^= 0xFF;
    if (deleted)
      QVERIFY(QFile::remove(path_));
    else
      gen::WriteBytes(path_.toStdString(), theirs);
    form->SaveR->trigger();
    QCOMPARE(asked.size(), 2);
    QVERIFY(asked[0].startsWith(
        "The roster " + QDir::toNativeSeparators(path_) +
        (deleted ? " was deleted by another program" : " was changed by another program")));
    QCOMPARE(asked[1], QString(deleted ? "Save" : "Overwrite"));
    if (overwrite) {
      QCOMPARE(int(gen::ReadBytes(path_.toStdString())[kFirstRecordOffset + 3 * kRecordSize + 14]),
               200 - 128);
      // What is on disk now is the window's own: the next save asks nothing.
      form->SaveR->trigger();
      QCOMPARE(asked.size(), 2);
    } else {
      QCOMPARE(QFile::exists(path_), !deleted);
      if (!deleted) QCOMPARE(gen::ReadBytes(path_.toStdString()), theirs);
    }
    QVERIFY(errors_.isEmpty());
  }

  void closeHidesAndReopenShowsTheSavedState() {
    auto form = NewForm();
    Open(*form, path_);
    const QString original = Cell(*form->Players, 7, 4);
    form->Players->setCell(7, 4, u"199");
    form->Close1->trigger();
    QVERIFY(!form->PageControl1->isVisibleTo(form.get()));
    QVERIFY(!form->SaveR->isEnabled());
    QVERIFY(!form->Close1->isEnabled());
    QCOMPARE(gen::ReadBytes(path_.toStdString()), roster_.file);
    Open(*form, path_);
    QCOMPARE(Cell(*form->Players, 7, 4), original);
    QVERIFY(form->SaveR->isEnabled());
  }

  void secondOpenReplacesEverything() {
    auto form = NewForm();
    Open(*form, path_);
    QVERIFY(ShowActive(*form));
    ClickCell(*form->Players, 8, 7);
    QCOMPARE(Cell(*form->Players, 0, 7), QString::fromUtf16(u"\u2588"));
    form->Players->setCell(9, 5, u"x");
    gen::RosterShape shape;
    shape.players = 12;
    shape.seed = 99;
    const QString other = WriteRoster(dir_, gen::GenerateRoster(shape), "Other.ROS");
    Open(*form, other);
    QCOMPARE(form->Players->rowCount(), 13);
    QCOMPARE(Cell(*form->Players, 0, 1), QString::fromUtf16(u"\u2588"));
    QCOMPARE(Cell(*form->Players, 0, 7), QString());
    QCOMPARE(form->ResC->text(), QString("0"));
    QCOMPARE(form->rosterPath(), other);
  }

  void afterOpenThePageShownHasTheKeys() {
    auto form = NewForm();
    QVERIFY(ShowActive(*form));
    Open(*form, path_);
    Grid& players = *form->Players;
    QCOMPARE(QApplication::focusWidget(), &players);
    QCOMPARE((GridCoord{players.col(), players.row()}), (GridCoord{4, 1}));
    // The current cell carries the dotted focus frame along its top edge.
    const QImage shot = players.viewport()->grab().toImage();
    const QRect cell = players.cellRect(4, 1);
    int dark = 0;
    for (int x = cell.left(); x < cell.right(); ++x) dark += qGray(shot.pixel(x, cell.top())) < 64;
    QVERIFY2(dark > cell.width() / 4, qPrintable(QString::number(dark)));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(form->PageControl1->currentWidget(), form->PlayersSht);
    QCOMPARE((GridCoord{players.col(), players.row()}), (GridCoord{5, 1}));

    // A second roster opens at its first cell too; on the names page, the
    // names bank takes the keys.
    players.moveTo(30, 20);
    Open(*form, path_);
    QCOMPARE((GridCoord{players.col(), players.row()}), (GridCoord{4, 1}));
    form->PageControl1->setCurrentWidget(form->NamesSht);
    form->NamesB->moveTo(2, 30);
    Open(*form, path_);
    QCOMPARE(QApplication::focusWidget(), form->NamesB);
    QCOMPARE((GridCoord{form->NamesB->col(), form->NamesB->row()}), (GridCoord{1, 1}));
  }

  void errorTextGetsAFullStopByTheRule_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "Disk full"
                            << "Disk full.";
    QTest::newRow("full stop") << "Done."
                               << "Done.";
    QTest::newRow("below full stop") << "Ends with a hyphen-"
                                     << "Ends with a hyphen-";
    QTest::newRow("apostrophe") << "''x'' is not a valid integer value'"
                                << "''x'' is not a valid integer value'";
    QTest::newRow("digit") << "I/O error 5"
                           << "I/O error 5.";
    QTest::newRow("non-ASCII") << QString::fromUtf16(u"Ya\u011F")
                               << QString::fromUtf16(u"Ya\u011F.");
    QTest::newRow("empty") << ""
                           << "";
  }
  void errorTextGetsAFullStopByTheRule() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(ErrorText(message), shown);
  }

  void quitClosesTheWindow() {
    auto form = NewForm();
    QVERIFY(ShowActive(*form));
    Open(*form, path_);
    form->Players->setCell(7, 4, u"199");
    form->Quit->trigger();
    QVERIFY(!form->isVisible());
    QCOMPARE(gen::ReadBytes(path_.toStdString()), roster_.file);
  }
};

QTEST_MAIN(FileCommandsTest)
#include "FileCommandsTest.moc"
