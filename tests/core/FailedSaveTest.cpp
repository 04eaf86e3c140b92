// Saves that fail part-way: a folder the user may not write, and a process
// killed while saving. The file on disk is always a whole roster, old or new.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "DB.h"
#include "FindCRC.h"
#include "Functions.h"
#include "TestSupport.h"

namespace orrimax {
namespace {

using test::TempDir;

bool IsWholeRoster(const std::vector<std::uint8_t>& bytes) {
  return bytes.size() > 4 && ReadU32LE(bytes.data()) == Crc32(std::span(bytes).subspan(4));
}

TEST(FailedSave, KilledWhileSavingLeavesTheOldOrTheNewRosterWhole) {
  TempDir dir;
  const auto path = dir / "Big.ROS";
  gen::RosterShape shape;
  shape.players = 20000;
  shape.values = gen::FieldValues::Realistic;
  const std::vector<std::uint8_t> original = gen::GenerateRoster(shape).file;
  gen::WriteBytes(path, original);
  // The edited version: every height one centimetre more.
  LoadedRoster roster = LoadRoster(path);
  for (std::size_t r = 1; r <= shape.players; ++r)
    roster.Table[7].set(r, Ascii(std::to_string(ParseInteger(roster.Table[7][r]) % 250 + 129)));
  const std::vector<std::uint8_t> edited =
      BuildRosterImage(roster.Document, roster.Table, roster.Names.Data, roster.Names.Length);

  std::mt19937 rng(12345);
  int killedMidway = 0;
  for (int round = 0; round < 12; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      // Saves the two versions in turn until it is killed.
      for (int k = 0;; ++k) {
        RosterDocument doc = roster.Document;
        if (k % 2 == 0) {
          SaveRoster(doc, path, roster.Table, roster.Names.Data, roster.Names.Length);
        } else {
          // The old roster back, replaced as a whole.
          gen::WriteBytes(dir / "scratch", original);
          std::filesystem::rename(dir / "scratch", path);
        }
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5 + rng() % 60));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::vector<std::uint8_t> now = gen::ReadBytes(path);
    ASSERT_TRUE(IsWholeRoster(now)) << "round " << round;
    ASSERT_TRUE(now == original || now == edited) << "round " << round;
    for (const auto& name : dir.Listing()) killedMidway += name.starts_with(".Big.ROS.orrimax-");
  }
  // The next successful save clears what the killed ones left behind, once
  // they are a minute old: younger ones may be another save's, still going.
  for (const auto& name : dir.Listing()) {
    if (!name.starts_with(".Big.ROS.orrimax-")) continue;
    const struct timespec old[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 120, 0}};
    ::utimensat(AT_FDCWD, (dir / name).c_str(), old, 0);
  }
  RosterDocument doc = roster.Document;
  SaveRoster(doc, path, roster.Table, roster.Names.Data, roster.Names.Length);
  EXPECT_EQ(gen::ReadBytes(path), edited);
  std::filesystem::remove(dir / "scratch");
  EXPECT_EQ(dir.Listing(), std::set<std::string>{"Big.ROS"});
  RecordProperty("rounds killed with a temporary left", killedMidway);
}

TEST(FailedSave, ARosterSavedInPlaceWithoutABackupIsWholeOnceTheSaveEnds) {
  // A folder the user may not write: no temporary, no backup, the file
  // itself rewritten. A failure part-way says so; the next save mends it.
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  TempDir dir;
  const auto path = dir / "r.ROS";
  const std::vector<std::uint8_t> original = gen::GenerateRoster({}).file;
  gen::WriteBytes(path, original);
  std::filesystem::permissions(path, std::filesystem::perms(0666));
  std::filesystem::permissions(dir.path(), std::filesystem::perms(0755));
  LoadedRoster roster = LoadRoster(path);
  roster.Table[9].set(1, u"30");

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
    SetWriteFaultHookForTesting([](std::size_t written, std::size_t chunk) -> std::size_t {
      if (written > 0) throw InOutError(5, "I/O error 5");
      return chunk / 2;
    });
    try {
      SaveRoster(roster.Document, path, roster.Table, roster.Names.Data, roster.Names.Length,
                 {.backup = true});
    } catch (const IncompleteSaveError& e) {
      SetWriteFaultHookForTesting({});
      const SaveOutcome again =
          SaveRoster(roster.Document, path, roster.Table, roster.Names.Data, roster.Names.Length);
      ::_exit(again.inPlace ? 0 : 2);
    }
    ::_exit(1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  const std::vector<std::uint8_t> saved = gen::ReadBytes(path);
  EXPECT_TRUE(IsWholeRoster(saved));
  EXPECT_EQ(DecodeField(9, std::span(saved).subspan(kFirstRecordOffset, kRecordSize)), u"30");
  EXPECT_EQ(dir.Listing(), std::set<std::string>{"r.ROS"});
}

}  // namespace
}  // namespace orrimax
