// Undo and redo of every kind of step, the caption's unsaved-changes mark,
// and the question before unsaved changes would be dropped.
#include <QClipboard>
#include <QMessageBox>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "AppSetup.h"
#include "UiTestSupport.h"

using namespace orrimax;
using namespace orrimax::ui;
using namespace orrimax::ui::test;

class UndoTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString path_;
  gen::GeneratedRoster roster_;
  std::unique_ptr<TForm1> form_;
  QStringList errors_;

  Grid& P() { return *form_->Players; }
  Grid& N() { return *form_->NamesB; }
  // Every cell of both grids, to compare whole states.
  QStringList Snapshot() {
    QStringList cells;
    for (Grid* g : {&P(), &N()})
      for (int c = 1; c < g->colCount(); ++c)
        for (int r = 0; r < g->rowCount(); ++r) cells << g->cellText(c, r);
    return cells << form_->ResC->text() << QString::number(form_->SaveR->isEnabled());
  }
  void Undo() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier); }
  void Redo() { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Y, Qt::ControlModifier); }

 private slots:
  void initTestCase() {
    SetUpApplication();
    roster_ = gen::RosterWithNames({u"Smith", u"Jones", u"", u"Brown", u"Garza", u"Li"},
                                   {{0, 1}, {3, 4}, {4, 1}, {5, 5}, {0, 4}});
  }

  void init() {
    path_ = WriteRoster(dir_, roster_);
    form_ = OpenedForm(dir_, path_, errors_);
    QVERIFY(form_);
  }
  void cleanup() { form_.reset(); }

  // Each kind of step is one Undo: every cell, the balance and Save as they
  // were, and its cell current again; Redo replays it exactly.
  void eachStepUndoesAndRedoesWhole_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::newRow("typed name ID") << "id"
                                   << "Typing";
    QTest::newRow("typed salary, regrouped") << "salary"
                                             << "Typing";
    QTest::newRow("paste") << "paste"
                           << "Paste";
    QTest::newRow("Length commit") << "length"
                                   << "Typing";
    QTest::newRow("text commit") << "text"
                                 << "Typing";
    QTest::newRow("Create New") << "create"
                                << "Create New";
    QTest::newRow("Merge With Previous") << "merge"
                                         << "Merge With Previous";
  }

  void eachStepUndoesAndRedoesWhole() {
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    const QStringList before = Snapshot();
    GridCoord at;
    if (kind == "id" || kind == "salary") {
      at = kind == "id" ? GridCoord{4, 3} : GridCoord{184, 2};
      P().moveTo(at.Col, at.Row);
      P().setFocus();
      Type(kind == "id" ? "3" : "1500000");
      Key(Qt::Key_Down);
    } else if (kind == "paste") {
      at = {4, 2};
      P().moveTo(at.Col, at.Row);
      QGuiApplication::clipboard()->setText("3\t2\t5\r\n1\t0\t6\r\n");
      form_->PasteFromClipboard->trigger();
    } else {
      form_->PageControl1->setCurrentWidget(form_->NamesSht);
      at = kind == "length" ? GridCoord{2, 2} : kind == "text" ? GridCoord{1, 5} : GridCoord{1, 3};
      N().moveTo(at.Col, at.Row);
      N().setFocus();
      if (kind == "length" || kind == "text") {
        Type(kind == "length" ? "3" : "Bergman");
        Key(Qt::Key_Down);
      } else {
        (kind == "create" ? form_->Create : form_->Merge)->trigger();
      }
    }
    QVERIFY(errors_.isEmpty());
    const QStringList after = Snapshot();
    QVERIFY(after != before);
    QCOMPARE(form_->Undo1->text(), "Undo " + caption);
    QVERIFY(form_->Undo1->isEnabled());
    Undo();
    QCOMPARE(Snapshot(), before);
    Grid& grid =
        kind == "length" || kind == "text" || kind == "create" || kind == "merge" ? N() : P();
    QCOMPARE((GridCoord{grid.col(), grid.row()}), at);
    QVERIFY(!form_->Undo1->isEnabled());
    QCOMPARE(form_->Redo1->text(), "Redo " + caption);
    Redo();
    QCOMPARE(Snapshot(), after);
    QVERIFY(!form_->Redo1->isEnabled());
  }

  void theCaptionMarksUnsavedChanges() {
    QCOMPARE(form_->windowTitle(), QString("Orrimax v. 0.6 - Test.ROS"));
    P().moveTo(30, 2);
    P().setFocus();
    Type("7");  // still typing: already a change
    QCOMPARE(form_->windowTitle(), QString("Orrimax v. 0.6 - Test.ROS*"));
    Key(Qt::Key_Down);
    Undo();  // back where it was opened: clean again
    QCOMPARE(form_->windowTitle(), QString("Orrimax v. 0.6 - Test.ROS"));
    Redo();
    form_->SaveR->trigger();
    QCOMPARE(form_->windowTitle(), QString("Orrimax v. 0.6 - Test.ROS"));
    // Saved while still typing: clean, and the edit is a step of its own.
    P().moveTo(31, 2);
    Type("8");
    form_->SaveR->trigger();
    QCOMPARE(form_->windowTitle(), QString("Orrimax v. 0.6 - Test.ROS"));
    Undo();
    QCOMPARE(form_->windowTitle(), QString("Orrimax v. 0.6 - Test.ROS*"));
    Redo();
    Undo();  // now the saved state is the edited one
    QCOMPARE(form_->windowTitle(), QString("Orrimax v. 0.6 - Test.ROS*"));
  }

  // Every command that would drop unsaved changes asks; Save that fails
  // cancels it; without changes nothing is asked.
  void unsavedChangesAreNotDroppedUnasked_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("answer");
    for (const char* command : {"Quit", "close button", "Open", "Close"}) {
      QTest::newRow(qPrintable(QString(command) + ", Save")) << command << 0;
      QTest::newRow(qPrintable(QString(command) + ", Discard")) << command << 1;
      QTest::newRow(qPrintable(QString(command) + ", Cancel")) << command << 2;
      QTest::newRow(qPrintable(QString(command) + ", Save fails")) << command << 3;
    }
  }

  void unsavedChangesAreNotDroppedUnasked() {
    QFETCH(QString, command);
    QFETCH(int, answer);
    QStringList asked;
    form_->askSaveChanges = [&](const QString& text) {
      asked << text;
      return answer == 3 ? TForm1::SaveAnswer::Save : static_cast<TForm1::SaveAnswer>(answer);
    };
    P().setCell(8, 2, u"x");  // a change outside any step asks nothing
    const auto run = [&] {
      if (command == "Quit") form_->Quit->trigger();
      if (command == "close button") form_->close();
      if (command == "Open") Open(*form_, path_);
      if (command == "Close") form_->Close1->trigger();
    };
    run();
    QVERIFY(asked.isEmpty());
    if (!form_->isVisible() || !form_->Close1->isEnabled()) {
      QVERIFY(ShowActive(*form_));
      Open(*form_, path_);
    }
    P().moveTo(7, 3);
    P().setFocus();
    Type("201");  // Height
    Key(Qt::Key_Down);
    if (answer == 3) P().setCell(7, 3, u"2OO");  // not a number: the save fails
    errors_.clear();
    run();
    QCOMPARE(asked, QStringList{"Save changes to Test.ROS?"});
    const bool cancelled = answer >= 2;
    const auto onDisk = LoadRoster(path_.toStdString());
    QCOMPARE(QString::fromStdU16String(std::u16string(onDisk.Table[7][3])) == "201", answer == 0);
    if (command == "Quit" || command == "close button") QCOMPARE(form_->isVisible(), cancelled);
    if (command == "Close") QCOMPARE(form_->Close1->isEnabled(), cancelled);
    if (cancelled) QCOMPARE(Cell(P(), 7, 3), QString(answer == 3 ? "2OO" : "201"));
    QCOMPARE(errors_.size(), answer == 3 ? 1 : 0);
  }

  void aDroppedRosterOpensAfterTheQuestion() {
    const QString other = WriteRoster(dir_, gen::GenerateRoster({.players = 7}), "Other.ROS");
    QStringList asked;
    form_->askSaveChanges = [&](const QString& text) {
      asked << text;
      return TForm1::SaveAnswer::Discard;
    };
    P().moveTo(30, 2);
    P().setFocus();
    Type("7");
    Key(Qt::Key_Down);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dir_.filePath("notes.txt")), QUrl::fromLocalFile(other)});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(form_.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(form_.get(), &drop);
    QCOMPARE(asked, QStringList{"Save changes to Test.ROS?"});
    QCOMPARE(form_->rosterPath(), other);
    QCOMPARE(P().rowCount(), 8);
    QCOMPARE(form_->windowTitle(), QString("Orrimax v. 0.6 - Other.ROS"));
    QVERIFY(!form_->Undo1->isEnabled());  // a new roster, a new history
    // Anything but a roster is not taken.
    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(dir_.filePath("notes.txt"))});
    QDragEnterEvent refused(QPoint(50, 50), Qt::CopyAction, &text, Qt::LeftButton, {});
    QApplication::sendEvent(form_.get(), &refused);
    QVERIFY(!refused.isAccepted());
  }

  // Both question boxes: the application's title, Return for the default
  // (Save; Cancel where overwriting is asked), Escape for Cancel.
  void theQuestionBoxesAnswerByDefaultAndCancelOnEscape_data() {
    QTest::addColumn<bool>("saveChanges");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<int>("answer");  // SaveAnswer, or 1 for a true Ask
    QTest::newRow("save changes, Return") << true << false << int(TForm1::SaveAnswer::Save);
    QTest::newRow("save changes, Escape") << true << true << int(TForm1::SaveAnswer::Cancel);
    QTest::newRow("overwrite, Return") << false << false << 0;
    QTest::newRow("overwrite, Escape") << false << true << 0;
  }

  void theQuestionBoxesAnswerByDefaultAndCancelOnEscape() {
    QFETCH(bool, saveChanges);
    QFETCH(bool, escape);
    QFETCH(int, answer);
    QString caption;
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      QVERIFY(box);
      caption = box->windowTitle();
      QTest::keyClick(box, escape ? Qt::Key_Escape : Qt::Key_Return);
    });
    const int got = saveChanges ? int(form_->AskSaveChanges("Save changes to Test.ROS?"))
                                : int(form_->Ask("Overwrite it?", "Overwrite"));
    QCOMPARE(got, answer);
    QCOMPARE(caption, QApplication::applicationName());
  }
};

QTEST_MAIN(UndoTest)
#include "UndoTest.moc"
