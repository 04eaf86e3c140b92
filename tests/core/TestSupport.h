// Helpers shared by the core test suites: scratch folders, seeded record
// patterns, an exception catcher that reports messages, and the bit
// ownership of every field column written out independently of the codec.
#pragma once

#include <gtest/gtest.h>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include <array>
#include <atomic>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <ostream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "DB.h"
#include "RosterGen.h"
#include "Text.h"

namespace orrimax::test {

inline int ProcessId() {
#ifdef _WIN32
  return ::_getpid();
#else
  return ::getpid();
#endif
}

// A fresh folder per test, removed with everything in it afterwards.
class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::temp_directory_path() /
            ("orrimax-core-" + std::to_string(ProcessId()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    // Read-only files left by a test must not keep the folder alive.
    for (const auto& e : std::filesystem::recursive_directory_iterator(path_, ec))
      std::filesystem::permissions(e.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  // File names in the folder, for checking that no temporary was left.
  std::set<std::string> Listing() const {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_))
      names.insert(e.path().filename().string());
    return names;
  }

 private:
  std::filesystem::path path_;
};

// Runs `f` and returns the message of the exception of type E it throws;
// anything else is reported in the returned text so the comparison fails
// with a readable diff.
template <typename E, typename F>
std::string MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.what();
  } catch (const std::exception& e) {
    return std::string("<other exception> ") + e.what();
  }
  return "<no exception>";
}

inline std::vector<std::uint8_t> RandomBytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> bytes(n);
  for (auto& b : bytes) b = static_cast<std::uint8_t>(rng());
  return bytes;
}

inline std::vector<std::uint8_t> RandomRecord(std::uint32_t seed) {
  return RandomBytes(kRecordSize, seed);
}

// Bits of one record byte that a column owns.
struct OwnedBits {
  int byte;
  std::uint8_t mask;
};

// The bits each field column (6 to 234) owns, written out byte by byte from
// the layout tables of the record, not derived from the codec's own places.
inline std::vector<OwnedBits> OwnedBitsOf(int column) {
  const auto whole = [](int first, int count) {
    std::vector<OwnedBits> bits;
    for (int b = first; b < first + count; ++b) bits.push_back({b, 0xFF});
    return bits;
  };
  if (column >= 22 && column <= 146) return whole(column + 414, 1);
  if (column >= 149 && column <= 178) return whole(212 + 4 * (column - 149), 4);
  if (column >= 182 && column <= 188) return whole(336 + 4 * (column - 182), 4);
  if (column >= 208 && column <= 213) return whole(132 + 4 * (column - 208), 3);
  if (column >= 224 && column <= 234) return whole(561 + (column - 224), 1);
  switch (column) {
    case 6:
      return {{32, 0xE0}};
    case 7:
      return {{14, 0xFF}};
    case 8:
      return {{17, 0xFF}, {18, 0xFF}};
    case 9:
      return {{30, 0xFF}};
    case 10:
      return {{33, 0xE0}, {34, 0x0F}};
    case 11:
      return {{121, 0xC0}, {122, 0x07}};
    case 12:
      return {{121, 0x07}};
    case 13:
      return {{121, 0x38}};
    case 14:
      return {{207, 0x80}};
    case 15:
      return {{171, 0xC0}};
    case 16:
      return {{28, 0xFF}, {29, 0xFF}};
    case 17:
      return {{159, 0x38}};
    case 18:
      return {{159, 0x40}};
    case 19:
      return {{125, 0x80}, {126, 0x03}};
    case 20:
      return {{124, 0xC0}, {125, 0x01}};
    case 21:
      return {{54, 0xFF}};
    case 147:
      return {{399, 0xFE}};
    case 148:
      return {{400, 0x1F}};
    case 179:
      return {{122, 0x38}};
    case 180:
      return {{169, 0x30}};
    case 181:
      return {{211, 0x80}};
    case 189:
      return {{125, 0x60}};
    case 190:
      return {{404, 0x0F}};
    case 191:
      return {{404, 0xF0}};
    case 192:
      return {{158, 0xC0}, {159, 0x07}};
    case 193:
      return {{160, 0x1F}};
    case 194:
      return {{161, 0x80}, {162, 0x03}};
    case 195:
      return {{412, 0x1C}};
    case 196:
      return {{157, 0xF0}, {158, 0x01}};
    case 197:
      return {{158, 0x3E}};
    case 198:
      return {{160, 0xE0}, {161, 0x03}};
    case 199:
      return {{161, 0x7C}};
    case 200:
      return {{405, 0x07}};
    case 201:
      return {{412, 0xE0}};
    case 202:
      return {{167, 0xF0}};
    case 203:
      return {{405, 0xF8}};
    case 204:
      return {{162, 0xFC}};
    case 205:
      return {{128, 0x80}, {129, 0x03}};
    case 206:
      return {{129, 0x7C}};
    case 207:
      return {{129, 0x80}};
    case 214:
      return {{172, 0x3F}};
    case 215:
      return {{181, 0xFF}};
    case 216:
      return {{207, 0x78}};
    case 217:
      return {{53, 0xC0}};
    case 218:
      return {{397, 0x0E}};
    case 219:
      return {{398, 0x07}};
    case 220:
      return {{68, 0xFF}, {69, 0xFF}};
    case 221:
      return {{120, 0xFF}};
    case 222:
      return {{56, 0xFF}, {57, 0xFF}};
    case 223:
      return {{384, 0xFF}, {385, 0xFF}};
    default:
      return {};
  }
}

