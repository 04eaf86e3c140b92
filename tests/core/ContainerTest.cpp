// The roster file container: splitting a file into its blocks, refusing
// files whose header cannot be right, and writing a roster back in place.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "DB.h"
#include "FileIO.h"
#include "FindCRC.h"
#include "Functions.h"
#include "RosterGen.h"
#include "TestSupport.h"

namespace orrimax {
namespace {

namespace fs = std::filesystem;
using test::MessageOf;
using test::Rebuild;
using test::TempDir;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kBase = 0x00ABC000;

// Blocks of a small roster whose players are all called "Bo Ann".
gen::RosterParts MakeParts(std::uint32_t players, std::size_t middle, std::size_t tail,
                           std::uint32_t seed = 1) {
  gen::RosterParts p;
  p.header = test::RandomBytes(kHeaderSize, seed);
  p.records = test::RandomBytes(players * kRecordSize, seed + 1);
  for (std::uint32_t i = 0; i < players; ++i) {
    std::uint8_t* r = p.records.data() + i * kRecordSize;
    const std::uint32_t shift = i * static_cast<std::uint32_t>(kRecordSize);
    WriteU32LE(r, kBase + 0 - shift);          // "Ann" at pool offset 0
    WriteU32LE(r + 4, kBase + 8 - shift - 4);  // "Bo" at pool offset 8
    test::MakeEveryValueCarried(r);
  }
  p.middle = test::RandomBytes(middle, seed + 2);
  p.pool = gen::MakePool({u"Ann", u"Bo"});
  p.tail = test::RandomBytes(tail, seed + 3);
  gen::SetHeaderValues(
      p.header, players,
      static_cast<std::uint32_t>(kFirstRecordOffset + players * kRecordSize + middle), kBase);
  return p;
}

void SetHeader32(Bytes& file, std::size_t headerOffset, std::uint32_t value) {
  WriteU32LE(file.data() + kCrcSize + headerOffset, value);
}

void ExpectSameDocument(const RosterDocument& a, const RosterDocument& b) {
  EXPECT_EQ(a.Header, b.Header);
  EXPECT_EQ(a.PlayerCount, b.PlayerCount);
  EXPECT_EQ(a.PoolBase, b.PoolBase);
  EXPECT_EQ(a.Players, b.Players);
  EXPECT_EQ(a.MiddleBlock, b.MiddleBlock);
  EXPECT_EQ(a.NamePool, b.NamePool);
  EXPECT_EQ(a.Tail, b.Tail);
  EXPECT_EQ(a.StoredCrc, b.StoredCrc);
  ASSERT_EQ(a.Bank.size(), b.Bank.size());
  for (std::size_t k = 0; k < a.Bank.size(); ++k) {
    EXPECT_EQ(a.Bank[k].Data, b.Bank[k].Data);
    EXPECT_EQ(a.Bank[k].P, b.Bank[k].P);
  }
}

// ---- Blocks ----------------------------------------------------------------------

struct Layout {
  std::uint32_t players;
  std::size_t middle;
  std::size_t tail;
};

void PrintTo(const Layout& l, std::ostream* os) {
  *os << l.players << " players, middle " << l.middle << ", tail " << l.tail;
}

class Blocks : public ::testing::TestWithParam<Layout> {};

TEST_P(Blocks, AreSplitAsLaidOut) {
  const Layout& l = GetParam();
  const gen::RosterParts parts = MakeParts(l.players, l.middle, l.tail);
  const Bytes file = gen::AssembleRoster(parts);
  const RosterDocument doc = ReadRosterDocument(file);
  EXPECT_EQ(doc.StoredCrc, Crc32(std::span(file).subspan(kCrcSize)));
  EXPECT_EQ(doc.Header, parts.header);
  EXPECT_EQ(doc.PlayerCount, l.players);
  EXPECT_EQ(doc.PoolBase, kBase);
  EXPECT_EQ(doc.Players, parts.records);
  EXPECT_EQ(doc.MiddleBlock, parts.middle);
  EXPECT_EQ(doc.NamePool, parts.pool);
  EXPECT_EQ(doc.Tail, parts.tail);
  EXPECT_EQ(doc.FileSize(), file.size());
}

TEST_P(Blocks, UnchangedRosterRebuildsTheSameFile) {
  const Layout& l = GetParam();
  const Bytes file = gen::AssembleRoster(MakeParts(l.players, l.middle, l.tail));
  const LoadedRoster roster = LoadRosterFromBytes(file);
  EXPECT_EQ(roster.Table[2][l.players], u"Ann");
  EXPECT_EQ(roster.Table[3][l.players], u"Bo");
  EXPECT_EQ(Rebuild(roster), file);
}

INSTANTIATE_TEST_SUITE_P(Container, Blocks,
                         ::testing::Values(Layout{1, 0, 0}, Layout{1, 1, 1}, Layout{3, 100, 0},
                                           Layout{3, 0, 100}, Layout{2, 5000, 5000},
                                           Layout{17, 64, 1}));

// A buffer kept from image to image (a larger roster's, then a smaller
// one's) holds exactly the new file, and nothing once a cell fails.
TEST(Container, ImageIntoAKeptBufferIsTheWholeFileOrNothing) {
  const Bytes large = gen::AssembleRoster(MakeParts(17, 5000, 5000));
  const Bytes small = gen::AssembleRoster(MakeParts(1, 0, 0));
  Bytes image;
  for (const Bytes* file : {&large, &small}) {
    const LoadedRoster roster = LoadRosterFromBytes(*file);
    BuildRosterImage(roster.Document, roster.Table, roster.Names.Data, roster.Names.Length, image);
    EXPECT_EQ(image, *file);
  }
  LoadedRoster roster = LoadRosterFromBytes(large);
  roster.Table[kFirstFieldColumn].set(3, u"not a number");
  EXPECT_THROW(BuildRosterImage(roster.Document, roster.Table, roster.Names.Data,
                                roster.Names.Length, image),
               RosterError);
  EXPECT_TRUE(image.empty());
}

TEST(Container, PoolOffsetThatWrapsAroundIsValid) {
  // V476 + 64479 wraps at 32 bits: a pool at file offset 64478 has V476 FFFFFFFF.
  const gen::RosterParts parts = MakeParts(1, 64478 - kFirstRecordOffset - kRecordSize, 9);
  EXPECT_EQ(ReadU32LE(parts.header.data() + kPoolOffsetOffset), 0xFFFFFFFFu);
  const Bytes file = gen::AssembleRoster(parts);
  const LoadedRoster roster = LoadRosterFromBytes(file);
  EXPECT_EQ(roster.Document.MiddleBlock, parts.middle);
  EXPECT_EQ(Rebuild(roster), file);
}

TEST(Container, WrongStoredCrcOpensAndIsCorrectedOnSave) {
  const Bytes good = gen::AssembleRoster(MakeParts(4, 10, 10));
  Bytes bad = good;
  for (int k = 0; k < 4; ++k) bad[k] = static_cast<std::uint8_t>(~bad[k]);
  const LoadedRoster roster = LoadRosterFromBytes(bad);
  EXPECT_EQ(roster.Document.StoredCrc, ReadU32LE(bad.data()));
  EXPECT_EQ(Rebuild(roster), good);
}

TEST(Container, CrcIsStoredLeastSignificantByteFirst) {
  const Bytes image = Rebuild(LoadRosterFromBytes(gen::AssembleRoster(MakeParts(2, 3, 4))));
  const std::uint32_t crc = Crc32(std::span(image).subspan(kCrcSize));
  EXPECT_EQ(image[0], crc & 0xFF);
  EXPECT_EQ(image[1], (crc >> 8) & 0xFF);
  EXPECT_EQ(image[2], (crc >> 16) & 0xFF);
  EXPECT_EQ(image[3], crc >> 24);
}

// ---- Truncated files -------------------------------------------------------------

class Truncated : public ::testing::TestWithParam<std::size_t> {};

// Two players, a 300-byte middle block and no tail: records end at 21652,
// the pool spans 21952 .. 134491.
TEST_P(Truncated, ReadsBeyondEndOfFile) {
  Bytes file = gen::AssembleRoster(MakeParts(2, 300, 0));
  ASSERT_EQ(file.size(), 134492u);
  file.resize(GetParam());
  EXPECT_EQ(MessageOf<InOutError>([&] { ReadRosterDocument(file); }), "Read beyond end of file");
}

INSTANTIATE_TEST_SUITE_P(Container, Truncated,
                         ::testing::Values(0, 3, 4, 5, 40, 100, 20507, 20508, 20508 + 571, 21651,
                                           21652, 21951, 21952, 21952 + 112539));

TEST(Container, EmptyTailIsValid) {
  const Bytes file = gen::AssembleRoster(MakeParts(2, 300, 0));
  EXPECT_TRUE(ReadRosterDocument(file).Tail.empty());
  EXPECT_EQ(Rebuild(LoadRosterFromBytes(file)), file);
}

TEST(Container, EmptyMiddleBlockWhenThePoolFollowsTheLastRecord) {
  const Bytes file = gen::AssembleRoster(MakeParts(5, 0, 20));
  EXPECT_TRUE(ReadRosterDocument(file).MiddleBlock.empty());
}

// ---- Header values that cannot be right ---------------------------------------------

class PlayerCountRefused : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(PlayerCountRefused, MessageNamesTheCount) {
  Bytes file = gen::AssembleRoster(MakeParts(1, 10, 10));
  SetHeader32(file, kPlayerCountOffset, GetParam());
  const std::string message = MessageOf<RosterError>([&] { ReadRosterDocument(file); });
  EXPECT_NE(message.find(std::to_string(GetParam())), std::string::npos) << message;
  EXPECT_EQ(message.find("Read beyond"), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(Container, PlayerCountRefused,
                         ::testing::Values(0u, 65536u, 100000u, 4294967295u));

TEST(Container, PlayerCountUpTo65535IsAcceptedByTheHeaderCheck) {
  Bytes file = gen::AssembleRoster(MakeParts(1, 10, 10));
  SetHeader32(file, kPlayerCountOffset, 65535);
  // The count is fine; the file is just far too short for it.
  EXPECT_EQ(MessageOf<InOutError>([&] { ReadRosterDocument(file); }), "Read beyond end of file");
}

struct PoolOffsetCase {
  const char* name;
  std::int64_t poolStart;  // file offset the header gives
  bool fromEnd;            // poolStart counts from the end of the file
  std::string message;
};

void PrintTo(const PoolOffsetCase& c, std::ostream* os) {
  *os << c.name;
}

class PoolOffsetRefused : public ::testing::TestWithParam<PoolOffsetCase> {};

// Three players and a 200-byte middle block: records end at 22224.
TEST_P(PoolOffsetRefused, Message) {
  Bytes file = gen::AssembleRoster(MakeParts(3, 200, 50));
  const std::int64_t start = GetParam().fromEnd
                                 ? static_cast<std::int64_t>(file.size()) + GetParam().poolStart
                                 : GetParam().poolStart;
  SetHeader32(file, kPoolOffsetOffset, static_cast<std::uint32_t>(start) - kPoolOffsetBias);
  EXPECT_EQ(MessageOf<RosterError>([&] { ReadRosterDocument(file); }), GetParam().message);
  if (GetParam().message == "Range check error") {
    EXPECT_THROW(ReadRosterDocument(file), RangeError);
  } else {
    EXPECT_THROW(ReadRosterDocument(file), InOutError);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Container, PoolOffsetRefused,
    ::testing::Values(PoolOffsetCase{"OneBeforeRecordsEnd", 22223, false, "Range check error"},
                      PoolOffsetCase{"AtFirstRecord", 20508, false, "Range check error"},
                      PoolOffsetCase{"AtFileStart", 0, false, "Range check error"},
                      PoolOffsetCase{"PoolEndsOnePastEnd",
                                     -static_cast<std::int64_t>(kPoolSize) + 1, true,
                                     "Read beyond end of file"},
                      PoolOffsetCase{"AtFileEnd", 0, true, "Read beyond end of file"},
                      PoolOffsetCase{"PastFileEnd", 1, true, "Read beyond end of file"},
                      PoolOffsetCase{"HalfWay", 0x7FFFFFFF, false, "Read beyond end of file"},
                      PoolOffsetCase{"Highest", 0xFFFFFFFF, false, "Read beyond end of file"},
                      PoolOffsetCase{"WrapsPastRecords", 64478, false, "Read beyond end of file"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Files on disk -------------------------------------------------------------------

class ShortFileOnDisk : public ::testing::TestWithParam<std::size_t> {};

TEST_P(ShortFileOnDisk, ReadsBeyondEndOfFile) {
  TempDir dir;
  gen::WriteBytes(dir / "short.ROS", Bytes(GetParam(), 0x11));
  EXPECT_EQ(MessageOf<InOutError>([&] { LoadRoster(dir / "short.ROS"); }),
            "Read beyond end of file");
}

INSTANTIATE_TEST_SUITE_P(Container, ShortFileOnDisk, ::testing::Values(0, 3, 4, 20000));

TEST(ContainerDisk, MissingFile) {
  TempDir dir;
  EXPECT_EQ(MessageOf<InOutError>([&] { LoadRoster(dir / "absent.ROS"); }), "File not found");
}

TEST(ContainerDisk, DirectoryIsRefused) {
  TempDir dir;
  fs::create_directory(dir / "folder.ROS");
  EXPECT_EQ(MessageOf<InOutError>([&] { LoadRoster(dir / "folder.ROS"); }), "File access denied");
}

// Permission bits of the file, none of them a write bit.
TEST(ContainerDisk, PipeIsRefused) {
#ifdef _WIN32
  GTEST_SKIP() << "FIFOs are POSIX; a Windows device is refused as well (DeviceIsRefused)";
#else
  TempDir dir;
  const fs::path path = dir / "pipe.ROS";
  ASSERT_EQ(::mkfifo(path.c_str(), 0666), 0);
  EXPECT_EQ(MessageOf<InOutError>([&] { LoadRoster(path); }), "File access denied");
#endif
}

#ifdef _WIN32
TEST(ContainerDisk, DeviceIsRefused) {
  EXPECT_EQ(MessageOf<InOutError>([&] { LoadRoster("NUL"); }), "File access denied");
}
#endif

class ReadOnlyFile : public ::testing::TestWithParam<int> {};

TEST_P(ReadOnlyFile, IsRefusedAtLoadEvenForRoot) {
  TempDir dir;
  const fs::path path = dir / "roster.ROS";
  gen::WriteBytes(path, gen::AssembleRoster(MakeParts(2, 5, 5)));
  fs::permissions(path, static_cast<fs::perms>(GetParam()));
  EXPECT_EQ(MessageOf<InOutError>([&] { LoadRoster(path); }), "File access denied");
}

INSTANTIATE_TEST_SUITE_P(Container, ReadOnlyFile, ::testing::Values(0400, 0444, 0500, 0000));

// ---- Saving ----------------------------------------------------------------------

// Replaces the write hook for one test.
class WriteHook {
 public:
  explicit WriteHook(WriteFaultHook hook) { SetWriteFaultHookForTesting(std::move(hook)); }
  ~WriteHook() { SetWriteFaultHookForTesting({}); }
};

class Saving : public ::testing::Test {
 protected:
  void SetUp() override {
    generated_ =
        gen::GenerateRoster({.players = 30, .middleSize = 400, .tailSize = 60, .seed = 21});
    path_ = dir_ / "roster.ROS";
    gen::WriteBytes(path_, generated_.file);
    roster_ = LoadRoster(path_);
  }

  void Save() {
    SaveRoster(roster_.Document, path_, roster_.Table, roster_.Names.Data, roster_.Names.Length);
  }

  Bytes OnDisk() const { return gen::ReadBytes(path_); }

  TempDir dir_;
  gen::GeneratedRoster generated_;
  fs::path path_;
  LoadedRoster roster_;
};

TEST_F(Saving, UnchangedRosterWritesTheSameFileTwice) {
  Save();
  EXPECT_EQ(OnDisk(), generated_.file);
  Save();
  EXPECT_EQ(OnDisk(), generated_.file);
  EXPECT_EQ(dir_.Listing(), std::set<std::string>{"roster.ROS"});
}

TEST_F(Saving, WrongStoredCrcIsCorrected) {
  Bytes bad = generated_.file;
  bad[2] ^= 0x40;
  gen::WriteBytes(path_, bad);
  roster_ = LoadRoster(path_);
  Save();
  EXPECT_EQ(OnDisk(), generated_.file);
}

TEST_F(Saving, EditedRosterKeepsSizeHeaderMiddleAndTail) {
  roster_.Table[7].set(5, u"211");
  roster_.Table[180].set(30, u"3");
  Save();
  const Bytes written = OnDisk();
  ASSERT_EQ(written.size(), generated_.file.size());
  const LoadedRoster reopened = LoadRoster(path_);
  EXPECT_EQ(reopened.Document.Header, roster_.Document.Header);
  EXPECT_EQ(reopened.Document.MiddleBlock, roster_.Document.MiddleBlock);
  EXPECT_EQ(reopened.Document.Tail, roster_.Document.Tail);
  EXPECT_EQ(reopened.Table[7][5], u"211");
  EXPECT_EQ(reopened.Table[180][30], u"3");
  EXPECT_EQ(ReadU32LE(written.data()), Crc32(std::span(written).subspan(kCrcSize)));
}

TEST_F(Saving, DocumentTakesWhatWasWritten) {
  roster_.Table[22].set(3, u"77");
  // A new name, longer than its Length: the bank holds it as written, cut.
  const std::size_t length = roster_.Document.Bank[1].Data.size();
  roster_.Names.Data.set(2, std::u16string(length + 3, u'Z'));
  Save();
  EXPECT_EQ(roster_.Document.Bank[1].Data, std::u16string(length, u'Z'));
  const Bytes written = OnDisk();
  const RosterDocument& doc = roster_.Document;
  EXPECT_EQ(doc.StoredCrc, ReadU32LE(written.data()));
  EXPECT_EQ(Bytes(written.begin() + kFirstRecordOffset,
                  written.begin() + kFirstRecordOffset + 30 * kRecordSize),
            doc.Players);
  EXPECT_EQ(doc.Players[2 * kRecordSize + 436], 156);
  ExpectSameDocument(doc, LoadRoster(path_).Document);
}

TEST_F(Saving, ReadOnlyFileIsRefusedAndKept) {
  fs::permissions(path_, fs::perms::owner_read | fs::perms::group_read);
  const RosterDocument before = roster_.Document;
  roster_.Table[7].set(1, u"200");
  EXPECT_EQ(MessageOf<InOutError>([&] { Save(); }), "File access denied");
  EXPECT_EQ(OnDisk(), generated_.file);
#ifdef _WIN32
  // Windows has the read-only attribute, shown as no write bit at all.
  EXPECT_EQ(fs::status(path_).permissions() & fs::perms::owner_write, fs::perms::none);
#else
  EXPECT_EQ(fs::status(path_).permissions(), fs::perms::owner_read | fs::perms::group_read);
#endif
  EXPECT_EQ(dir_.Listing(), std::set<std::string>{"roster.ROS"});
  ExpectSameDocument(roster_.Document, before);
}

TEST_F(Saving, DiskFullLeavesTheOriginalAndNoTemporary) {
  const RosterDocument before = roster_.Document;
  roster_.Table[9].set(2, u"30");
  {
    // Half of the first chunk is written, then nothing more fits.
    WriteHook hook([](std::size_t written, std::size_t chunk) {
      return written == 0 ? chunk / 2 : std::size_t{0};
    });
    EXPECT_EQ(MessageOf<InOutError>([&] { Save(); }), "Disk full");
  }
  EXPECT_EQ(OnDisk(), generated_.file);
  EXPECT_EQ(dir_.Listing(), std::set<std::string>{"roster.ROS"});
  ExpectSameDocument(roster_.Document, before);
}

TEST_F(Saving, FailureInsideTheWriteLeavesTheOriginalAndNoTemporary) {
  const RosterDocument before = roster_.Document;
  roster_.Table[9].set(2, u"30");
  {
    WriteHook hook([](std::size_t, std::size_t) -> std::size_t {
      throw std::runtime_error("device went away");
    });
    EXPECT_THROW(Save(), std::runtime_error);
  }
  EXPECT_EQ(OnDisk(), generated_.file);
  EXPECT_EQ(dir_.Listing(), std::set<std::string>{"roster.ROS"});
  ExpectSameDocument(roster_.Document, before);
}

TEST_F(Saving, ShortWritesAreContinued) {
  roster_.Table[9].set(2, u"30");
  const Bytes expected = Rebuild(roster_);
  {
    WriteHook hook(
        [](std::size_t, std::size_t chunk) { return std::min<std::size_t>(chunk, 4093); });
    Save();
  }
  EXPECT_EQ(OnDisk(), expected);
  EXPECT_EQ(dir_.Listing(), std::set<std::string>{"roster.ROS"});
}

TEST_F(Saving, PermissionsOfTheFileAreKept) {
#ifdef _WIN32
  GTEST_SKIP() << "mode bits are POSIX; Windows keeps the attributes (SaveFileTest)";
#endif
  const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(path_, mode);
  Save();
  EXPECT_EQ(fs::status(path_).permissions(), mode);
}

TEST_F(Saving, ThroughASymbolicLinkTheTargetIsRewritten) {
#ifdef _WIN32
  GTEST_SKIP() << "symbolic links need a privilege on Windows that a user rarely has";
#endif
  const fs::path link = dir_ / "link.ROS";
  fs::create_symlink(path_, link);
  roster_ = LoadRoster(link);
  roster_.Table[9].set(4, u"31");
  const Bytes expected = Rebuild(roster_);
  SaveRoster(roster_.Document, link, roster_.Table, roster_.Names.Data, roster_.Names.Length);
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(OnDisk(), expected);
  EXPECT_EQ(dir_.Listing(), (std::set<std::string>{"link.ROS", "roster.ROS"}));
}

TEST_F(Saving, IntoADirectoryIsRefused) {
  fs::create_directory(dir_ / "folder");
  EXPECT_EQ(MessageOf<InOutError>([&] {
              SaveRoster(roster_.Document, dir_ / "folder", roster_.Table, roster_.Names.Data,
                         roster_.Names.Length);
            }),
            "File access denied");
  EXPECT_TRUE(fs::is_directory(dir_ / "folder"));
}

}  // namespace
}  // namespace orrimax
