// The file layer on POSIX systems.
#include "FileIO.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <map>
#include <string>
#include <system_error>

#include "Errors.h"
#include "FileIOPlatform.h"

namespace orrimax {

namespace {

namespace fs = std::filesystem;

// Closes a descriptor when the scope ends, whatever happens.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now and reports a failure of the close itself (a late write error).
  void close() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) ThrowIoError(errno);
  }

 private:
  int fd_;
};

[[noreturn]] void DeniedAccess() {
  throw InOutError(EACCES, kFileAccessDenied);
}

bool HasNoWritePermission(const struct stat& st) {
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

std::int64_t ModifiedNs(const struct stat& st) {
  return std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
}

FileStamp StampOf(const struct stat& st, std::span<const std::uint8_t> bytes) {
  return fileio::StampOf(ModifiedNs(st), bytes);
}

// Writes a piece at the file's position (or at `offset` + `written` when
// `offset` is not negative), adding to `written` what reached the file.
void WriteAll(int fd, std::span<const std::uint8_t> bytes, std::size_t& written,
              off_t offset = -1) {
  const std::size_t start = written;
  const std::size_t total = start + bytes.size();
  while (written < total) {
    const std::size_t chunk = fileio::NextChunk(written, total);
    if (chunk == 0) ThrowIoError(ENOSPC);
    const std::uint8_t* from = bytes.data() + (written - start);
    const ssize_t n = offset < 0 ? ::write(fd, from, chunk)
                                 : ::pwrite(fd, from, chunk, offset + static_cast<off_t>(written));
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowIoError(errno);
    }
    if (n == 0) ThrowIoError(ENOSPC);
    written += static_cast<std::size_t>(n);
  }
}

// The file behind a chain of symbolic links. Its last part need not exist:
// saving through a dangling link creates the file the link names.
fs::path ResolveLinks(fs::path path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::error_code ec;
    const fs::path target = fs::read_symlink(path, ec);
    if (ec) ThrowIoError(ec.value());
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  ThrowIoError(ELOOP);
}

fs::path FolderOf(const fs::path& path) {
  return path.has_parent_path() ? path.parent_path() : fs::path(".");
}

// Temporaries are ".NAME.orrimax-XXXXXX"; a name near the system's limit is
// shortened (at a character boundary) so that its temporary can exist.
std::string TemporaryPrefix(const fs::path& folder, const std::string& name) {
  static constexpr std::string_view kTag = ".orrimax-";
  long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
  if (limit <= 0) limit = 255;
  const std::size_t room = static_cast<std::size_t>(limit) - 1 - kTag.size() - 6;
  std::string kept = name;
  if (kept.size() > room) {
    kept.resize(room);
    std::size_t lead = kept.size();
    while (lead > 0 && (static_cast<unsigned char>(kept[lead - 1]) & 0xC0) == 0x80) --lead;
    if (lead > 0 && static_cast<unsigned char>(kept[lead - 1]) >= 0xC0) {
      const unsigned char c = static_cast<unsigned char>(kept[lead - 1]);
      const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
      if (lead - 1 + length > kept.size()) kept.resize(lead - 1);
    }
  }
  return "." + kept + std::string(kTag);
}

// A temporary of ours: removed unless it has been renamed into place.
struct Temporary {
  std::string path;
  Fd fd;
  ~Temporary() {
    if (!path.empty()) ::unlink(path.c_str());
  }
};

// Creates the temporary and holds an exclusive lock on it while it is
// written, so that no other save takes it for a stale one. Returns false
// when the folder may not be written.
bool CreateTemporary(const fs::path& folder, const std::string& name, Temporary& temp) {
  std::string path = (folder / (TemporaryPrefix(folder, name) + "XXXXXX")).string();
  const int fd = ::mkostemp(path.data(), O_CLOEXEC);
  if (fd < 0) {
    if (errno == EACCES || errno == EPERM) return false;
    ThrowIoError(errno);
  }
  temp.path = path;
  temp.fd.reset(fd);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) ThrowIoError(errno);
  return true;
}

