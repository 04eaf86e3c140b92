// The names bank, driven with real keys and clicks: the Length input rule,
// the balance and Save, commits cutting texts and refreshing player names.
#include <random>

#include "AppSetup.h"
#include "UiTestSupport.h"

using namespace orrimax;
using namespace orrimax::ui;
using namespace orrimax::ui::test;

class NamesBankTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QString path_;
  std::unique_ptr<TForm1> form_;
  QStringList errors_;

  Grid& Names() { return *form_->NamesB; }
  Grid& Players() { return *form_->Players; }

  // Starts typing on a names-bank cell (row = entry + 1).
  void TypeInto(int col, int row, const QString& text) {
    ClickCell(Names(), col, row);
    QTest::keyClick(&Names(), text[0].toLatin1());
    Type(text.mid(1));
  }
  void MoveAway() { ClickCell(Names(), 1, Names().rowCount() - 1); }
  QColor BalanceColour() { return form_->ResC->palette().color(QPalette::WindowText); }

 private slots:
  void initTestCase() { SetUpApplication(); }

  void init() {
    // Entries: 0 Smith, 1 Jones, 2 empty, 3 Brown, 4 Garza, 5 Kovačen, 6 Li.
    const std::vector<std::u16string> names = {u"Smith", u"Jones",   u"",  u"Brown",
                                               u"Garza", u"Kovačen", u"Li"};
    const auto roster = gen::RosterWithNames(names, {{0, 1}, {3, 4}, {4, 1}, {5, 6}, {0, 4}});
    path_ = WriteRoster(dir_, roster);
    form_ = OpenedForm(dir_, path_, errors_);
    QVERIFY(form_);
    form_->PageControl1->setCurrentWidget(form_->NamesSht);
    QVERIFY(QTest::qWaitForWindowExposed(form_->NamesB));
  }
  void cleanup() { form_.reset(); }

  void listsEveryEntry() {
    // 7 names (36 code units), then every zero unit of the rest as an empty entry.
    QCOMPARE(Names().rowCount(), 1 + 7 + (56270 - 36));
    QCOMPARE(Cell(Names(), 0, 6), QString("5"));
    QCOMPARE(Cell(Names(), 1, 6), QString::fromUtf16(u"Kovačen"));
    QCOMPARE(Cell(Names(), 2, 6), QString("7"));
    // An empty entry: empty Data, Length 0.
    QCOMPARE(Cell(Names(), 1, 3), QString());
    QCOMPARE(Cell(Names(), 2, 3), QString("0"));
    QCOMPARE(Cell(Players(), 2, 2), QString("Brown"));
    QCOMPARE(Cell(Players(), 3, 2), QString("Garza"));
  }

  void shrinkingAndGrowingLengthsMoveTheBalance() {
    TypeInto(2, 1, "3");
    MoveAway();
    QCOMPARE(Cell(Names(), 1, 1), QString("Smi"));
    QCOMPARE(form_->ResC->text(), QString("2"));
    QCOMPARE(BalanceColour(), QColor(255, 0, 0));
    QVERIFY(!form_->SaveR->isEnabled());
    // A change of Length does not touch the player grid.
    QCOMPARE(Cell(Players(), 2, 1), QString("Smith"));

    TypeInto(2, 3, "2");
    MoveAway();
    QCOMPARE(form_->ResC->text(), QString("0"));
    QCOMPARE(BalanceColour(), QColor(0, 128, 0));
    QVERIFY(form_->SaveR->isEnabled());

    form_->SaveR->trigger();
    QVERIFY(errors_.isEmpty());
    const auto reopened = LoadRoster(path_.toStdString());
    QCOMPARE(QString::fromStdU16String(std::u16string(reopened.Names.Data[1])), QString("Smi"));
    QCOMPARE(QString::fromStdU16String(std::u16string(reopened.Names.Length[3])), QString("0"));
  }

  void onlyDigitsEndALength() {
    TypeInto(2, 2, "1");
    Type("a");
    QCOMPARE(form_->NamesB->editor()->text(), QString("1"));
    QCOMPARE(Cell(Names(), 2, 2), QString("1"));
    QVERIFY(Names().editorVisible());
  }

  void switchingToPlayersCommitsAPendingEdit() {
    TypeInto(1, 7, "Lu");
    form_->PageControl1->setCurrentWidget(form_->PlayersSht);
    QCOMPARE(Cell(Players(), 3, 4), QString("Lu"));
  }

  void aBadLengthStopsTheCommitAndKeepsItPending() {
    ClickCell(Names(), 2, 2);
    Key(Qt::Key_F2);
    Key(Qt::Key_Escape);
    Names().setCell(2, 2, u"5x");  // only a program could put this here
    ClickCell(Names(), 1, 6);
    QCOMPARE(errors_, QStringList{"''5x'' is not a valid integer value."});
    QCOMPARE(Names().row(), 2);
    Names().setCell(2, 2, u"5");
    ClickCell(Names(), 1, 6);
    QCOMPARE(errors_.size(), 1);
    QCOMPARE(Names().row(), 6);
  }

  void escapeRestoresTheTextTheEditStartedWith() {
    TypeInto(1, 2, "Zed");
    QCOMPARE(Cell(Names(), 1, 2), QString("Zed"));
    Key(Qt::Key_Escape);
    QCOMPARE(Cell(Names(), 1, 2), QString("Jones"));
    QVERIFY(!Names().editorVisible());
  }

  // Whatever the user does, the balance is what the pool gained or lost:
  // (the pool's size at loading - its size now) / 2, each entry taking
  // 2 x Length + 2 bytes. So a balance of 0 keeps the pool's size.
  void theBalanceAlwaysMatchesThePoolSize_data() {
    QTest::addColumn<unsigned>("seed");
    for (unsigned seed : {1u, 2u, 3u, 4u}) QTest::newRow(qPrintable(QString::number(seed))) << seed;
  }

  void theBalanceAlwaysMatchesThePoolSize() {
    QFETCH(unsigned, seed);
    const auto poolBytes = [&] {
      std::int64_t bytes = 0;
      for (int r = 1; r < Names().rowCount(); ++r)
        bytes += 2 * std::int64_t{TryParseInteger(Names().cell(2, r)).value_or(-1000000)} + 2;
      return bytes;
    };
    const std::int64_t atLoading = poolBytes();
    std::mt19937 random(seed);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const auto expectBalanced = [&](int step) {
      const qint64 balance = form_->ResC->text().toLongLong();
      QVERIFY2(balance == (atLoading - poolBytes()) / 2,
               qPrintable(QString("step %1: balance %2").arg(step).arg(balance)));
      QCOMPARE(form_->SaveR->isEnabled(), balance == 0);
    };
    Names().moveTo(2, 2);
    Names().setFocus();
    for (int step = 0; step < 300; ++step) {
      const bool editing = Names().editorVisible();
      switch (pick(12)) {
        case 0:
        case 1:
          // Digits; a long Length is shortened instead, to stay a number.
          if (editing && Names().editor()->text().size() >= 3)
            Key(Qt::Key_Backspace);
          else
            Type(QString::number(pick(20)));
          break;
        case 2:
          Type(QString(QChar(u'a' + pick(26))));
          break;
        case 3:
          Key(Qt::Key_Return);
          break;
        case 4:
          Key(Qt::Key_F2);
          break;
        case 5:
          Key(Qt::Key_Escape);
          break;
        case 6:
          Key(Qt::Key_Backspace);
          break;
        case 7:  // moves commit
          Key(Names().row() > 10 ? Qt::Key_Up : pick(2) ? Qt::Key_Down : Qt::Key_Up);
          expectBalanced(step);
          break;
        case 8:
          if (editing) {
            Key(Qt::Key_Down);
          } else {
            Key(Names().col() == 1 ? Qt::Key_Right : Qt::Key_Left);
          }
          expectBalanced(step);
          break;
        case 9:
          Names().moveTo(1 + pick(2), 1 + pick(12));
          expectBalanced(step);
          break;
        case 10:
          Key(Qt::Key_N, Qt::ControlModifier);
          expectBalanced(step);
          break;
        case 11:
          Key(Qt::Key_D, Qt::ControlModifier);
          expectBalanced(step);
          break;
      }
      if (QTest::currentTestFailed()) return;
    }
    for (const QString& error : errors_)
      QVERIFY2(error.contains("cannot be merged") || error.contains("''Length''"),
               qPrintable(error));
  }
};

QTEST_MAIN(NamesBankTest)
#include "NamesBankTest.moc"
