// The file layer on Windows: UTF-16 paths, exact reads and writes through
// file handles, and saves that replace the file with ReplaceFileW.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "Errors.h"
#include "FileIO.h"
#include "FileIOPlatform.h"

#ifndef ERROR_DISK_QUOTA_EXCEEDED
#define ERROR_DISK_QUOTA_EXCEEDED 1295L
#endif

namespace orrimax {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void ThrowWindowsError(DWORD code) {
  const int value = static_cast<int>(code);
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
      throw InOutError(value, kFileNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_DIRECTORY:
      throw InOutError(value, kPathNotFound);
    case ERROR_TOO_MANY_OPEN_FILES:
      throw InOutError(value, kTooManyOpenFiles);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
      throw InOutError(value, kFileAccessDenied);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_QUOTA_EXCEEDED:
    case ERROR_FILE_TOO_LARGE:
      throw InOutError(value, kDiskFull);
    default:
      throw InOutError(value, IoErrorText(value));
  }
}

[[noreturn]] void ThrowLastError() {
  ThrowWindowsError(::GetLastError());
}

[[noreturn]] void DeniedAccess() {
  ThrowWindowsError(ERROR_ACCESS_DENIED);
}

// Closes a handle when the scope ends, whatever happens.
class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~Handle() {
    if (valid()) ::CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  void reset(HANDLE h = INVALID_HANDLE_VALUE) {
    if (valid()) ::CloseHandle(h_);
    h_ = h;
  }
  // Closes now and reports a failure of the close itself.
  void close() {
    const HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    if (!::CloseHandle(h)) ThrowLastError();
  }

