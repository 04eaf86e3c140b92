#include "RosterGen.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <stdexcept>

#include "DB.h"
#include "DBFields.h"
#include "FileIO.h"
#include "FindCRC.h"
#include "Functions.h"
#include "Text.h"

namespace orrimax::gen {
namespace {

// SplitMix64: the same numbers on every platform for a seed.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in lo .. hi, both included.
  std::int64_t in(std::int64_t lo, std::int64_t hi) {
    return lo + static_cast<std::int64_t>(next() % static_cast<std::uint64_t>(hi - lo + 1));
  }
  std::uint8_t byte() { return static_cast<std::uint8_t>(next()); }
  bool chance(int percent) { return in(1, 100) <= percent; }

 private:
  std::uint64_t state_;
};

constexpr std::array<std::u16string_view, 24> kSyllables = {
    u"ka",  u"ro", u"van", u"del", u"mi", u"tor", u"sa", u"len", u"bri", u"quo", u"ze", u"lan",
    u"dor", u"fi", u"gar", u"nel", u"os", u"pra", u"ru", u"thi", u"ven", u"wel", u"xa", u"yor"};

// A few names carry letters above U+00FF, as real rosters do.
constexpr std::array<std::u16string_view, 6> kAccented = {u"Yiğitmar", u"Kovačen", u"Ğuralt",
                                                          u"Dačivo",   u"Eğrenko", u"Počalin"};

std::u16string MakeName(Rng& rng, int syllables) {
  if (rng.chance(4)) return std::u16string(kAccented[rng.in(0, kAccented.size() - 1)]);
  std::u16string name;
  for (int s = 0; s < syllables; ++s) name += kSyllables[rng.in(0, kSyllables.size() - 1)];
  name[0] = static_cast<char16_t>(name[0] - u'a' + u'A');
  return name;
}

// Fixtures are made of stored values written to the catalogue's places
// directly, not through the codec they are used to test.
void Store(std::uint8_t* record, int column, std::int64_t stored) {
  WritePlace(kColumns[static_cast<std::size_t>(column)].place, record,
             static_cast<std::uint32_t>(stored));
}

// What the game stores for a weight in pounds: the byte 18 holds it less
// 128 below 256, then in two-pound steps, with byte 17 saying it is odd.
std::int64_t StoredWeight(std::int64_t pounds) {
  const std::int64_t u = pounds - 128;
  if (u < 128) return u << 8;
  return (((u - 128) / 2 + 128) << 8) | ((u - 128) % 2 != 0 ? 128 : 0);
}

// Plausible values, as their stored forms.
void MakeRealistic(std::uint8_t* r, Rng& rng) {
  Store(r, 6, rng.in(0, 4));
  Store(r, 7, rng.in(180, 226) - 128);  // height in centimetres
  Store(r, 8, StoredWeight(rng.in(165, 300)));
  Store(r, 9, 217 - rng.in(19, 38));  // age
  // Jersey number; the game stores 100 for "00".
  if (rng.chance(3))
    Store(r, 10, 100);
  else
    Store(r, 10, rng.in(0, 99));
  Store(r, 11, rng.in(0, 18));
  Store(r, 12, rng.in(0, 4));
  Store(r, 13, rng.in(0, 4));
  Store(r, 14, rng.chance(85) ? 1 : 0);
  for (int c = 15; c <= 20; ++c) Store(r, c, rng.in(0, c == 16 ? 0 : 3));
  Store(r, 16, rng.in(1000, 4999));
  Store(r, 21, rng.in(0, 40));
  // Skills: bytes whose rating texts carry them exactly.
  for (int c = 22; c <= 59; ++c) Store(r, c, rng.in(45, 222));
  for (int c = 60; c <= 121; ++c) Store(r, c, rng.in(0, 100));
  for (int c = 122; c <= 146; ++c) Store(r, c, rng.in(0, 3));
  Store(r, 147, rng.in(0, 60));
  Store(r, 148, rng.in(0, 25));
  for (int k = 0; k < 120; ++k) r[212 + k] = rng.byte();  // animation codes
  const int years = static_cast<int>(rng.in(1, 7));
  Store(r, 179, rng.in(0, 5));
  Store(r, 180, rng.in(0, 3));
  Store(r, 181, rng.chance(10) ? 1 : 0);
  std::int64_t salary = rng.in(500, 25000) * 1000;
  for (int k = 0; k < 7; ++k) {
    Store(r, kFirstSalaryColumn + k, k < years ? salary : 0);
    salary = salary * 105 / 100;
  }
  for (int c = 189; c <= 207; ++c) Store(r, c, rng.in(0, 3));
  for (int c = 208; c <= 213; ++c) Store(r, c, static_cast<std::int64_t>(rng.next() & 0xFFFFFF));
  Store(r, 214, rng.in(1, 60));
  const std::int64_t draftYear = rng.in(1990, 2009);  // 1947 on: year - 1900; 2000 on: - 2000
  Store(r, 215, draftYear < 2000 ? draftYear - 1900 : draftYear - 2000);
  Store(r, 216, rng.in(1, 2));
  Store(r, 217, rng.in(0, 3));
  Store(r, 218, rng.in(0, 7));
  Store(r, 219, rng.in(0, 7));
  Store(r, 220, rng.chance(10) ? rng.in(1, 60) : 0);
  Store(r, 221, rng.chance(10) ? rng.in(1, 30) : 0);
  Store(r, 222, rng.in(0, 65535));
  Store(r, 223, rng.in(0, 65535));
  // Body tweaks, signed; chest size and prostruction are shown negated.
  for (int c = 224; c <= 234; ++c) {
    const std::int64_t tweak = rng.in(-10, 10);
    Store(r, c, c == 229 || c == 230 ? -tweak : tweak);
  }
}

// Random bytes, nudged where a stored value has no exact text.
void MakeRoundTrip(std::uint8_t* r) {
  // Weight: byte 17 keeps only whether it is zero, and only from b18 = 128 up.
  r[17] = r[18] < 128 ? 0 : (r[17] & 0x80);
  // Ratings 100 to 109 show no fraction digit.
  for (int b = 436; b <= 473; ++b)
    if (r[b] >= 226 && (r[b] + 75) % 3 != 0)
      r[b] = static_cast<std::uint8_t>(r[b] - (r[b] + 75) % 3);
  // Draft years 2000 to 2046 are written back as bytes 0 to 46.
  if (r[181] >= 100 && r[181] <= 146) r[181] = static_cast<std::uint8_t>(r[181] - 100);
  // A salary with its top bit set cannot be saved.
  for (int k = 0; k < 7; ++k) r[339 + 4 * k] &= 0x7F;
}

}  // namespace

