// What the POSIX and the Windows file layers share, for their own use only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>

#include "FileIO.h"

namespace orrimax::fileio {

// The size of the next write from `written` of `total` bytes: at most a
// chunk, or what the test hook makes of it (0 means the disk is full).
std::size_t NextChunk(std::size_t written, std::size_t total);

// The stamp of bytes read or written, with the file's modification time.
FileStamp StampOf(std::int64_t modifiedNs, std::span<const std::uint8_t> bytes);

// A content given whole.
ContentWriter WholeContent(std::span<const std::uint8_t> bytes);

// What a content's pieces came to: their size and CRC-32, for the stamp of
// the file they were written to.
struct WrittenContent {
  std::uint64_t size = 0;
  std::uint32_t crc = 0xFFFFFFFFu;
  FileStamp stamp(std::int64_t modifiedNs) const { return {size, modifiedNs, ~crc}; }
};

// Gives each piece of `content` to `write`, in order, and counts them.
WrittenContent WriteContent(const ContentWriter& content,
                            const std::function<void(std::span<const std::uint8_t>)>& write);

// Size and modification time of the file at `path`, without its content;
// false when there is no such file. Other failures throw.
bool SizeAndTime(const std::filesystem::path& path, std::uint64_t& size, std::int64_t& modifiedNs);

// Keeps `target` as it is now in NAME.bak beside `requested`, written whole
// by `save`. A failure does not stop the save: it is noted in `outcome`.
void KeepBackup(
    const std::filesystem::path& requested, const std::filesystem::path& target,
    SaveOutcome& outcome,
    const std::function<void(const std::filesystem::path&, std::span<const std::uint8_t>)>& save);

}  // namespace orrimax::fileio
