#include "AppSetup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFontDatabase>

// Resources compiled into a static library must be registered by name.
static void InitResources() {
  Q_INIT_RESOURCE(resources);
}

namespace orrimax::ui {

void SetUpApplication() {
  InitResources();
  QCoreApplication::setApplicationName("Orrimax");
  // Only Wine's regular face: its bold one draws no heavier than the
  // regular, while the regular face emboldened by Qt reads as bold.
  const QString wineTahoma = "/usr/share/wine/fonts/tahoma.ttf";
  if (!QFontDatabase::families().contains("Tahoma") && QFile::exists(wineTahoma))
    QFontDatabase::addApplicationFont(wineTahoma);
}

QString ProgramFolder() {
  return QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + "/");
}

}  // namespace orrimax::ui
