#include "SettingsFile.h"

#include <QFileInfo>
#include <span>

#include "DB.h"
#include "FileIO.h"

// Only the UTF-8 char interface is used, and it converts nothing: the
// converter decides what the header pulls in and how keys compare. On
// Windows its own API, with keys folded as plain ASCII as here rather than
// by the ANSI code page (SI_NO_MBCS); elsewhere ICU, as Debian's package
// lacks the generic converter's ConvertUTF.h. Included last, so that
// <windows.h> reaches no header of ours.
#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define SI_CONVERT_WIN32
#define SI_NO_MBCS
#else
#define SI_CONVERT_ICU
#endif
#include <SimpleIni.h>

namespace orrimax::ui {

struct ProfileFile::Data {
  CSimpleIniA ini{/*isUtf8=*/true, /*multiKey=*/false, /*multiLine=*/false};
};

ProfileFile::ProfileFile() : data_(std::make_unique<Data>()) {
  data_->ini.SetSpaces(false);
}

ProfileFile::ProfileFile(QString path) : ProfileFile() {
  path_ = std::move(path);
  // Anything there is the settings file: one that is no regular file (a
  // folder) is refused by the reader, and that is said.
  if (!QFileInfo::exists(path_)) return;
  exists_ = true;
  try {
    const std::vector<std::uint8_t> bytes =
        ReadWholeFile(std::filesystem::path(path_.toStdU16String()));
    load(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  } catch (const RosterError& e) {
    problem_ = QString::fromUtf8(e.what());
  }
}

ProfileFile ProfileFile::FromData(const QByteArray& bytes) {
  ProfileFile file;
  file.exists_ = true;
  file.load(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  return file;
}

void ProfileFile::load(const char* bytes, std::size_t size) {
  if (data_->ini.LoadData(bytes, size) < 0) {
    data_->ini.Reset();
    problem_ = "cannot be read as an INI file";
  }
}

ProfileFile::~ProfileFile() = default;
ProfileFile::ProfileFile(ProfileFile&&) noexcept = default;

QString ProfileFile::readString(const QString& section, const QString& key,
                                const QString& fallback) const {
  const char* value =
      data_->ini.GetValue(section.toUtf8().constData(), key.toUtf8().constData(), nullptr);
  return value ? QString::fromUtf8(value) : fallback;
}

int ProfileFile::readInteger(const QString& section, const QString& key, int fallback) const {
  const QString text = readString(section, key, QString()).trimmed();
  bool ok = false;
  const int value = text.toInt(&ok);
  return ok ? value : fallback;
}

void ProfileFile::writeString(const QString& section, const QString& key, const QString& value) {
  data_->ini.SetValue(section.toUtf8().constData(), key.toUtf8().constData(),
                      value.toUtf8().constData());
}

void ProfileFile::writeInteger(const QString& section, const QString& key, int value) {
  writeString(section, key, QString::number(value));
}

std::string ProfileFile::text() const {
  std::string saved;
  if (data_->ini.Save(saved) < 0) throw RosterError("the settings cannot be written");
  // Windows line ends and one blank line between sections, as Windows
  // programs write their INI files.
  std::string text;
  bool blank = true;
  std::size_t start = 0;
  while (start < saved.size()) {
    std::size_t end = saved.find('\n', start);
    if (end == std::string::npos) end = saved.size();
    std::string_view line(saved.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    start = end + 1;
    if (line.empty()) {
      blank = true;
      continue;
    }
    if (line.front() == '[' && !text.empty() && blank) text += "\r\n";
    blank = false;
    text += line;
    text += "\r\n";
  }
  return text;
}

void ProfileFile::saveAs(const QString& path) const {
  const std::string text = this->text();
  SaveFile(std::filesystem::path(path.toStdU16String()),
           std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace orrimax::ui
