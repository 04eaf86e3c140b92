// The About box: its size, its picture decoded by Qt's JPEG reader, links and OK.
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
    // Inside the ball, clear of its seams: the ball's orange, channels in order.
    const QColor ball = image.pixelColor(150, 90);
    QVERIFY2(qAbs(ball.red() - 0xe8) < 24 && qAbs(ball.green() - 0x73) < 24 &&
                 qAbs(ball.blue() - 0x1c) < 24,
             qPrintable(ball.name()));
    TAboutBox box;
    QCOMPARE(box.Image1->pixmap().size(), QSize(177, 113));
    QCOMPARE(ProportionalSize(QSize(400, 100), QSize(177, 113)), QSize(177, 44));
    QCOMPARE(ProportionalSize(QSize(100, 400), QSize(177, 113)), QSize(28, 113));
  }

  void brokenJpegGivesNoPicture() { QVERIFY(DecodeJpeg(QByteArray("not a picture")).isNull()); }

  // Cut before its image data, a picture is none at all; cut inside the
  // data, it keeps its size and the rows that arrived.
  void truncatedJpeg_data() {
    QTest::addColumn<int>("kept");
    QTest::addColumn<bool>("picture");
    QTest::newRow("nothing") << 0 << false;
    QTest::newRow("start marker only") << 2 << false;
    QTest::newRow("inside the header") << 200 << false;
    QTest::newRow("a little image data") << 1000 << true;
    QTest::newRow("half") << -2 << true;
    QTest::newRow("all but the end marker") << -1 << true;
  }

  void truncatedJpeg() {
    QFile file(":/about.jpg");
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    const QImage full = DecodeJpeg(whole);
    QFETCH(int, kept);
    QFETCH(bool, picture);
    const qsizetype size = kept == -2 ? whole.size() / 2 : kept == -1 ? whole.size() - 2 : kept;
    const QImage cut = DecodeJpeg(whole.left(size));
    QCOMPARE(!cut.isNull(), picture);
    if (!picture) return;
    QCOMPARE(cut.size(), full.size());
    if (kept < 0) QCOMPARE(cut.copy(0, 0, full.width(), 8), full.copy(0, 0, full.width(), 8));
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
