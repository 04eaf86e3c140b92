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
  if (!QFontDatabase::families().contains("Tahoma")) {
    for (const char* file :
         {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"})
      if (QFile::exists(file)) QFontDatabase::addApplicationFont(file);
  }
}

QString ProgramFolder() {
  return QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + "/");
}

}  // namespace orrimax::ui
