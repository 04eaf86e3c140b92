// Generated rosters of fictional players: valid containers with a real name
// pool and pointers to its entries, for tests, benchmarks and demos.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace orrimax::gen {

enum class FieldValues {
  Realistic,  // plausible ratings, heights, salaries...; every value round-trips
  RoundTrip,  // random bytes, except the few stored values no text carries
  Random,     // every record byte random
};

struct RosterShape {
  std::uint32_t players = 40;
  std::uint32_t middleSize = 3000;
  std::uint32_t tailSize = 777;
  std::uint32_t poolBase = 0x0123ABC0;
  std::uint64_t seed = 1;
  FieldValues values = FieldValues::RoundTrip;
  // Characters at the pool's end with no terminator (kept by every save).
  std::uint32_t unterminatedUnits = 5;
};

struct GeneratedRoster {
  std::vector<std::uint8_t> file;                  // the whole roster file, CRC correct
  std::vector<std::u16string> names;               // the entries written into the pool, in order
  std::vector<std::uint32_t> lastName, firstName;  // entry numbers per player
  std::uint32_t entryCount = 0;  // entries the pool parses into (names + empty rest)
};

GeneratedRoster GenerateRoster(const RosterShape& shape);

// A small roster whose pool holds exactly `names` (then zeros) and whose
// players refer to the given (last, first) entry numbers; player 0's last
// name must be entry 0. Field bytes come from `seed`, round-trip safe.
GeneratedRoster RosterWithNames(const std::vector<std::u16string>& names,
                                const std::vector<std::pair<std::uint32_t, std::uint32_t>>& players,
                                std::uint64_t seed = 1);

// Raw blocks to a file image: CRC (correct unless told), then the blocks.
struct RosterParts {
  std::vector<std::uint8_t> header;  // 20504 bytes
  std::vector<std::uint8_t> records;
  std::vector<std::uint8_t> middle;
  std::vector<std::uint8_t> pool;
  std::vector<std::uint8_t> tail;
};
std::vector<std::uint8_t> AssembleRoster(const RosterParts& parts);

// Header offsets of the three values the loader reads.
void SetHeaderValues(std::span<std::uint8_t> header, std::uint32_t players,
                     std::uint32_t poolFileOffset, std::uint32_t poolBase);

// A pool holding `texts` back to back, each terminated, zeros after them.
std::vector<std::uint8_t> MakePool(const std::vector<std::u16string>& texts);

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);

}  // namespace orrimax::gen