 private:
  HANDLE h_;
};

// The wide form of a path; a long absolute one gets the \\?\ prefix, which
// lifts the limit of MAX_PATH characters.
std::wstring Wide(const fs::path& path) {
  std::wstring wide = path.wstring();
  if (wide.size() < MAX_PATH - 12 || wide.starts_with(L"\\\\")) return wide;
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  if (ec) return wide;
  return L"\\\\?\\" + absolute.lexically_normal().make_preferred().wstring();
}

// Another program (a virus scanner, a backup tool, the game) may hold the
// file for a moment; what it holds is tried again a few times.
bool IsHeldByAnother(DWORD code) {
  return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
         code == ERROR_ACCESS_DENIED || code == ERROR_UNABLE_TO_REMOVE_REPLACED ||
         code == ERROR_UNABLE_TO_MOVE_REPLACEMENT;
}

template <typename F>
bool Retrying(F&& attempt) {
  constexpr int kAttempts = 20;
  for (int k = 0;; ++k) {
    if (attempt()) return true;
    if (k + 1 == kAttempts || !IsHeldByAnother(::GetLastError())) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

HANDLE OpenRetrying(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                    DWORD flags = FILE_ATTRIBUTE_NORMAL) {
  HANDLE h = INVALID_HANDLE_VALUE;
  Retrying([&] {
    h = ::CreateFileW(path.c_str(), access, share, nullptr, disposition, flags, nullptr);
    // A plain refusal of access is final; only a file held open is waited for.
    return h != INVALID_HANDLE_VALUE || ::GetLastError() == ERROR_ACCESS_DENIED;
  });
  return h;
}

std::int64_t UnixNs(const FILETIME& time) {
  // FILETIME counts 100 ns steps from 1601; 11644473600 seconds lie between.
  const std::int64_t ticks =
      static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime);
  return (ticks - 116'444'736'000'000'000) * 100;
}

std::int64_t ModifiedNs(HANDLE h) {
  FILETIME written{};
  if (!::GetFileTime(h, nullptr, nullptr, &written)) ThrowLastError();
  return UnixNs(written);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Writes a piece at the handle's position, adding to `written` what reached
// the file.
void WriteAll(HANDLE h, std::span<const std::uint8_t> bytes, std::size_t& written) {
  const std::size_t start = written;
  const std::size_t total = start + bytes.size();
  while (written < total) {
    const std::size_t chunk = fileio::NextChunk(written, total);
    if (chunk == 0) ThrowWindowsError(ERROR_DISK_FULL);
    DWORD n = 0;
    if (!::WriteFile(h, bytes.data() + (written - start), static_cast<DWORD>(chunk), &n, nullptr))
      ThrowLastError();
    if (n == 0) ThrowWindowsError(ERROR_DISK_FULL);
    written += n;
  }
}

fs::path FolderOf(const fs::path& path) {
  return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// Temporaries are ".NAME.orrimax-XXXXXX"; a name near the limit of 255
// UTF-16 units is shortened (never inside a surrogate pair).
std::wstring TemporaryPrefix(std::wstring name) {
  static constexpr std::wstring_view kTag = L".orrimax-";
  constexpr std::size_t kRoom = 255 - 1 - kTag.size() - 6;
  if (name.size() > kRoom) {
    name.resize(kRoom);
    if (!name.empty() && name.back() >= 0xD800 && name.back() <= 0xDBFF) name.pop_back();
  }
  return L"." + name + std::wstring(kTag);
}

// A temporary of ours: deleted unless it has replaced the file.
struct Temporary {
  std::wstring path;
  Handle handle;
  ~Temporary() {
    handle.reset();
    if (!path.empty()) ::DeleteFileW(path.c_str());
  }
};

// Creates the temporary, new and shared with no one while it is written,
// so that no other save takes it for a stale one. False when the folder
// may not be written.
bool CreateTemporary(const fs::path& folder, const fs::path& name, DWORD attributes,
                     Temporary& temp) {
  static std::mt19937 rng(std::random_device{}());
  static constexpr wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
  const std::wstring prefix = Wide(folder / TemporaryPrefix(name.wstring()));
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring path = prefix;
    for (int k = 0; k < 6; ++k) path += kLetters[rng() % 36];
    const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                   CREATE_NEW, attributes, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      temp.path = path;
      temp.handle.reset(h);
      return true;
    }
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
    if (code == ERROR_ACCESS_DENIED) return false;
    ThrowWindowsError(code);
  }
  ThrowWindowsError(ERROR_FILE_EXISTS);
}

// A killed save leaves its temporary behind. One a minute old goes; one
// that a running save still writes cannot be deleted, as nothing shares it.
void RemoveStaleTemporaries(const fs::path& folder, const fs::path& name) {
  const std::wstring prefix = TemporaryPrefix(name.wstring());
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  const std::int64_t nowNs = UnixNs(now);
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::wstring file = entry.path().filename().wstring();
    if (file.size() != prefix.size() + 6 || !file.starts_with(prefix)) continue;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(Wide(entry.path()).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
        nowNs - UnixNs(data.ftLastWriteTime) < 60'000'000'000)
      continue;
    ::DeleteFileW(Wide(entry.path()).c_str());
  }
}

// What a save needs to know of the file it replaces.
struct Existing {
  bool exists = false;
  bool keepInPlace = false;                  // more than one link, or a link to elsewhere
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;  // those a new file can be given
};

Existing Examine(const std::wstring& target) {
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) return {};
    ThrowWindowsError(code);
  }
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) DeniedAccess();
  // Opened for writing, so that what the user may not write is refused
  // even where a rename could replace it: it is not theirs to change.
  Handle h(OpenRetrying(target, GENERIC_READ | GENERIC_WRITE, kShareAll, OPEN_EXISTING));
  if (!h.valid()) ThrowLastError();
  if (::GetFileType(h.get()) != FILE_TYPE_DISK) DeniedAccess();
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(h.get(), &info)) ThrowLastError();
  constexpr DWORD kGiven = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD given = attributes & kGiven;
  return {true, info.nNumberOfLinks > 1 || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0,
          given ? given : FILE_ATTRIBUTE_NORMAL};
}

FileStamp StampOfFile(const std::wstring& path, const fileio::WrittenContent& wrote) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) ThrowLastError();
  return wrote.stamp(UnixNs(data.ftLastWriteTime));
}

