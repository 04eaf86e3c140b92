// Small valid rosters for the fuzzers: a few names, then a pool filled with
// characters that no terminator ends, so that the bank stays small and every
// execution stays fast.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DB.h"
#include "Functions.h"
#include "RosterGen.h"

namespace orrimax::fuzz {

inline std::vector<std::uint8_t> SmallPool(const std::vector<std::u16string>& names) {
  std::vector<std::uint8_t> pool = gen::MakePool(names);
  std::size_t used = 0;
  for (const auto& n : names) used += 2 * n.size() + 2;
  for (std::size_t p = used; p + 1 < pool.size(); p += 2) pool[p] = 'A';
  return pool;
}

// The pool offsets of the first `entries` entries of `pool`.
inline std::vector<std::uint32_t> EntryOffsets(const std::vector<std::uint8_t>& pool,
                                               std::size_t entries) {
  std::vector<std::uint32_t> offsets;
  for (const Name& name : ParseNamePool(pool)) {
    if (offsets.size() == entries) break;
    offsets.push_back(name.P);
  }
  return offsets;
}

// A roster of `players` players over the pool `pool`, with record bytes
// taken from `fill` (cycled) and name pointers to the given entry offsets,
// written into `file`, whose room is kept from one execution to the next.
inline void MakeRoster(std::vector<std::uint8_t>& file, std::uint32_t players,
                       const std::vector<std::uint8_t>& pool,
                       const std::vector<std::uint32_t>& offsets, const std::uint8_t* fill,
                       std::size_t fillSize, std::uint32_t poolBase = 0x12345) {
  const std::size_t recordsEnd = kFirstRecordOffset + std::size_t{players} * kRecordSize;
  file.assign(kFirstRecordOffset, 0);
  gen::SetHeaderValues(std::span(file).subspan(kCrcSize), players,
                       static_cast<std::uint32_t>(recordsEnd), poolBase);
  file.resize(recordsEnd);
  for (std::size_t i = 0; i < recordsEnd - kFirstRecordOffset; ++i)
    file[kFirstRecordOffset + i] = fillSize ? fill[i % fillSize] : 0;
  const auto offset = [&](std::uint8_t pick) {
    return offsets.empty() ? 0u : offsets[pick % offsets.size()];
  };
  for (std::uint32_t i = 0; i < players; ++i) {
    std::uint8_t* r = file.data() + kFirstRecordOffset + std::size_t{i} * kRecordSize;
    const std::uint32_t shift = i * static_cast<std::uint32_t>(kRecordSize);
    const std::uint32_t last = i == 0 ? 0 : offset(r[8]);
    const std::uint32_t first = offset(r[9]);
    WriteU32LE(r, poolBase + last - shift);
    WriteU32LE(r + 4, poolBase + first - shift - 4);
  }
  // The loader never checks the CRC: the fuzzers leave it out.
  file.insert(file.end(), pool.begin(), pool.end());
}

inline std::vector<std::uint8_t> MakeRoster(std::uint32_t players,
                                            const std::vector<std::uint8_t>& pool,
                                            const std::vector<std::uint32_t>& offsets,
                                            const std::uint8_t* fill, std::size_t fillSize,
                                            std::uint32_t poolBase = 0x12345) {
  std::vector<std::uint8_t> file;
  MakeRoster(file, players, pool, offsets, fill, fillSize, poolBase);
  return file;
}

}  // namespace orrimax::fuzz
