// The settings file reader: any bytes as Config.ini give the defaults or the
// values they hold, and write back without trouble.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "SettingsFile.h"

using orrimax::ui::ProfileFile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ProfileFile ini = ProfileFile::FromData(
      QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  for (int i = 0; i < 11; ++i) ini.readInteger("GroupFilter", QString::number(i), 1);
  ini.readString("Search", "Field1", QString());
  ini.readInteger("Search", "Col1", 2);
  ini.readString("Dialogs", "Open", "fallback");
  ini.writeString("Search", "Field2", "x");
  ini.text();
  return 0;
}
