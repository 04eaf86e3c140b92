#include "AboutBx.h"

#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>

#include "JpegImage.h"
#include "Version.h"

namespace orrimax::ui {

QSize ProportionalSize(QSize picture, QSize frame) {
  if (picture.isEmpty()) return {};
  return picture.scaled(frame, Qt::KeepAspectRatio);
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName("AboutBox");
  setWindowTitle("About...");
  // A fixed dialog without a close button in its title bar.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(557, 391);

  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  Image1->setGeometry(16, 16, 177, 113);
  Image1->setAlignment(Qt::AlignCenter);
  QFile picture(":/about.jpg");
  if (picture.open(QIODevice::ReadOnly)) {
    const QImage image = DecodeJpeg(picture.readAll());
    if (!image.isNull())
      Image1->setPixmap(
          QPixmap::fromImage(image.scaled(ProportionalSize(image.size(), Image1->size()),
                                          Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
  }

  ProgramName = new QLabel("Orrimax", this);
  ProgramName->setObjectName("ProgramName");
  QFont big = font();
  big.setPixelSize(40);
  big.setBold(true);
  ProgramName->setFont(big);
  QPalette red = ProgramName->palette();
  red.setColor(QPalette::WindowText, QColor(255, 0, 0));
  ProgramName->setPalette(red);
  ProgramName->setGeometry(216, 24, 200, 52);
  Version = new QLabel(QString("v. ") + kVersion, this);
  Version->setObjectName("Version");
  Version->setGeometry(420, 48, 80, 24);

  auto* credits = new QLabel(
      "A roster editor for NBA 2K10.\n"
      "Written by the Orrimax developers.\n"
      "Thanks to everyone in the roster-making community\n"
      "who keeps the game's rosters alive.",
      this);
  credits->setObjectName("Credits");
  credits->setGeometry(216, 88, 320, 80);
  credits->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  const char* const links[] = {"https://www.nba2k.com/", "https://www.operationsports.com/",
                               "https://www.reddit.com/r/NBA2k/"};
  int y = 200;
  for (const char* address : links) {
    auto* label = new QLabel(QString("<a href=\"%1\">%1</a>").arg(address), this);
    label->setObjectName(QString("LinkLabel%1").arg(Links.size() + 1));
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setGeometry(216, y, 320, 20);
    connect(label, &QLabel::linkActivated, this,
            [this](const QString& link) { LinkLabel1LinkClick(link); });
    Links << label;
    y += 28;
  }

  Button1 = new QPushButton("OK", this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(241, 340, 75, 25);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });

  openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TAboutBox::Button1Click() {
  accept();
}

void TAboutBox::LinkLabel1LinkClick(const QString& link) {
  openUrl(QUrl(link));
}

}  // namespace orrimax::ui
