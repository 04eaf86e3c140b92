// A small INI layer with the semantics of the Windows profile-file calls:
// plain key=value lines, no quoting or escaping, sections and keys created
// when first written, other sections and keys of the file kept as they are.
#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <string>

namespace orrimax::ui {

class ProfileFile {
 public:
  explicit ProfileFile(QString path);
  // The settings held in `bytes`, as if read from a file.
  static ProfileFile FromData(const QByteArray& bytes);
  ~ProfileFile();
  ProfileFile(ProfileFile&&) noexcept;

  // False when the file does not exist; a file that cannot be parsed at all
  // reads as empty, and `problem()` says why.
  bool exists() const { return exists_; }
  QString problem() const { return problem_; }

  // A present key gives its value, even an empty one; a missing key `fallback`.
  QString readString(const QString& section, const QString& key, const QString& fallback) const;
  // Missing, empty or unparsable values give `fallback`.
  int readInteger(const QString& section, const QString& key, int fallback) const;

  void writeString(const QString& section, const QString& key, const QString& value);
  void writeInteger(const QString& section, const QString& key, int value);

  // The file's text: Windows line ends, one blank line between sections.
  std::string text() const;
  // Writes the whole file (crash-safe), to where it was read from or to
  // `path`; throws on failure.
  void save() const { saveAs(path_); }
  void saveAs(const QString& path) const;

 private:
  ProfileFile();
  void load(const char* bytes, std::size_t size);

  struct Data;
  QString path_;
  std::unique_ptr<Data> data_;
  bool exists_ = false;
  QString problem_;
};

}  // namespace orrimax::ui