// The record mask of one column: 1 bits where the column may write.
inline std::array<std::uint8_t, kRecordSize> MaskOf(int column) {
  std::array<std::uint8_t, kRecordSize> mask{};
  for (const OwnedBits& o : OwnedBitsOf(column)) mask[o.byte] |= o.mask;
  return mask;
}

// The owned bits of a column read as one number, lowest byte and bit first,
// for the fields whose cell shows the stored value as it is.
inline std::uint64_t OwnedValue(int column, const std::vector<std::uint8_t>& record) {
  std::uint64_t value = 0;
  int bit = 0;
  for (const OwnedBits& o : OwnedBitsOf(column))
    for (int k = 0; k < 8; ++k)
      if (o.mask & (1u << k)) value |= std::uint64_t{(record[o.byte] >> k) & 1u} << bit++;
  return value;
}

// Turns the stored values that no cell text carries (byte 17 of the weight,
// ratings 100 to 109 with a fraction, draft years 2000 to 2046 stored as
// 100 to 146, salaries with the top bit set) into values that one does.
inline void MakeEveryValueCarried(std::uint8_t* r) {
  r[17] = (r[18] >= 128 && r[17] != 0) ? 0x80 : 0x00;
  for (int b = 436; b <= 473; ++b)
    if (r[b] >= 226 && r[b] % 3 != 0) r[b] = static_cast<std::uint8_t>(r[b] - r[b] % 3);
  if (r[181] >= 100 && r[181] <= 146) r[181] = static_cast<std::uint8_t>(r[181] - 100);
  for (int k = 0; k < 7; ++k) r[339 + 4 * k] &= 0x7F;
}

// The image an unedited (or edited) loaded roster saves to.
inline std::vector<std::uint8_t> Rebuild(const LoadedRoster& roster) {
  return BuildRosterImage(roster.Document, roster.Table, roster.Names.Data, roster.Names.Length);
}

// A cell text as test names and failure messages show it, escapes included.
inline std::string Show(std::u16string_view text) {
  return ::testing::PrintToString(std::u16string(text));
}

inline std::u16string U16(const std::string& utf8) {
  std::u16string out;
  FromWtf8(utf8, out);
  return out;
}

}  // namespace orrimax::test

namespace orrimax::gen {

inline void PrintTo(const RosterShape& s, std::ostream* os) {
  *os << s.players << " players, middle " << s.middleSize << ", tail " << s.tailSize
      << ", pool base " << s.poolBase << ", seed " << s.seed << ", values "
      << static_cast<int>(s.values);
}

}  // namespace orrimax::gen
