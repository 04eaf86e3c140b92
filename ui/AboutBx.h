// The About box.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <functional>

namespace orrimax::ui {

class TAboutBox : public QDialog {
 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  void Button1Click();
  void LinkLabel1LinkClick(const QString& link);

  QLabel* Image1;
  QLabel* ProgramName;
  QLabel* Version;
  QPushButton* Button1;
  QList<QLabel*> Links;

  // How a link is handed to the system; replaceable for tests.
  std::function<void(const QUrl&)> openUrl;
};

// Fits a picture into a frame, keeping its proportions.
QSize ProportionalSize(QSize picture, QSize frame);

}  // namespace orrimax::ui
