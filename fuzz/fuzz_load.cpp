// Loading and decoding any bytes as a roster, and saving what loaded.
// An input starting with an even byte is a whole file as it stands; one
// starting with an odd byte describes a roster (player count, pointers,
// record bytes, the start of the pool) so that most inputs get past the
// container checks into the name pointers and the field codec.
#include <cstddef>
#include <cstdint>

#include "DB.h"
#include "FuzzRoster.h"

using namespace orrimax;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // Kept from one execution to the next: rosters are larger than the
  // sanitizer allocator keeps at hand, and mapping them afresh each time
  // would cost more than the load.
  static std::vector<std::uint8_t> file;
  static std::vector<std::uint8_t> image;
  if (data[0] % 2 == 0) {
    file.assign(data + 1, data + size);
  } else {
    if (size < 8) return 0;
    const std::uint32_t players = 1 + data[1] % 8;
    static const std::vector<std::uint8_t> pool = fuzz::SmallPool({u"Ab", u"", u"Cd\u011F"});
    // The pointers aim at the entries of the pool before the input changed it.
    static const std::vector<std::uint32_t> offsets = fuzz::EntryOffsets(pool, 3);
    fuzz::MakeRoster(file, players, pool, offsets, data + 8, size - 8, ReadU32LE(data + 3));
    // Some of the input lands in the pool's first bytes, terminators and all.
    const std::size_t poolBytes = std::min<std::size_t>(data[2], size - 8);
    std::copy(data + 8, data + 8 + poolBytes, file.end() - kPoolSize);
    // The pointers of record data[7] % players are taken from the input.
    if (size >= 16) {
      const std::size_t at = kFirstRecordOffset + (data[7] % players) * kRecordSize;
      std::copy(data + 8, data + 16, file.begin() + static_cast<std::ptrdiff_t>(at));
    }
  }
  try {
    const LoadedRoster roster = LoadRosterFromBytes(file);
    BuildRosterImage(roster.Document, roster.Table, roster.Names.Data, roster.Names.Length, image);
  } catch (const RosterError&) {
  }
  return 0;
}
