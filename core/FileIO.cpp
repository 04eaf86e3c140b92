// The part of the file layer that does not depend on the system: the
// runtime's texts for errno values, the write chunks and their test hook,
// backups, and the check for changes made by other programs.
#include "FileIO.h"

#include <algorithm>
#include <cerrno>
#include <string>

#include "Errors.h"
#include "FileIOPlatform.h"
#include "FindCRC.h"

namespace orrimax {

std::string IoErrorText(int code) {
  return "I/O error " + std::to_string(code);
}

void ThrowIoError(int err) {
  switch (err) {
    case ENOENT:
      throw InOutError(err, kFileNotFound);
    case ENOTDIR:
    case ENAMETOOLONG:
      throw InOutError(err, kPathNotFound);
    case EMFILE:
    case ENFILE:
      throw InOutError(err, kTooManyOpenFiles);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      throw InOutError(err, kFileAccessDenied);
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG:
      throw InOutError(err, kDiskFull);
    default:
      throw InOutError(err, IoErrorText(err));
  }
}

namespace {

WriteFaultHook& FaultHook() {
  static WriteFaultHook hook;
  return hook;
}

}  // namespace

namespace fileio {

std::size_t NextChunk(std::size_t written, std::size_t total) {
  constexpr std::size_t kChunk = 1 << 20;
  const std::size_t chunk = std::min(kChunk, total - written);
  return FaultHook() ? FaultHook()(written, chunk) : chunk;
}

FileStamp StampOf(std::int64_t modifiedNs, std::span<const std::uint8_t> bytes) {
  return {static_cast<std::uint64_t>(bytes.size()), modifiedNs, Crc32(bytes)};
}

ContentWriter WholeContent(std::span<const std::uint8_t> bytes) {
  return [bytes](const ContentSink& put) { put(bytes); };
}

WrittenContent WriteContent(const ContentWriter& content,
                            const std::function<void(std::span<const std::uint8_t>)>& write) {
  WrittenContent written;
  content([&](std::span<const std::uint8_t> piece) {
    written.crc = Crc32Update(piece.data(), piece.size(), written.crc);
    write(piece);
    written.size += piece.size();
  });
  return written;
}

void KeepBackup(
    const std::filesystem::path& requested, const std::filesystem::path& target,
    SaveOutcome& outcome,
    const std::function<void(const std::filesystem::path&, std::span<const std::uint8_t>)>& save) {
  outcome.backup = BackupPathOf(requested);
  try {
    save(outcome.backup, ReadWholeFile(target));
  } catch (const RosterError& e) {
    outcome.backupProblem = e.message();
  }
}

}  // namespace fileio

void SetWriteFaultHookForTesting(WriteFaultHook hook) {
  FaultHook() = std::move(hook);
}

std::filesystem::path PathFromUtf8(std::string_view utf8) {
#ifdef _WIN32
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
  return std::filesystem::path(std::string(utf8));
#endif
}

std::string Utf8Of(const std::filesystem::path& path) {
#ifdef _WIN32
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
#else
  return path.string();
#endif
}

DiskChange CompareWithDisk(const std::filesystem::path& path, const FileStamp& expected) {
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  if (!fileio::SizeAndTime(path, size, modifiedNs)) return DiskChange::Deleted;
  if (size != expected.size || modifiedNs != expected.modifiedNs) return DiskChange::Changed;
  FileStamp now;
  ReadWholeFile(path, FileAccess::ReadOnly, &now);
  return now == expected ? DiskChange::None : DiskChange::Changed;
}

std::filesystem::path BackupPathOf(const std::filesystem::path& path) {
  std::filesystem::path backup = path;
  backup += ".bak";
  return backup;
}

bool BackupExists(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(BackupPathOf(path), ec);
}

SaveOutcome SaveFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                     const SaveOptions& options) {
  return SaveFile(path, fileio::WholeContent(bytes), options);
}

}  // namespace orrimax