// A killed save leaves its temporary behind. Only what is ours beyond doubt
// goes: a regular file of this user, of the pattern, untouched for a minute,
// whose lock no running save holds.
void RemoveStaleTemporaries(const fs::path& folder, const std::string& name) {
  const std::string prefix = TemporaryPrefix(folder, name);
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const std::int64_t nowNs = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string file = entry.path().filename().string();
    if (file.size() != prefix.size() + 6 || !file.starts_with(prefix)) continue;
    struct stat st {};
    if (::lstat(entry.path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_uid != ::geteuid() || nowNs - ModifiedNs(st) < 60'000'000'000)
      continue;
    Fd fd(::open(entry.path().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat opened {};
    if (fd.get() < 0 || ::fstat(fd.get(), &opened) != 0 || opened.st_ino != st.st_ino ||
        opened.st_dev != st.st_dev || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
      continue;
    ::unlink(entry.path().c_str());
  }
}

using Attributes = std::map<std::string, std::string>;

// Extended attributes, the ACL among them; false when they cannot be read.
bool ReadAttributes(int fd, Attributes& attributes) {
  const ssize_t size = ::flistxattr(fd, nullptr, 0);
  if (size < 0) return errno == ENOTSUP;
  std::string names(static_cast<std::size_t>(size), '\0');
  const ssize_t got = ::flistxattr(fd, names.data(), names.size());
  if (got < 0) return false;
  names.resize(static_cast<std::size_t>(got));
  for (std::size_t at = 0; at < names.size();) {
    const std::string attribute(names.c_str() + at);
    at += attribute.size() + 1;
    const ssize_t length = ::fgetxattr(fd, attribute.c_str(), nullptr, 0);
    if (length < 0) return false;
    std::string value(static_cast<std::size_t>(length), '\0');
    const ssize_t read = ::fgetxattr(fd, attribute.c_str(), value.data(), value.size());
    if (read < 0) return false;
    value.resize(static_cast<std::size_t>(read));
    attributes[attribute] = value;
  }
  return true;
}

// Gives the temporary everything of the original but its bytes; false when
// one thing cannot be given, and the file must be rewritten in place.
bool CopyIdentity(int original, const struct stat& st, int temp) {
  struct stat now {};
  if (::fstat(temp, &now) != 0) return false;
  if ((now.st_uid != st.st_uid || now.st_gid != st.st_gid) &&
      ::fchown(temp, st.st_uid, st.st_gid) != 0)
    return false;
  Attributes wanted, inherited;
  if (!ReadAttributes(original, wanted) || !ReadAttributes(temp, inherited)) return false;
  for (const auto& [attribute, value] : inherited)
    if (!wanted.count(attribute) && ::fremovexattr(temp, attribute.c_str()) != 0) return false;
  for (const auto& [attribute, value] : wanted) {
    const auto it = inherited.find(attribute);
    if (it != inherited.end() && it->second == value) continue;
    if (::fsetxattr(temp, attribute.c_str(), value.data(), value.size(), 0) != 0) return false;
  }
  // The mode last: changing the owner clears the set-user and set-group bits.
  if (::fchmod(temp, st.st_mode & 07777) != 0 || ::fstat(temp, &now) != 0) return false;
  return now.st_uid == st.st_uid && now.st_gid == st.st_gid &&
         (now.st_mode & 07777) == (st.st_mode & 07777);
}

void SyncFolder(const fs::path& folder) {
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

// The rename path. False when it cannot keep the file what it is (nothing
// has changed then); true when the new content is in place.
bool ReplaceByRename(const fs::path& target, const ContentWriter& content, int original,
                     const struct stat* st, mode_t newMode, FileStamp& stamp) {
  const fs::path folder = FolderOf(target);
  Temporary temp;
  if (!CreateTemporary(folder, target.filename().string(), temp)) return false;
  std::size_t written = 0;
  const fileio::WrittenContent wrote = fileio::WriteContent(
      content,
      [&](std::span<const std::uint8_t> piece) { WriteAll(temp.fd.get(), piece, written); });
  if (st) {
    if (!CopyIdentity(original, *st, temp.fd.get())) return false;
  } else if (::fchmod(temp.fd.get(), newMode) != 0) {
    ThrowIoError(errno);
  }
  if (::fsync(temp.fd.get()) != 0) ThrowIoError(errno);
  struct stat done {};
  if (::fstat(temp.fd.get(), &done) != 0) ThrowIoError(errno);
  temp.fd.close();
  if (::rename(temp.path.c_str(), target.c_str()) != 0) {
    // A sticky folder refuses to replace another user's file.
    if (errno == EACCES || errno == EPERM) return false;
    ThrowIoError(errno);
  }
  temp.path.clear();
  stamp = wrote.stamp(ModifiedNs(done));
  // Make the rename itself durable; the new content is already in place.
  SyncFolder(folder);
  RemoveStaleTemporaries(folder, target.filename().string());
  return true;
}

// The file itself, rewritten and flushed; another save doing the same waits.
void RewriteInPlace(const fs::path& target, const ContentWriter& content, FileStamp& stamp) {
  Fd fd(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) ThrowIoError(errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) ThrowIoError(errno);
  if (!S_ISREG(st.st_mode)) DeniedAccess();
  while (::flock(fd.get(), LOCK_EX) != 0)
    if (errno != EINTR) ThrowIoError(errno);
  std::size_t written = 0;
  fileio::WrittenContent wrote;
  try {
    wrote = fileio::WriteContent(content, [&](std::span<const std::uint8_t> piece) {
      WriteAll(fd.get(), piece, written, 0);
    });
    if (::ftruncate(fd.get(), static_cast<off_t>(written)) != 0) ThrowIoError(errno);
    if (::fsync(fd.get()) != 0) ThrowIoError(errno);
  } catch (const InOutError& e) {
    if (written == 0) throw;
    throw IncompleteSaveError(e.code(), e.message());
  }
  // Writing clears the set-user and set-group bits; the owner may put them back.
  struct stat done {};
  if (::fstat(fd.get(), &done) == 0 && (done.st_mode & 07777) != (st.st_mode & 07777) &&
      ::fchmod(fd.get(), st.st_mode & 07777) == 0)
    ::fstat(fd.get(), &done);
  stamp = wrote.stamp(ModifiedNs(done));
  fd.close();
}

SaveOutcome Save(const fs::path& requested, const ContentWriter& content,
                 const SaveOptions& options, mode_t newMode) {
  const fs::path target = ResolveLinks(requested);
  SaveOutcome outcome;
  Fd original(::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat st {};
  const bool exists = original.get() >= 0;
  if (!exists && errno != ENOENT) ThrowIoError(errno);
  if (exists) {
    if (::fstat(original.get(), &st) != 0) ThrowIoError(errno);
    // What the user may not write is refused, even where a rename could
    // replace it: it is not theirs to change.
    if (!S_ISREG(st.st_mode) || HasNoWritePermission(st) ||
        ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
      DeniedAccess();
  }

  if (options.backup && exists)
    fileio::KeepBackup(requested, target, outcome, [&](const fs::path& backup, auto old) {
      Save(backup, fileio::WholeContent(old), {}, st.st_mode & 0777);
    });

  if (exists) {
    struct stat folder {};
    const bool sticky = ::stat(FolderOf(target).c_str(), &folder) == 0 &&
                        (folder.st_mode & S_ISVTX) && st.st_uid != ::geteuid();
    if (st.st_nlink > 1 || sticky ||
        !ReplaceByRename(target, content, original.get(), &st, 0, outcome.stamp)) {
      RewriteInPlace(target, content, outcome.stamp);
      outcome.inPlace = true;
    }
  } else if (!ReplaceByRename(target, content, -1, nullptr, newMode, outcome.stamp)) {
    DeniedAccess();
  }
  return outcome;
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path, FileAccess access,
                                        FileStamp* stamp) {
  // A pipe blocks its opener until a writer comes: look before opening, and
  // never wait in the open, should the name change hands in between.
  struct stat named {};
  if (::stat(path.c_str(), &named) != 0) ThrowIoError(errno);
  if (!S_ISREG(named.st_mode)) DeniedAccess();
  const int flags = (access == FileAccess::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK;
  Fd fd(::open(path.c_str(), flags));
  if (fd.get() < 0) ThrowIoError(errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) ThrowIoError(errno);
  // A device or a pipe has no fixed size to hold in memory: refuse it as
  // Windows refuses to open such a thing as a file.
  if (!S_ISREG(st.st_mode)) DeniedAccess();
  if (access == FileAccess::ReadWrite && HasNoWritePermission(st)) DeniedAccess();

  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowIoError(errno);
    }
    if (n == 0) break;  // the file shrank meanwhile
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  if (stamp) *stamp = StampOf(st, bytes);
  return bytes;
}

namespace fileio {

bool SizeAndTime(const std::filesystem::path& path, std::uint64_t& size, std::int64_t& modifiedNs) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return false;
    ThrowIoError(errno);
  }
  size = static_cast<std::uint64_t>(st.st_size);
  modifiedNs = ModifiedNs(st);
  return true;
}

}  // namespace fileio

SaveOutcome SaveFile(const std::filesystem::path& path, const ContentWriter& content,
                     const SaveOptions& options) {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return Save(path, content, options, 0666 & ~mask);
}

}  // namespace orrimax
