// What the program sets up once, before its window: name and fonts.
#pragma once

#include <QString>

namespace orrimax::ui {

// Names the application (the error box's caption) and makes Tahoma
// available where the system lacks it but Wine's copy is installed.
void SetUpApplication();

// The folder of the executable, ending in a separator.
QString ProgramFolder();

// Config.ini beside the program when that folder (or the file) may be
// written, else in `userFolder`, the user's configuration folder.
QString SettingsFilePath(const QString& programFolder, const QString& userFolder);

}  // namespace orrimax::ui
