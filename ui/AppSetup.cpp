#include "AppSetup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QTemporaryFile>

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

bool CanBeWritten(const QString& file) {
  QFile existing(file);
  if (existing.exists()) {
    // A file without any write permission is read-only even for root, as
    // the saver treats it.
    constexpr auto anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return (existing.permissions() & anyWrite) &&
           existing.open(QIODevice::ReadWrite | QIODevice::ExistingOnly);
  }
  QTemporaryFile probe(QFileInfo(file).absolutePath() + "/Config.XXXXXX");
  return probe.open();
}

SettingsLocation FindSettingsFile(const QString& programFolder, const QString& userFolder,
                                  const std::function<bool(const QString& file)>& canBeWritten) {
  const QString beside = programFolder + "Config.ini";
  // An installed program's folder is the system's: Program Files refuses
  // the try, /usr/bin is refused here as root could write it.
  const bool system = programFolder.startsWith("/usr/");
  if ((!system && canBeWritten(beside)) || userFolder.isEmpty()) return {beside, beside};
  const QString own = QDir::toNativeSeparators(userFolder + "/Config.ini");
  // A file left beside the program (by an installer or an administrator)
  // gives the settings until the user has saved some of their own.
  const bool besideFirst = !QFileInfo::exists(own) && QFileInfo::exists(beside);
  return {besideFirst ? beside : own, own};
}

}  // namespace orrimax::ui
