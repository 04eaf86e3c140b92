// CRC-32 of ISO 3309 / IEEE 802.3 (reflected, polynomial EDB88320).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace orrimax {

// Folds `count` bytes into the running value `crc` (no pre- or post-inversion).
std::uint32_t Crc32Update(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc);

// The finished CRC-32 of a buffer: starts from FFFFFFFF, complemented at the end.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes);

}  // namespace orrimax
