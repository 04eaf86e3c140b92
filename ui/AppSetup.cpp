#include "AppSetup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
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

QString SettingsFilePath(const QString& programFolder, const QString& userFolder) {
  // Beside the program where it may be kept there (a portable copy, as on
  // Windows); an installed program's folder is the system's, so the user's
  // own configuration folder holds it instead.
  const QString beside = programFolder + "Config.ini";
  const QFileInfo file(beside);
  const QFileInfo folder(programFolder);
  // A system folder (/usr/bin) is never the place, even for root.
  const bool system = programFolder.startsWith("/usr/");
  if (!system && (file.exists() ? file.isWritable() : folder.isWritable())) return beside;
  QDir().mkpath(userFolder);
  return QDir::toNativeSeparators(userFolder + "/Config.ini");
}

}  // namespace orrimax::ui
