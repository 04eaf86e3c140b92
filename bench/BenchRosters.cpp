#include "BenchRosters.h"

#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

#include "RosterGen.h"

namespace orrimax::bench {

std::vector<std::uint8_t> MakeRoster(std::uint32_t players) {
  gen::RosterShape wanted;
  wanted.players = players;
  wanted.values = gen::FieldValues::Realistic;
  wanted.seed = 2010;
  return gen::GenerateRoster(wanted).file;
}

ScratchFolder::ScratchFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "orrimax-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr)
    throw std::system_error(errno, std::generic_category(), "mkdtemp");
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path RosterFile(const std::filesystem::path& folder, std::uint32_t players) {
  const std::filesystem::path path = folder / ("Roster" + std::to_string(players) + ".ROS");
  if (!std::filesystem::exists(path)) gen::WriteBytes(path, MakeRoster(players));
  return path;
}

Memory ProcessMemory() {
  Memory m;
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    std::uint64_t kilobytes = 0;
    if (key == "VmHWM:" && status >> kilobytes) m.peak = kilobytes * 1024;
    if (key == "VmRSS:" && status >> kilobytes) m.current = kilobytes * 1024;
    status.ignore(1 << 20, '\n');
  }
  return m;
}

}  // namespace orrimax::bench