// The replace path. False when the file must be rewritten in place instead
// (nothing has changed then); true when the new content is in place.
bool ReplaceByRename(const fs::path& target, const Existing& existing, const ContentWriter& content,
                     FileStamp& stamp) {
  const bool exists = existing.exists;
  const fs::path folder = FolderOf(target);
  const std::wstring wideTarget = Wide(target);
  Temporary temp;
  // The attributes from the start: a replace need not carry them over.
  if (!CreateTemporary(folder, target.filename(), existing.attributes, temp)) return false;
  std::size_t written = 0;
  const fileio::WrittenContent wrote = fileio::WriteContent(
      content,
      [&](std::span<const std::uint8_t> piece) { WriteAll(temp.handle.get(), piece, written); });
  if (!::FlushFileBuffers(temp.handle.get())) ThrowLastError();
  temp.handle.close();
  // ReplaceFileW gives the new file the old one's ACL. Another save's
  // replace may have the file away for a moment: that is waited for too.
  const bool replaced = Retrying([&] {
    if (exists && ::ReplaceFileW(wideTarget.c_str(), temp.path.c_str(), nullptr,
                                 REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
      return true;
    if (exists && ::GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    return ::MoveFileExW(temp.path.c_str(), wideTarget.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  });
  if (!replaced) {
    const DWORD code = ::GetLastError();
    // A folder that refuses to delete or rename: the file itself is written.
    if (exists && code == ERROR_ACCESS_DENIED) return false;
    ThrowWindowsError(code == ERROR_UNABLE_TO_REMOVE_REPLACED ||
                              code == ERROR_UNABLE_TO_MOVE_REPLACEMENT
                          ? ERROR_SHARING_VIOLATION
                          : code);
  }
  temp.path.clear();
  stamp = StampOfFile(wideTarget, wrote);
  RemoveStaleTemporaries(folder, target.filename());
  return true;
}

// The file itself, rewritten and flushed; another save doing the same
// waits a moment, as the file is shared for reading only meanwhile.
void RewriteInPlace(const fs::path& target, const ContentWriter& content, FileStamp& stamp) {
  Handle h(
      OpenRetrying(Wide(target), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING));
  if (!h.valid()) ThrowLastError();
  if (::GetFileType(h.get()) != FILE_TYPE_DISK) DeniedAccess();
  std::size_t written = 0;
  fileio::WrittenContent wrote;
  try {
    wrote = fileio::WriteContent(
        content, [&](std::span<const std::uint8_t> piece) { WriteAll(h.get(), piece, written); });
    if (!::SetEndOfFile(h.get())) ThrowLastError();
    if (!::FlushFileBuffers(h.get())) ThrowLastError();
  } catch (const InOutError& e) {
    if (written == 0) throw;
    throw IncompleteSaveError(e.code(), e.message());
  }
  stamp = wrote.stamp(ModifiedNs(h.get()));
  h.close();
}

SaveOutcome Save(const fs::path& target, const ContentWriter& content, const SaveOptions& options) {
  SaveOutcome outcome;
  const Existing existing = Examine(Wide(target));
  if (options.backup && existing.exists)
    fileio::KeepBackup(target, target, outcome, [](const fs::path& backup, auto old) {
      Save(backup, fileio::WholeContent(old), {});
    });
  if (!existing.exists) {
    if (!ReplaceByRename(target, existing, content, outcome.stamp)) DeniedAccess();
  } else if (existing.keepInPlace || !ReplaceByRename(target, existing, content, outcome.stamp)) {
    RewriteInPlace(target, content, outcome.stamp);
    outcome.inPlace = true;
  }
  return outcome;
}

}  // namespace

namespace fileio {

bool SizeAndTime(const std::filesystem::path& path, std::uint64_t& size, std::int64_t& modifiedNs) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data)) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return false;
    ThrowWindowsError(code);
  }
  size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
  modifiedNs = UnixNs(data.ftLastWriteTime);
  return true;
}

}  // namespace fileio

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path, FileAccess access,
                                        FileStamp* stamp) {
  const std::wstring wide = Wide(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) ThrowLastError();
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) DeniedAccess();
  // The read-only attribute refuses writing even to an administrator.
  if (access == FileAccess::ReadWrite && (attributes & FILE_ATTRIBUTE_READONLY)) DeniedAccess();
  const DWORD rights = GENERIC_READ | (access == FileAccess::ReadWrite ? GENERIC_WRITE : 0);
  Handle h(OpenRetrying(wide, rights, kShareAll, OPEN_EXISTING));
  if (!h.valid()) ThrowLastError();
  // A device or a pipe has no fixed size to hold in memory.
  if (::GetFileType(h.get()) != FILE_TYPE_DISK) DeniedAccess();
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(h.get(), &size)) ThrowLastError();

  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
  std::size_t got = 0;
  while (got < bytes.size()) {
    constexpr std::size_t kChunk = 1 << 24;
    DWORD n = 0;
    if (!::ReadFile(h.get(), bytes.data() + got,
                    static_cast<DWORD>(std::min(kChunk, bytes.size() - got)), &n, nullptr))
      ThrowLastError();
    if (n == 0) break;  // the file shrank meanwhile
    got += n;
  }
  bytes.resize(got);
  if (stamp) *stamp = fileio::StampOf(ModifiedNs(h.get()), bytes);
  return bytes;
}

SaveOutcome SaveFile(const std::filesystem::path& path, const ContentWriter& content,
                     const SaveOptions& options) {
  // The file and its temporary named alike, from the drive down: the
  // replace is then about one folder whatever the current one is.
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  SaveOutcome outcome = Save(ec ? path : absolute, content, options);
  if (!outcome.backup.empty()) outcome.backup = BackupPathOf(path);
  return outcome;
}

}  // namespace orrimax
