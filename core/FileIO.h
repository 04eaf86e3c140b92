// Whole-file reads and crash-safe whole-file writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <vector>

namespace orrimax {

enum class FileAccess { ReadOnly, ReadWrite };

// Reads a regular file whole. With ReadWrite the file must also be writable
// (a file without any write permission counts as read-only even for root, as
// the read-only attribute does on Windows): otherwise "File access denied".
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path,
                                        FileAccess access = FileAccess::ReadOnly);

// Replaces the file's content by `bytes` so that the file on disk is always
// either the old content or the new one: the bytes go to a temporary file in
// the same folder, are flushed, and the temporary replaces the file by rename.
// On failure the temporary is removed and the error is thrown.
void WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Test seam: called before each chunk is written to the temporary file, with
// the number of bytes written so far and the chunk's size; it may throw or
// return a smaller size to simulate a short write. Empty in normal use.
using WriteFaultHook = std::function<std::size_t(std::size_t written, std::size_t chunk)>;
void SetWriteFaultHookForTesting(WriteFaultHook hook);

}  // namespace orrimax