void SetHeaderValues(std::span<std::uint8_t> header, std::uint32_t players,
                     std::uint32_t poolFileOffset, std::uint32_t poolBase) {
  WriteU32LE(header.data() + kPlayerCountOffset, players);
  WriteU32LE(header.data() + kPoolOffsetOffset, poolFileOffset - kPoolOffsetBias);
  WriteU32LE(header.data() + kPoolBaseOffset, poolBase + kPoolBaseBias);
}

std::vector<std::uint8_t> MakePool(const std::vector<std::u16string>& texts) {
  std::vector<std::uint8_t> pool(kPoolSize, 0);
  std::size_t p = 0;
  for (const auto& text : texts) {
    if (p + 2 * text.size() + 2 > kPoolSize) throw std::length_error("names overflow the pool");
    for (char16_t c : text) {
      pool[p++] = static_cast<std::uint8_t>(c);
      pool[p++] = static_cast<std::uint8_t>(c >> 8);
    }
    p += 2;
  }
  return pool;
}

std::vector<std::uint8_t> AssembleRoster(const RosterParts& parts) {
  std::vector<std::uint8_t> file(4);
  for (const auto* block : {&parts.header, &parts.records, &parts.middle, &parts.pool, &parts.tail})
    file.insert(file.end(), block->begin(), block->end());
  WriteU32LE(file.data(), Crc32(std::span(file).subspan(4)));
  return file;
}

