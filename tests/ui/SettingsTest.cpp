// The column group filter and Config.ini: read at start-up, written when the
// window closes, with the defaults of a missing file, section or key.
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QTextStream>

#include "AppSetup.h"
#include "SettingsFile.h"
#include "UiTestSupport.h"

#ifdef Q_OS_UNIX
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace orrimax;
using namespace orrimax::ui;
using namespace orrimax::ui::test;

class SettingsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  QString path_;

  QString Ini() { return dir_->filePath("Config.ini"); }
  void WriteIni(const QByteArray& text) {
    QFile f(Ini());
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
  }
  QString ReadIni() {
    QFile f(Ini());
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
  }

 private slots:
  void initTestCase() { SetUpApplication(); }
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    gen::RosterShape shape;
    shape.players = 10;
    path_ = WriteRoster(*dir_, gen::GenerateRoster(shape));
  }

  void groupsShowAndHide() {
    auto form = NewForm(*dir_);
    form->Players->setColWidth(180, 120);
    form->GroupFilter->item(6)->setCheckState(Qt::Unchecked);  // Contract
    for (int c = 179; c <= 188; ++c) QCOMPARE(form->Players->colWidth(c), -1);
    QCOMPARE(form->Players->colWidth(178), 70);
    QCOMPARE(form->Players->colWidth(189), 70);
    form->GroupFilter->item(6)->setCheckState(Qt::Checked);
    for (int c = 179; c <= 188; ++c) QCOMPARE(form->Players->colWidth(c), 70);
    QCOMPARE(form->GroupFilter->count(), 11);
    QCOMPARE(form->GroupFilter->item(10)->text(), QString("Body Tweaks"));
  }

  void filterStripFolds() {
    auto form = NewForm(*dir_);
    QVERIFY(ShowActive(*form));
    form->FilterB->click();
    QCOMPARE(form->Panel3->height(), 18);
    QCOMPARE(form->FilterB->text(), QString("|"));
    QVERIFY(form->GroupFilter->isHidden());
    form->FilterB->click();
    QCOMPARE(form->Panel3->height(), 75);
    QCOMPARE(form->FilterB->text(), QString("-"));
    QVERIFY(!form->GroupFilter->isHidden());
    QVERIFY(form->findChild<QLabel*>("Panel4Caption")->font().bold());
  }

  void theFoldedStripKeepsItsCaptionAtTheLeft() {
    auto form = NewForm(*dir_);
    QVERIFY(ShowActive(*form));
    auto* caption = form->findChild<QLabel*>("Panel4Caption");
    for (bool folded : {true, false}) {
      form->FilterB->click();
      QCOMPARE(form->Panel4->geometry().topLeft(), QPoint(0, 0));
      QCOMPARE(form->FilterB->mapTo(form->Panel3, QPoint(0, 0)), QPoint(0, 0));
      QCOMPARE(form->FilterB->size(), QSize(29, 15));
      QCOMPARE(caption->font().pointSize(), folded ? 10 : 12);
      QCOMPARE(caption->font().bold(), !folded);
    }
  }

  // Bold must show: a face that draws no heavier than the regular one is
  // no bold at all.
  void boldCaptionsRenderBold_data() {
    QTest::addColumn<QString>("label");
    QTest::newRow("Group Filter") << "Panel4Caption";
    QTest::newRow("Resources:") << "Label1";
    QTest::newRow("balance") << "ResC";
  }

  void boldCaptionsRenderBold() {
    QFETCH(QString, label);
    auto form = NewForm(*dir_);
    const QLabel* shown = form->findChild<QLabel*>(label);
    QVERIFY(shown->font().bold());
    if (label != "Panel4Caption") QCOMPARE(shown->font().pixelSize(), 16);
    const auto ink = [](const QFont& font) {
      QImage image(300, 40, QImage::Format_RGB32);
      image.fill(Qt::white);
      QPainter painter(&image);
      painter.setFont(font);
      painter.drawText(5, 30, "Resources: 0 Group Filter");
      painter.end();
      qint64 sum = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) sum += 255 - qGray(image.pixel(x, y));
      return sum;
    };
    QFont regular = shown->font();
    regular.setBold(false);
    QVERIFY2(ink(shown->font()) > ink(regular) * 5 / 4,
             qPrintable(QString("%1 against %2").arg(ink(shown->font())).arg(ink(regular))));
  }

  void noSettingsFile() {
    auto form = NewForm(*dir_);
    for (int i = 0; i < 11; ++i) QCOMPARE(form->GroupFilter->item(i)->checkState(), Qt::Checked);
    QCOMPARE(form->searchCol1, 0);
    QCOMPARE(form->searchCol2, 0);
    QCOMPARE(form->openFolder, QString());
    Open(*form, path_);
    QCOMPARE(form->ComboBox1->currentIndex(), 0);
  }

  void settingsAreRead() {
    WriteIni(
        "[GroupFilter]\r\n0=1\r\n4=0\r\n5=7\r\n[Search]\r\nField1=smith\r\nField2=\r\nCol1=2\r\n"
        "Col2=3\r\n[Dialogs]\r\nOpen=C:\\Users\\me\\Saves\r\n");
    auto form = NewForm(*dir_);
    QCOMPARE(form->GroupFilter->item(4)->checkState(), Qt::Unchecked);
    QCOMPARE(form->GroupFilter->item(5)->checkState(), Qt::Checked);  // any value but 0
    for (int c = 122; c <= 146; ++c) QCOMPARE(form->Players->colWidth(c), -1);
    QCOMPARE(form->Players->colWidth(147), 70);
    QCOMPARE(form->LName->text(), QString("smith"));
    QCOMPARE(form->FName->text(), QString());
    QCOMPARE(form->openFolder, QString("C:\\Users\\me\\Saves"));
    Open(*form, path_);
    QCOMPARE(form->ComboBox1->currentText(), QString("Last Name"));
    QCOMPARE(form->ComboBox2->currentText(), QString("First Name"));
  }

  void missingSectionsAndGarbageFallBack() {
    WriteIni("[GroupFilter]\r\n3=abc\r\n[Search]\r\nCol2=zz\r\n");
    auto form = NewForm(*dir_);
    QCOMPARE(form->GroupFilter->item(3)->checkState(), Qt::Checked);
    QCOMPARE(form->searchCol1, 2);
    QCOMPARE(form->searchCol2, 0);
    Open(*form, path_);
    QCOMPARE(form->ComboBox1->currentText(), QString("Last Name"));
    QCOMPARE(form->ComboBox2->currentIndex(), 0);

    WriteIni(QByteArray("\x00\xff\xfe garbage \x01\x02\n===\n[", 20));
    auto other = NewForm(*dir_);
    QCOMPARE(other->searchCol1, 2);
  }

  void openFolderDefault() {
    WriteIni("[Search]\r\nCol1=1\r\n");
    qputenv("APPDATA", "/home/me/AppData");
    QCOMPARE(NewForm(*dir_)->openFolder, QString("/home/me/AppData/2K Sports/Saves"));
    qunsetenv("APPDATA");
    QCOMPARE(NewForm(*dir_)->openFolder, QDir::homePath());
    WriteIni("[Dialogs]\r\nOpen=\r\n");
    QCOMPARE(NewForm(*dir_)->openFolder, QString());
  }

  void closingWritesTheFile() {
    auto form = NewForm(*dir_);
    QVERIFY(ShowActive(*form));
    form->close();
    QCOMPARE(ReadIni(),
             QString("[GroupFilter]\r\n0=1\r\n1=1\r\n2=1\r\n3=1\r\n4=1\r\n5=1\r\n6=1\r\n7=1\r\n"
                     "8=1\r\n9=1\r\n10=1\r\n\r\n[Search]\r\nField1=\r\nField2=\r\nCol1=-1\r\n"
                     "Col2=-1\r\n\r\n[Dialogs]\r\nOpen=\r\n"));
    auto next = NewForm(*dir_);
    Open(*next, path_);
    QCOMPARE(next->ComboBox1->currentIndex(), -1);
    QCOMPARE(next->ComboBox2->currentIndex(), -1);
  }

  void roundTripKeepsOtherKeys() {
    WriteIni("[Mine]\r\nkeep=this\r\n[Dialogs]\r\nOpen=D:\\Rosters\r\n");
    auto form = NewForm(*dir_);
    QVERIFY(ShowActive(*form));
    Open(*form, path_);
    form->GroupFilter->item(2)->setCheckState(Qt::Unchecked);
    form->LName->setText("Jo Ann");
    form->ComboBox1->setCurrentIndex(7);
    form->ComboBox2->setCurrentIndex(0);
    form->Quit->trigger();
    const QString ini = ReadIni();
    QVERIFY(ini.contains("[Mine]\r\nkeep=this\r\n"));
    QVERIFY(ini.contains("2=0\r\n"));
    QVERIFY(ini.contains("Field1=Jo Ann\r\n"));
    QVERIFY(ini.contains("Col1=7\r\nCol2=0\r\n"));
    QVERIFY(ini.contains("Open=D:\\Rosters\r\n"));
    auto next = NewForm(*dir_);
    QCOMPARE(next->LName->text(), QString("Jo Ann"));
    QCOMPARE(next->GroupFilter->item(2)->checkState(), Qt::Unchecked);
    QCOMPARE(next->Players->colWidth(30), -1);
  }

  // A settings file that cannot be written is said in the warning box, and
  // the window closes all the same.
  void aFailedWriteDoesNotStopClosing() {
    // A file where its folder should be: not even root can make the folder.
    const QString blocker = dir_->filePath("missing");
    QFile file(blocker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QString path = blocker + "/Config.ini";
    auto form = std::make_unique<TForm1>(nullptr, path);
    QStringList warnings;
    form->showWarning = [&](const QString& text) { warnings << text; };
    QVERIFY(ShowActive(*form));
    form->close();
    QVERIFY(!form->isVisible());
    QCOMPARE(warnings.size(), 1);
    QCOMPARE(warnings[0], "The settings could not be written to " + QDir::toNativeSeparators(path) +
                              ": Path not found.");
  }

  void anUnreadableFileIsSaidOnceTheWindowShows() {
    QVERIFY(QDir().mkdir(Ini()));  // a folder: no file the reader takes
    auto form = NewForm(*dir_);
    QStringList warnings;
    form->showWarning = [&](const QString& text) { warnings << text; };
    QCOMPARE(form->searchCol1, 2);  // the defaults, as for a file without settings
    QVERIFY(warnings.isEmpty());    // not before the window is there
    QVERIFY(ShowActive(*form));
    QTRY_COMPARE(warnings.size(), 1);
    QCOMPARE(warnings[0],
             QDir::toNativeSeparators(Ini()) + ": File access denied; using the default settings.");
    form->hide();
    QVERIFY(ShowActive(*form));
    QTest::qWait(20);
    QCOMPARE(warnings.size(), 1);  // once
    form->close();
    QCOMPARE(warnings.size(), 2);
    QCOMPARE(warnings[1], "The settings could not be written to " +
                              QDir::toNativeSeparators(Ini()) + ": File access denied.");
  }

  // Beside the program where it may be written there; else the user's own
  // file, read from beside the program until there is one.
  void whereTheSettingsAre_data() {
    QTest::addColumn<QString>("program");  // under the test's folder, or absolute
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("beside");  // a Config.ini beside the program
    QTest::addColumn<bool>("own");     // the user's own Config.ini
    QTest::addColumn<QString>("read");
    QTest::addColumn<QString>("write");
    QTest::newRow("portable, first run") << "bin" << true << false << false << "beside"
                                         << "beside";
    QTest::newRow("portable, both") << "bin" << true << true << true << "beside"
                                    << "beside";
    QTest::newRow("portable, only the user's") << "bin" << true << false << true << "beside"
                                               << "beside";
    QTest::newRow("read-only, first run") << "bin" << false << false << false << "own"
                                          << "own";
    QTest::newRow("read-only, left beside") << "bin" << false << true << false << "beside"
                                            << "own";
    QTest::newRow("read-only, both") << "bin" << false << true << true << "own"
                                     << "own";
    QTest::newRow("read-only, the user's") << "bin" << false << false << true << "own"
                                           << "own";
    QTest::newRow("system folder, root")
        << "/usr/lib/orrimax-none/" << true << false << false << "own"
        << "own";
  }

  void whereTheSettingsAre() {
    QFETCH(QString, program);
    QFETCH(bool, writable);
    QFETCH(bool, beside);
    QFETCH(bool, own);
    QFETCH(QString, read);
    QFETCH(QString, write);
    if (!program.startsWith('/')) program = dir_->filePath(program) + "/";
    const QString userFolder = dir_->filePath("user/config");
    const QString paths[] = {program + "Config.ini",
                             QDir::toNativeSeparators(userFolder + "/Config.ini")};
    for (auto [make, path] : {std::pair{beside, paths[0]}, std::pair{own, paths[1]}}) {
      if (!make) continue;
      QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QStringList asked;
    const SettingsLocation found = FindSettingsFile(program, userFolder, [&](const QString& file) {
      asked << file;
      return writable;
    });
    QCOMPARE(found.read, paths[read == "own"]);
    QCOMPARE(found.write, paths[write == "own"]);
    if (!program.startsWith("/usr/")) QCOMPARE(asked, QStringList{paths[0]});
    QVERIFY(!QFileInfo::exists(userFolder) || own);  // made only when written
  }

  // The settings left beside a program in a read-only folder are taken over
  // into the user's file, which keeps their other keys; the first stays.
  void aReadOnlyProgramFolderSavesIntoTheUsersFile() {
    const QByteArray left = "[Mine]\r\nkeep=this\r\n[Search]\r\nField1=smith\r\nCol1=3\r\n";
    WriteIni(left);
    const QString own = dir_->filePath("user/Orrimax/Config.ini");
    auto form = std::make_unique<TForm1>(nullptr, SettingsLocation{Ini(), own});
    QStringList warnings;
    form->showWarning = [&](const QString& text) { warnings << text; };
    QCOMPARE(form->LName->text(), QString("smith"));
    QCOMPARE(form->searchCol1, 3);
    form->FName->setText("Jo");
    QVERIFY(ShowActive(*form));
    form->close();
    QCOMPARE(warnings, QStringList());
    QCOMPARE(ReadIni().toUtf8(), left);
    QFile saved(own);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(saved.readAll());
    QVERIFY(text.startsWith("[Mine]\r\nkeep=this\r\n\r\n[Search]\r\nField1=smith\r\nCol1=-1\r\n"));
    QVERIFY(text.contains("Field2=Jo\r\n"));
  }

  // Tried on the disk: a file that is there must open for writing, a new one
  // must be made, and nothing is left behind.
  void canBeWrittenTriesTheDisk() {
    const QString folder = dir_->filePath("bin");
    QVERIFY(QDir().mkpath(folder));
    const QString file = folder + "/Config.ini";
    QVERIFY(CanBeWritten(file));
    QCOMPARE(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    {
      QFile f(file);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write("[S]\r\n");
    }
    QVERIFY(CanBeWritten(file));
    QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QVERIFY(!CanBeWritten(file));  // read-only, even for root
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(gen::ReadBytes(file.toStdString()),
             (std::vector<std::uint8_t>{'[', 'S', ']', '\r', '\n'}));
    QVERIFY(QFile::remove(file));
    QVERIFY(!CanBeWritten(folder + "/none/Config.ini"));
#ifdef Q_OS_UNIX
    // A folder the user may not write (root may write any: an ordinary user
    // is forked off for it), as an installed program's folder is.
    if (::geteuid() != 0) {
      QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
      const bool writable = CanBeWritten(file);
      QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
      QVERIFY(!writable);
      return;
    }
    QFile::setPermissions(dir_->path(), QFileDevice::Permissions(0x7777));
    const pid_t child = ::fork();
    if (child == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
      ::_exit(!CanBeWritten(file) && QDir(folder).isEmpty() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
#endif
  }

  void profileFileSemantics() {
    WriteIni("[S]\r\nempty=\r\nnum= 12 \r\nbad=1x\r\n");
    const ProfileFile ini(Ini());
    QVERIFY(ini.exists());
    QCOMPARE(ini.readString("S", "empty", "default"), QString());
    QCOMPARE(ini.readString("S", "missing", "default"), QString("default"));
    QCOMPARE(ini.readInteger("S", "num", 5), 12);
    QCOMPARE(ini.readInteger("S", "bad", 5), 5);
    QCOMPARE(ini.readInteger("S", "empty", 5), 5);
    QVERIFY(!ProfileFile(dir_->filePath("none.ini")).exists());
  }
};

QTEST_MAIN(SettingsTest)
#include "SettingsTest.moc"
