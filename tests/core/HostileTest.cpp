// Hostile and damaged roster files: each gets its exact message, and none
// makes the loader allocate much beyond the file it was given. This suite
// is its own program because it replaces the global allocator to measure.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "DB.h"
#include "Functions.h"
#include "RosterGen.h"

namespace {

std::atomic<std::size_t> gLive{0};
std::atomic<std::size_t> gPeak{0};

void* Allocate(std::size_t size) {
  // A size header in front of each block keeps the live total exact.
  void* block = std::malloc(size + 16);
  if (!block) throw std::bad_alloc();
  *static_cast<std::size_t*>(block) = size;
  const std::size_t live = gLive += size;
  for (std::size_t peak = gPeak; live > peak && !gPeak.compare_exchange_weak(peak, live);) {
  }
  return static_cast<char*>(block) + 16;
}

void Release(void* p) {
  if (!p) return;
  void* block = static_cast<char*>(p) - 16;
  gLive -= *static_cast<std::size_t*>(block);
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
void operator delete(void* p) noexcept {
  Release(p);
}
void operator delete[](void* p) noexcept {
  Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
  Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  Release(p);
}

namespace orrimax {
namespace {

struct Hostile {
  std::string name;
  std::vector<std::uint8_t> file;
  std::string message;  // empty: the file must load
};

void PrintTo(const Hostile& h, std::ostream* os) {
  *os << h.name;
}

// A valid roster of `players` players to damage.
std::vector<std::uint8_t> Valid(std::uint32_t players = 20, std::uint32_t middle = 300,
                                std::uint32_t tail = 200) {
  gen::RosterShape shape;
  shape.players = players;
  shape.middleSize = middle;
  shape.tailSize = tail;
  return gen::GenerateRoster(shape).file;
}

std::vector<std::uint8_t> WithHeaderValue(std::vector<std::uint8_t> file, std::size_t headerOffset,
                                          std::uint32_t value) {
  WriteU32LE(file.data() + kCrcSize + headerOffset, value);
  return file;
}

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> file, std::size_t size) {
  file.resize(size);
  return file;
}

std::vector<Hostile> Cases() {
  const std::vector<std::uint8_t> valid = Valid();
  const std::size_t records = kFirstRecordOffset + 20 * kRecordSize;
  const std::size_t pool = records + 300;
  const std::size_t tail = pool + kPoolSize;
  const std::string beyond = "Read beyond end of file";
  std::vector<Hostile> cases = {
      {"Empty", {}, beyond},
      {"ThreeBytes", Cut(valid, 3), beyond},
      {"FourBytes", Cut(valid, 4), beyond},
      {"HeaderLessOne", Cut(valid, kFirstRecordOffset - 1), beyond},
      {"HeaderOnly", Cut(valid, kFirstRecordOffset), beyond},
      {"InsideFirstRecord", Cut(valid, kFirstRecordOffset + 100), beyond},
      {"RecordsLessOne", Cut(valid, records - 1), beyond},
      {"RecordsOnly", Cut(valid, records), beyond},
      {"InsideMiddle", Cut(valid, records + 150), beyond},
      {"MiddleOnly", Cut(valid, pool), beyond},
      {"InsidePool", Cut(valid, pool + kPoolSize / 2), beyond},
      {"PoolLessOne", Cut(valid, tail - 1), beyond},
      {"TailEmpty", Cut(valid, tail), ""},
      {"InsideTail", Cut(valid, tail + 50), ""},
      {"NoPlayers", WithHeaderValue(valid, kPlayerCountOffset, 0),
       "The roster's header gives 0 players"},
      {"TooManyPlayers", WithHeaderValue(valid, kPlayerCountOffset, 65536),
       "The roster's header gives 65536 players"},
      {"AllOnesPlayers", WithHeaderValue(valid, kPlayerCountOffset, 0xFFFFFFFF),
       "The roster's header gives 4294967295 players"},
      {"MostPlayersForTheFile", WithHeaderValue(valid, kPlayerCountOffset, 65535), beyond},
      {"PoolAtFirstRecord",
       WithHeaderValue(valid, kPoolOffsetOffset,
                       static_cast<std::uint32_t>(kFirstRecordOffset) - 64479),
       "Range check error"},
      {"PoolInsideRecords",
       WithHeaderValue(valid, kPoolOffsetOffset, std::uint32_t(records - 1 - 64479)),
       "Range check error"},
      {"PoolBeyondFile",
       WithHeaderValue(valid, kPoolOffsetOffset, static_cast<std::uint32_t>(valid.size())), beyond},
      {"PoolOffsetWrapsToFileStart",
       WithHeaderValue(valid, kPoolOffsetOffset, 0xFFFFFFFF - 64479 + 100), "Range check error"},
      {"PoolOffsetWrapsBeyondFile", WithHeaderValue(valid, kPoolOffsetOffset, 0xFFFFFFFF), beyond},
      {"PoolOffsetHighest", WithHeaderValue(valid, kPoolOffsetOffset, 0xFFFFFFFF - 64479), beyond},
  };
  for (std::uint32_t base : {0u, 1u, 20019u, 20020u, 0x7FFFFFFFu, 0xFFFFFFFFu})
    cases.push_back(
        {"AnyPoolBase" + std::to_string(base), WithHeaderValue(valid, kPoolBaseOffset, base), ""});

  // A pool without a single terminator holds no entry at all.
  std::vector<std::uint8_t> unterminated = valid;
  std::fill(unterminated.begin() + static_cast<std::ptrdiff_t>(pool),
            unterminated.begin() + static_cast<std::ptrdiff_t>(tail), 0x41);
  cases.push_back({"PoolWithoutTerminator", unterminated,
                   "Player record 0: its last name pointer leads to pool offset 0, where no name"});
  // A last-name pointer one byte off its entry.
  std::vector<std::uint8_t> offByOne = valid;
  WriteU32LE(offByOne.data() + kFirstRecordOffset + 3 * kRecordSize,
             ReadU32LE(offByOne.data() + kFirstRecordOffset + 3 * kRecordSize) + 1);
  cases.push_back({"PointerOneByteOff", offByOne, "Player record 3: its last name pointer"});
  std::vector<std::uint8_t> firstOff = valid;
  WriteU32LE(firstOff.data() + kFirstRecordOffset + 7 * kRecordSize + 4,
             ReadU32LE(firstOff.data() + kFirstRecordOffset + 7 * kRecordSize + 4) - 1);
  cases.push_back({"FirstNameOneByteBack", firstOff, "Player record 7: its first name pointer"});
  std::vector<std::uint8_t> farAway = valid;
  WriteU32LE(farAway.data() + kFirstRecordOffset + 2 * kRecordSize, 0x80000000u);
  cases.push_back({"PointerFarOutside", farAway, "Player record 2: its last name pointer"});
  return cases;
}

class HostileFile : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileFile, GetsItsMessageWithinBoundedMemory) {
  const Hostile& h = GetParam();
  const std::size_t before = gLive;
  gPeak = before;
  std::string message;
  try {
    LoadRosterFromBytes(h.file);
  } catch (const RosterError& e) {
    message = e.what();
  }
  const std::size_t peak = gPeak - before;
  if (h.message.empty()) {
    EXPECT_EQ(message, "");
  } else {
    EXPECT_TRUE(message.starts_with(h.message)) << message;
    // A refused file costs its blocks, what its own records decode to, at
    // most a full bank of names (one entry per code unit of the pool) and
    // the index of their offsets -- never anything its header asks for
    // without the file backing it.
    EXPECT_LE(peak, 2 * h.file.size() + kPoolSize / 2 * sizeof(Name) +
                        kPoolSize * sizeof(std::uint16_t) + 64 * 1024)
        << "peak " << peak;
  }
}

INSTANTIATE_TEST_SUITE_P(Rosters, HostileFile, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

TEST(HostileFile, TruncationAtEveryPointBeforeTheTailFails) {
  const std::vector<std::uint8_t> valid = Valid(3, 40, 10);
  const std::size_t tail = valid.size() - 10;
  // Every boundary and a stride through each block.
  for (std::size_t size = 0; size < tail; size += (size < 20600 ? 97 : 13)) {
    std::string message;
    try {
      LoadRosterFromBytes(Cut(valid, size));
    } catch (const RosterError& e) {
      message = e.what();
    }
    ASSERT_EQ(message, "Read beyond end of file") << "size " << size;
  }
}

TEST(HostileFile, AValidRosterCostsItsTableAndLittleMore) {
  // The decoded table is the one large allocation; nothing scales with a
  // header value the file does not back.
  const std::vector<std::uint8_t> file = Valid(500);
  const std::size_t before = gLive;
  gPeak = before;
  const LoadedRoster roster = LoadRosterFromBytes(file);
  EXPECT_LT(gPeak - before, 40 * file.size());
}

}  // namespace
}  // namespace orrimax
