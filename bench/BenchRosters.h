// Rosters for the benchmarks: generated fictional players with realistic
// values, the same bytes for a size on every run, written to a scratch folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace orrimax::bench {

// The two sizes every figure is measured at: a full league, and the largest
// roster the format can count.
inline constexpr std::uint32_t kLeague = 1500;
inline constexpr std::uint32_t kLargest = 65535;

std::vector<std::uint8_t> MakeRoster(std::uint32_t players);

// A folder removed with everything in it when the object goes.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Writes the roster of `players` players into `folder` (once) and returns its path.
std::filesystem::path RosterFile(const std::filesystem::path& folder, std::uint32_t players);

// Peak and current resident memory of this process, in bytes (VmHWM, VmRSS).
struct Memory {
  std::uint64_t peak = 0;
  std::uint64_t current = 0;
};
Memory ProcessMemory();

}  // namespace orrimax::bench
