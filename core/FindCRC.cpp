#include "FindCRC.h"

#include <array>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define ORRIMAX_CRC_CLMUL 1
#endif

#include "Functions.h"

namespace orrimax {
namespace {

// Slicing by eight, for short runs and machines without carry-less
// multiplication: table k gives the CRC of a byte followed by k zero
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

namespace {

std::uint32_t TableUpdate(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc) {
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

#ifdef ORRIMAX_CRC_CLMUL
// Carry-less multiplication folds 64 bytes per step, in four lanes, then
// one lane, and reduces the rest to 32 bits (Barrett); the constants are
// powers of x modulo the polynomial. `count` is a multiple of 16, at least 64.
#define ORRIMAX_CLMUL __attribute__((target("pclmul,sse4.1")))

ORRIMAX_CLMUL inline __m128i Load(const std::uint8_t* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// x times the two powers in k, added to the next 16 bytes.
ORRIMAX_CLMUL inline __m128i Fold(__m128i x, __m128i k, __m128i next) {
  return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x11), next),
                       _mm_clmulepi64_si128(x, k, 0x00));
}

ORRIMAX_CLMUL std::uint32_t ClmulUpdate(const std::uint8_t* bytes, std::size_t count,
                                        std::uint32_t crc) {
  __m128i x1 = _mm_xor_si128(Load(bytes), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x2 = Load(bytes + 16);
  __m128i x3 = Load(bytes + 32);
  __m128i x4 = Load(bytes + 48);
  bytes += 64;
  count -= 64;
  const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
  for (; count >= 64; bytes += 64, count -= 64) {
    x1 = Fold(x1, k1k2, Load(bytes));
    x2 = Fold(x2, k1k2, Load(bytes + 16));
    x3 = Fold(x3, k1k2, Load(bytes + 32));
    x4 = Fold(x4, k1k2, Load(bytes + 48));
  }
  const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
  x1 = Fold(x1, k3k4, x2);
  x1 = Fold(x1, k3k4, x3);
  x1 = Fold(x1, k3k4, x4);
  for (; count >= 16; bytes += 16, count -= 16) x1 = Fold(x1, k3k4, Load(bytes));

  // 128 bits to 64, then to 32.
  const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
  x2 = _mm_clmulepi64_si128(x1, k3k4, 0x10);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
  const __m128i k5 = _mm_set_epi64x(0, 0x0163cd6124);
  x2 = _mm_srli_si128(x1, 4);
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00), x2);
  const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);
  x2 = _mm_clmulepi64_si128(_mm_and_si128(x1, low32), poly, 0x10);
  x2 = _mm_clmulepi64_si128(_mm_and_si128(x2, low32), poly, 0x00);
  return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, x2), 1));
}

bool HasClmul() {
  static const bool has = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
  return has;
}
#endif

}  // namespace

std::uint32_t Crc32Update(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc) {
#ifdef ORRIMAX_CRC_CLMUL
  if (count >= 64 && HasClmul()) {
    const std::size_t folded = count & ~std::size_t{15};
    crc = ClmulUpdate(bytes, folded, crc);
    bytes += folded;
    count -= folded;
  }
#endif
  return TableUpdate(bytes, count, crc);
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
  return ~Crc32Update(bytes.data(), bytes.size(), 0xFFFFFFFFu);
}

}  // namespace orrimax