GeneratedRoster GenerateRoster(const RosterShape& shape) {
  if (shape.players == 0) throw std::invalid_argument("a roster has at least one player");
  Rng rng(shape.seed);
  GeneratedRoster out;

  // Name entries: last names, first names and a few empty entries, shuffled;
  // players share names in large rosters, as the pool holds about 7000.
  const std::size_t lastCount = std::min<std::size_t>(shape.players, 3500);
  const std::size_t firstCount = std::min<std::size_t>(shape.players, 400);
  std::vector<std::u16string> lasts, firsts;
  for (std::size_t k = 0; k < lastCount; ++k)
    lasts.push_back(MakeName(rng, static_cast<int>(rng.in(2, 4))));
  for (std::size_t k = 0; k < firstCount; ++k)
    firsts.push_back(MakeName(rng, static_cast<int>(rng.in(1, 3))));
  std::vector<std::uint32_t> lastEntry(lastCount), firstEntry(firstCount);
  std::size_t li = 0, fi = 0;
  while (li < lastCount || fi < firstCount) {
    if (!out.names.empty() && rng.chance(3)) out.names.emplace_back();  // an empty entry
    const bool takeLast =
        li < lastCount && (fi >= firstCount || out.names.empty() || rng.chance(60));
    if (takeLast) {
      lastEntry[li] = static_cast<std::uint32_t>(out.names.size());
      out.names.push_back(lasts[li++]);
    } else {
      firstEntry[fi] = static_cast<std::uint32_t>(out.names.size());
      out.names.push_back(firsts[fi++]);
    }
  }
  std::vector<std::uint8_t> pool = MakePool(out.names);
  std::vector<std::uint32_t> offsets;
  std::uint32_t p = 0;
  for (const auto& name : out.names) {
    offsets.push_back(p);
    p += static_cast<std::uint32_t>(2 * name.size() + 2);
  }
  // The rest of the pool is zeros (empty entries), ending in characters
  // that no terminator follows.
  for (std::uint32_t k = 0; k < shape.unterminatedUnits; ++k) {
    pool[kPoolSize - 2 - 2 * k] = static_cast<std::uint8_t>(u'a' + k % 26);
    pool[kPoolSize - 1 - 2 * k] = 0;
  }
  out.entryCount = static_cast<std::uint32_t>(ParseNamePool(pool).size());

  RosterParts parts;
  parts.header.resize(kHeaderSize);
  for (auto& b : parts.header) b = rng.byte();
  parts.middle.resize(shape.middleSize);
  for (auto& b : parts.middle) b = rng.byte();
  parts.tail.resize(shape.tailSize);
  for (auto& b : parts.tail) b = rng.byte();
  const std::uint32_t poolStart = static_cast<std::uint32_t>(
      kFirstRecordOffset + shape.players * kRecordSize + shape.middleSize);
  SetHeaderValues(parts.header, shape.players, poolStart, shape.poolBase);

  parts.records.resize(std::size_t{shape.players} * kRecordSize);
  for (std::uint32_t i = 0; i < shape.players; ++i) {
    std::uint8_t* r = parts.records.data() + std::size_t{i} * kRecordSize;
    for (std::size_t b = 0; b < kRecordSize; ++b) r[b] = rng.byte();
    if (shape.values == FieldValues::Realistic) MakeRealistic(r, rng);
    if (shape.values != FieldValues::Random) MakeRoundTrip(r);
    // Player 0's last name is entry 0, the point every pointer is measured from.
    const std::uint32_t last = i == 0 ? 0 : lastEntry[rng.in(0, lastCount - 1)];
    const std::uint32_t first = firstEntry[rng.in(0, firstCount - 1)];
    out.lastName.push_back(last);
    out.firstName.push_back(first);
    const std::uint32_t shift = i * static_cast<std::uint32_t>(kRecordSize);
    WriteU32LE(r, shape.poolBase + offsets[last] - shift);
    WriteU32LE(r + 4, shape.poolBase + offsets[first] - shift - 4);
  }
  parts.pool = std::move(pool);
  out.file = AssembleRoster(parts);
  return out;
}

GeneratedRoster RosterWithNames(const std::vector<std::u16string>& names,
                                const std::vector<std::pair<std::uint32_t, std::uint32_t>>& players,
                                std::uint64_t seed) {
  RosterShape shape;
  shape.players = static_cast<std::uint32_t>(players.size());
  shape.seed = seed;
  shape.unterminatedUnits = 0;
  GeneratedRoster out = GenerateRoster(shape);
  RosterDocument doc = ReadRosterDocument(out.file);
  const std::vector<std::uint8_t> pool = MakePool(names);
  std::vector<std::uint32_t> offsets;
  std::uint32_t p = 0;
  for (const auto& name : names) {
    offsets.push_back(p);
    p += static_cast<std::uint32_t>(2 * name.size() + 2);
  }
  for (std::size_t i = 0; i < players.size(); ++i) {
    std::uint8_t* r = doc.Players.data() + i * kRecordSize;
    const std::uint32_t shift = static_cast<std::uint32_t>(i * kRecordSize);
    WriteU32LE(r, doc.PoolBase + offsets.at(players[i].first) - shift);
    WriteU32LE(r + 4, doc.PoolBase + offsets.at(players[i].second) - shift - 4);
  }
  out.file = AssembleRoster({doc.Header, doc.Players, doc.MiddleBlock, pool, doc.Tail});
  out.names = names;
  out.lastName.clear();
  out.firstName.clear();
  for (const auto& [last, first] : players) {
    out.lastName.push_back(last);
    out.firstName.push_back(first);
  }
  out.entryCount = static_cast<std::uint32_t>(ParseNamePool(pool).size());
  return out;
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + Utf8Of(path));
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

}  // namespace orrimax::gen
