// Saves that fail part-way: a folder the user may not write, and a process
// killed while saving. The file on disk is always a whole roster, old or new.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#else
#include <windows.h>
#endif

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

#ifdef _WIN32
// The child: saves the edited roster to the file named by the environment
// and stops for good in the middle of writing it, for the parent to kill.
constexpr const wchar_t* kChildVariable = L"ORRIMAX_SAVE_AND_HANG";

TEST(FailedSave, DISABLED_SaveAndHangMidway) {
  wchar_t path[MAX_PATH * 4];
  if (!::GetEnvironmentVariableW(kChildVariable, path, MAX_PATH * 4)) GTEST_SKIP();
  const std::filesystem::path file(path);
  LoadedRoster roster = LoadRoster(file);
  roster.Table[7].set(1, u"211");
  SetWriteFaultHookForTesting([file](std::size_t written, std::size_t chunk) {
    if (written > 0) {
      gen::WriteBytes(std::filesystem::path(file) += L".midway", {});
      ::Sleep(INFINITE);
    }
    return chunk;
  });
  SaveRoster(roster.Document, file, roster.Table, roster.Names.Data, roster.Names.Length);
}

TEST(FailedSave, KilledMidSaveLeavesTheRosterWhole) {
  TempDir dir;
  const auto path = dir / "Big.ROS";
  gen::RosterShape shape;
  shape.players = 4000;  // a few write chunks
  shape.values = gen::FieldValues::Realistic;
  const std::vector<std::uint8_t> original = gen::GenerateRoster(shape).file;
  wchar_t self[MAX_PATH * 4];
  ASSERT_GT(::GetModuleFileNameW(nullptr, self, MAX_PATH * 4), 0u);
  ::SetEnvironmentVariableW(kChildVariable, path.wstring().c_str());
  for (int round = 0; round < 3; ++round) {
    gen::WriteBytes(path, original);
    std::wstring command = L"\"" + std::wstring(self) +
                           L"\" --gtest_also_run_disabled_tests "
                           L"--gtest_filter=FailedSave.DISABLED_SaveAndHangMidway";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &child));
    const auto midway = std::filesystem::path(path) += L".midway";
    for (int k = 0; k < 600 && !std::filesystem::exists(midway); ++k) ::Sleep(100);
    ::TerminateProcess(child.hProcess, 9);
    ::WaitForSingleObject(child.hProcess, INFINITE);
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);
    ASSERT_TRUE(std::filesystem::remove(midway)) << "the child never got midway";
    const std::vector<std::uint8_t> now = gen::ReadBytes(path);
    ASSERT_TRUE(IsWholeRoster(now)) << "round " << round;
    ASSERT_EQ(now, original) << "round " << round;
  }
  ::SetEnvironmentVariableW(kChildVariable, nullptr);
  // The killed saves' temporaries are left; once a minute old, the next
  // save removes them.
  int left = 0;
  for (const auto& name : dir.Listing()) {
    if (!name.starts_with(".Big.ROS.orrimax-")) continue;
    ++left;
    std::filesystem::last_write_time(
        dir / name, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(2));
  }
  EXPECT_EQ(left, 3);
  LoadedRoster roster = LoadRoster(path);
  SaveRoster(roster.Document, path, roster.Table, roster.Names.Data, roster.Names.Length);
  EXPECT_EQ(gen::ReadBytes(path), original);
  EXPECT_EQ(dir.Listing(), std::set<std::string>{"Big.ROS"});
}

TEST(FailedSave, KilledWhileSavingLeavesTheOldOrTheNewRosterWhole) {
  GTEST_SKIP() << "forks and kills with SIGKILL; Windows: KilledMidSaveLeavesTheRosterWhole";
}
TEST(FailedSave, ARosterSavedInPlaceWithoutABackupIsWholeOnceTheSaveEnds) {
  GTEST_SKIP() << "needs setuid to act as another user in a folder they may not write";
}
#else
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

#endif  // _WIN32

}  // namespace
}  // namespace orrimax
