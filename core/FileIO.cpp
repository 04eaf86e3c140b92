#include "FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <system_error>

#include "Errors.h"

namespace orrimax {

void ThrowIoError(int err) {
  switch (err) {
    case ENOENT:
      throw InOutError(err, "File not found");
    case ENOTDIR:
    case ENAMETOOLONG:
      throw InOutError(err, "Path not found");
    case EMFILE:
    case ENFILE:
      throw InOutError(err, "Too many open files");
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      throw InOutError(err, kFileAccessDenied);
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      throw InOutError(err, "Disk full");
    default:
      throw InOutError(err, "I/O error " + std::to_string(err));
  }
}

namespace {

WriteFaultHook& FaultHook() {
  static WriteFaultHook hook;
  return hook;
}

// Closes a descriptor when the scope ends, whatever happens.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  // Closes now and reports a failure of the close itself (a late write error).
  void close() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) ThrowIoError(errno);
  }

 private:
  int fd_;
};

bool HasNoWritePermission(const struct stat& st) {
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

void WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kChunk = 1 << 20;
  std::size_t written = 0;
  while (written < size) {
    std::size_t chunk = std::min(kChunk, size - written);
    if (FaultHook()) chunk = FaultHook()(written, chunk);
    if (chunk == 0) ThrowIoError(ENOSPC);
    const ssize_t n = ::write(fd, data + written, chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowIoError(errno);
    }
    if (n == 0) ThrowIoError(ENOSPC);
    written += static_cast<std::size_t>(n);
  }
}

// A save that was killed part-way leaves its temporary behind; the next
// successful save of the same file clears them away.
void RemoveStaleTemporaries(const std::filesystem::path& folder, const std::string& name) {
  const std::string prefix = "." + name + ".orrimax-";
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string file = entry.path().filename().string();
    if (file.size() == prefix.size() + 6 && file.starts_with(prefix))
      std::filesystem::remove(entry.path(), ec);
  }
}

}  // namespace

void SetWriteFaultHookForTesting(WriteFaultHook hook) {
  FaultHook() = std::move(hook);
}

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path, FileAccess access) {
  // A pipe blocks its opener until a writer comes: look before opening, and
  // never wait in the open, should the name change hands in between.
  struct stat named {};
  if (::stat(path.c_str(), &named) != 0) ThrowIoError(errno);
  if (!S_ISREG(named.st_mode)) throw InOutError(EACCES, kFileAccessDenied);
  const int flags = (access == FileAccess::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK;
  Fd fd(::open(path.c_str(), flags));
  if (fd.get() < 0) ThrowIoError(errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) ThrowIoError(errno);
  // A device or a pipe has no fixed size to hold in memory: refuse it as
  // Windows refuses to open such a thing as a file.
  if (!S_ISREG(st.st_mode)) throw InOutError(EACCES, kFileAccessDenied);
  if (access == FileAccess::ReadWrite && HasNoWritePermission(st))
    throw InOutError(EACCES, kFileAccessDenied);

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
  return bytes;
}

void WriteFileAtomically(const std::filesystem::path& requested,
                         std::span<const std::uint8_t> bytes) {
  // Write beside the real file, not beside a symbolic link to it.
  std::error_code ec;
  std::filesystem::path path = std::filesystem::weakly_canonical(requested, ec);
  if (ec) path = requested;

  struct stat original {};
  const bool exists = ::stat(path.c_str(), &original) == 0;
  if (exists && (!S_ISREG(original.st_mode) || HasNoWritePermission(original)))
    throw InOutError(EACCES, kFileAccessDenied);

  std::filesystem::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  std::string name = ".";
  name += path.filename().string();
  name += ".orrimax-XXXXXX";
  std::string temp = (folder / name).string();
  Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (fd.get() < 0) ThrowIoError(errno);
  try {
    if (exists) {
      if (::fchmod(fd.get(), original.st_mode & 07777) != 0) ThrowIoError(errno);
      // Keep the owner where we may; an ordinary user cannot, and needs not.
      [[maybe_unused]] const int ignored = ::fchown(fd.get(), original.st_uid, original.st_gid);
    } else {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      ::fchmod(fd.get(), 0666 & ~mask);
    }
    WriteAll(fd.get(), bytes.data(), bytes.size());
    if (::fsync(fd.get()) != 0) ThrowIoError(errno);
    fd.close();
    if (::rename(temp.c_str(), path.c_str()) != 0) ThrowIoError(errno);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  // Make the rename itself durable; the new content is already in place.
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  RemoveStaleTemporaries(folder, path.filename().string());
}

}  // namespace orrimax
