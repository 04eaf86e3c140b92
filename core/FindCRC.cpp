#include "FindCRC.h"

#include <array>

#include "Functions.h"

namespace orrimax {
namespace {

// Slicing by eight: table k gives the CRC of a byte followed by k zero
// bytes, so eight bytes fold in with eight lookups and no chain between
// them. A large roster's save runs through several megabytes.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
  Tables tables{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    tables[0][n] = c;
  }
  for (std::size_t k = 1; k < 8; ++k)
    for (std::size_t n = 0; n < 256; ++n)
      tables[k][n] = tables[0][tables[k - 1][n] & 0xFF] ^ (tables[k - 1][n] >> 8);
  return tables;
}

constexpr Tables kTables = MakeTables();

}  // namespace

std::uint32_t Crc32Update(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc) {
  const auto& t = kTables;
  for (; count >= 8; bytes += 8, count -= 8) {
    const std::uint32_t low = crc ^ ReadU32LE(bytes);
    const std::uint32_t high = ReadU32LE(bytes + 4);
    crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
          t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^
          t[0][high >> 24];
  }
  for (; count > 0; ++bytes, --count) crc = t[0][(crc ^ *bytes) & 0xFF] ^ (crc >> 8);
  return crc;
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
  return ~Crc32Update(bytes.data(), bytes.size(), 0xFFFFFFFFu);
}

}  // namespace orrimax
