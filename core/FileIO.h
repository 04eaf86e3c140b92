// Whole-file reads, and saves that keep both the bytes and the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orrimax {

// A path from UTF-8 text (command lines, messages), and back: on Windows a
// plain std::string would be taken in the ANSI code page.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8Of(const std::filesystem::path& path);

enum class FileAccess { ReadOnly, ReadWrite };

// What a file on disk was when it was read or written: enough to tell that
// another program has changed it since.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;  // modification time, nanoseconds since the epoch
  std::uint32_t crc = 0;        // CRC-32 of every byte
  bool operator==(const FileStamp&) const = default;
};

// Reads a regular file whole. With ReadWrite the file must also be writable
// (a file without any write permission counts as read-only even for root, as
// the read-only attribute does on Windows): otherwise "File access denied".
// A device or a pipe is refused before it is opened.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path,
                                        FileAccess access = FileAccess::ReadOnly,
                                        FileStamp* stamp = nullptr);

enum class DiskChange { None, Changed, Deleted };

// Whether the file at `path` is still the one `expected` describes: same
// size, modification time and content.
DiskChange CompareWithDisk(const std::filesystem::path& path, const FileStamp& expected);

struct SaveOptions {
  // First keep the file as it is on disk in NAME.bak beside it.
  bool backup = false;
};

struct SaveOutcome {
  FileStamp stamp;               // of the file as written
  bool inPlace = false;          // the file itself was rewritten, not replaced
  std::filesystem::path backup;  // NAME.bak when one was asked for
  std::string backupProblem;     // why it could not be kept; empty when it was
};

// The backup beside a file: NAME.bak.
std::filesystem::path BackupPathOf(const std::filesystem::path& path);
// Whether that backup is there (it is always whole: it is written by rename).
bool BackupExists(const std::filesystem::path& path);

// Replaces the file's content by `bytes`, keeping the file what it is: its
// hard links, owner, group, mode, ACL and extended attributes, and a symbolic
// link to it. Normally the bytes go to a locked temporary file beside it,
// are flushed, and the temporary replaces the file by rename, so that the
// file is always the old content or the new. Where a rename would lose
// something of the file (more than one link, an attribute that cannot be
// copied, an owner or group the user cannot give, a folder the user may not
// write, a sticky folder), the file is rewritten in place after the backup
// is safe. A file the user may not write is refused ("File access denied"),
// on Windows also one with the read-only attribute. On failure the error is
// thrown and the temporary removed; a failure while rewriting in place is
// an IncompleteSaveError.
SaveOutcome SaveFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                     const SaveOptions& options = {});

// Content given piece by piece, for a file too large to hold twice: the
// writer calls `put` with each piece in order. It may be called more than
// once (a save that falls back to rewriting in place writes it again), and
// must give the same bytes each time.
using ContentSink = std::function<void(std::span<const std::uint8_t>)>;
using ContentWriter = std::function<void(const ContentSink& put)>;
SaveOutcome SaveFile(const std::filesystem::path& path, const ContentWriter& content,
                     const SaveOptions& options = {});

// Test seam: called before each chunk is written, with the number of bytes
// written so far and the chunk's size; it may throw or return a smaller size
// to simulate a short write. Empty in normal use.
using WriteFaultHook = std::function<std::size_t(std::size_t written, std::size_t chunk)>;
void SetWriteFaultHookForTesting(WriteFaultHook hook);

}  // namespace orrimax
