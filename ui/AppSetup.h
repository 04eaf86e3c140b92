// What the program sets up once, before its window: name and fonts.
#pragma once

#include <QString>
#include <functional>

namespace orrimax::ui {

// Names the application (the error box's caption) and makes Tahoma
// available where the system lacks it but Wine's copy is installed.
void SetUpApplication();

// The folder of the executable, ending in a separator.
QString ProgramFolder();

// Where the settings are read from and written to (the same file but for
// a program folder that cannot be written, see FindSettingsFile).
struct SettingsLocation {
  QString read;   // need not exist
  QString write;  // its folder is made when written
};

// Whether `file` can be written where it is: the existing file opened for
// writing or a new one made beside it, nothing changed. Tried, because
// permissions alone do not tell on Windows (the folder's access list) nor
// for root.
bool CanBeWritten(const QString& file);

// Config.ini beside the program where it can be written there (a portable
// copy, as on Windows), else in `userFolder`, the user's configuration
// folder, read from beside the program until the user has a file there.
SettingsLocation FindSettingsFile(
    const QString& programFolder, const QString& userFolder,
    const std::function<bool(const QString& file)>& canBeWritten = CanBeWritten);

}  // namespace orrimax::ui
