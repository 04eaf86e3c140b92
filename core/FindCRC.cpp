#include "FindCRC.h"

#include <array>

#include "FileIO.h"

namespace orrimax {
namespace {

constexpr std::array<std::uint32_t, 256> MakeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr auto kTable = MakeTable();

}  // namespace

std::uint32_t Crc32Update(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc) {
  for (std::size_t i = 0; i < count; ++i) crc = kTable[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
  return ~Crc32Update(bytes.data(), bytes.size(), 0xFFFFFFFFu);
}

std::uint32_t FileCrc32(const std::filesystem::path& path) {
  return Crc32(ReadWholeFile(path));
}

}  // namespace orrimax
