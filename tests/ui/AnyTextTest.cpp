// Cells holding any text at all -- control characters, TAB, CR, LF, lone
// surrogates, very long texts -- are painted, copied, pasted, searched and
// saved without harm: a save either succeeds or names the cell's text.
#include <QClipboard>

#include "AppSetup.h"
#include "GridClipboard.h"
#include "UiTestSupport.h"

using namespace orrimax;
using namespace orrimax::ui;
using namespace orrimax::ui::test;

class AnyTextTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  QStringList errors_;

  static QStringList NastyTexts() {
    QString lone;
    lone += QChar(0xD800);
    lone += u'x';
    lone += QChar(0xDFFF);
    return {QString("a\tb"),
            QString("line\r\nbreak"),
            QString("\n"),
            QString("\r"),
            QString(QChar(0)),
            QString("\x01\x02\x1f"),
            lone,
            QString(QChar(0xFFFF)),
            QString(100000, u'9'),
            QString(5000, u'('),
            QString::fromUtf16(u"\u2588\u0000z", 3),
            QString(" ")};
  }

 private slots:
  void initTestCase() { SetUpApplication(); }

  void anyTextSurvivesTheGridAndTheCommands() {
    gen::RosterShape shape;
    shape.players = 12;
    const QString path = WriteRoster(dir_, gen::GenerateRoster(shape));
    auto form = NewForm(dir_);
    form->showError = [this](const QString& text) { errors_ << text; };
    QVERIFY(ShowActive(*form));
    Open(*form, path);
    Grid& players = *form->Players;
    const QStringList texts = NastyTexts();
    // Into name cells, number cells, a salary, a name ID and the names bank.
    const int columns[] = {2, 3, 7, 30, 150, 184, 210, 230};
    for (int i = 0; i < texts.size(); ++i) {
      for (int c : columns) players.setCellText(c, 1 + i % 12, texts[i]);
      form->NamesB->setCellText(1, 2 + i, texts[i]);
    }
    players.setColWidth(7, 90);  // a wide header, drawn from the left
    players.repaint();
    form->PageControl1->setCurrentWidget(form->NamesSht);
    form->NamesB->repaint();
    form->PageControl1->setCurrentWidget(form->PlayersSht);

    // Copy everything and paste it back at the current cell.
    form->SelectAll->trigger();
    form->CopyToClipboard->trigger();
    QVERIFY(QGuiApplication::clipboard()->text().size() > 100000);
    players.moveTo(4, 1);
    form->PasteFromClipboard->trigger();
    QGuiApplication::clipboard()->setText(texts.join("\r\n") + "\r\n");
    players.moveTo(30, 1);
    form->PasteFromClipboard->trigger();

    // Editing a cell that holds any text, then cancelling: the text comes
    // back exactly, whatever the column's input rule says of it.
    players.setFocus();
    for (int c : columns) {
      if (c < players.fixedCols()) continue;  // the editor never opens there
      for (int row = 1; row <= 12; ++row) {
        const QString before = players.cellText(c, row);
        players.moveTo(c, row);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!players.editorVisible());
        QVERIFY2(players.cellText(c, row) == before,
                 qPrintable(QString("column %1, row %2").arg(c).arg(row)));
      }
    }

    // A long text is edited whole, not cut to what a line edit holds by default.
    form->PageControl1->setCurrentWidget(form->NamesSht);
    const QString longName(40000, u'n');
    form->NamesB->setCellText(1, 5, longName);
    form->NamesB->moveTo(1, 5);
    form->NamesB->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
    QCOMPARE(form->NamesB->cellText(1, 5), longName.chopped(1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QCOMPARE(form->NamesB->cellText(1, 5), longName);
    form->PageControl1->setCurrentWidget(form->PlayersSht);

    // Searching for any text in any column.
    for (const QString& text : texts) {
      form->LName->setText(text);
      form->ComboBox1->setCurrentIndex(2);
      players.moveTo(6, 1);
      form->FindNext->trigger();
    }

    // Saving: the first bad cell is named, nothing is written.
    const std::vector<std::uint8_t> before = gen::ReadBytes(path.toStdString());
    const int shown = errors_.size();
    form->SaveR->trigger();
    QVERIFY2(errors_.size() == shown + 1, qPrintable(errors_.join(" | ").left(300)));
    QVERIFY(errors_.last().contains("is not a valid"));
    QCOMPARE(gen::ReadBytes(path.toStdString()), before);
  }

  void nameTextsWithAnyCharacterAreSaved() {
    gen::RosterShape shape;
    shape.players = 5;
    const QString path = WriteRoster(dir_, gen::GenerateRoster(shape), "Names.ROS");
    auto form = NewForm(dir_);
    form->showError = [this](const QString& text) { errors_ << text; };
    Open(*form, path);
    // Same length as the entry's text keeps the balance: only characters change.
    const int row = 2;
    const QString old = form->NamesB->cellText(1, row);
    QString odd = old;
    for (int i = 0; i < odd.size(); ++i)
      odd[i] = QChar(static_cast<char16_t>(i % 2 ? 0xD800 : 0x09));
    form->NamesB->setCellText(1, row, odd);
    errors_.clear();
    form->SaveR->trigger();
    QVERIFY(errors_.isEmpty());
    const auto reopened = LoadRoster(path.toStdString());
    QCOMPARE(QString::fromStdU16String(std::u16string(reopened.Names.Data[row])), odd);
  }
};

QTEST_MAIN(AnyTextTest)
#include "AnyTextTest.moc"
