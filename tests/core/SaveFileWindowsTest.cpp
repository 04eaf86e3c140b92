// Saving on Windows: the file keeps its links and attributes, the read-only
// attribute refuses, saves at once both succeed, only stale temporaries go,
// the backup and the check for outside changes work as on POSIX.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <set>
#include <thread>

#include "FileIO.h"
#include "TestSupport.h"

namespace orrimax {
namespace {

namespace fs = std::filesystem;
using test::MessageOf;
using test::TempDir;
using Bytes = std::vector<std::uint8_t>;

const Bytes kOld(5000, 0x11);
const Bytes kNew(5000, 0x22);

DWORD Attributes(const fs::path& p) {
  return ::GetFileAttributesW(p.wstring().c_str());
}

void SetAttributes(const fs::path& p, DWORD attributes) {
  ASSERT_TRUE(::SetFileAttributesW(p.wstring().c_str(), attributes)) << ::GetLastError();
}

// The folder's names as UTF-16, whatever characters they hold.
std::set<std::wstring> Names(const TempDir& dir) {
  std::set<std::wstring> names;
  for (const auto& e : fs::directory_iterator(dir.path())) names.insert(e.path().filename());
  return names;
}

void MakeOld(const fs::path& p) {
  fs::last_write_time(p, fs::file_time_type::clock::now() - std::chrono::minutes(2));
}

struct KeepCase {
  const char* name;
  bool inPlace;
  // Gives dir/<name> (holding kOld) the property; returns the path to save to.
  std::function<fs::path(const TempDir&, const fs::path&)> prepare;
};

void PrintTo(const KeepCase& c, std::ostream* os) {
  *os << c.name;
}

class KeepsTheAttributesAndLinks : public ::testing::TestWithParam<KeepCase> {};

TEST_P(KeepsTheAttributesAndLinks, AndItsNewContent) {
  const KeepCase& c = GetParam();
  TempDir dir;
  const fs::path path = dir / "r.ROS";
  gen::WriteBytes(path, kOld);
  const fs::path target = c.prepare(dir, path);
  const DWORD before = Attributes(target);
  const auto names = Names(dir);
  EXPECT_EQ(SaveFile(target, kNew).inPlace, c.inPlace);
  EXPECT_EQ(gen::ReadBytes(target), kNew);
  EXPECT_EQ(Attributes(target), before);
  EXPECT_EQ(Names(dir), names);  // no temporary left
  if (fs::exists(dir / "other.ROS")) {
    EXPECT_EQ(gen::ReadBytes(dir / "other.ROS"), kNew);
  }
}

INSTANTIATE_TEST_SUITE_P(Saving, KeepsTheAttributesAndLinks,
                         ::testing::Values(KeepCase{"HardLink", true,
                                                    [](const TempDir& d, const fs::path& p) {
                                                      fs::create_hard_link(p, d / "other.ROS");
                                                      return p;
                                                    }},
                                           KeepCase{"HiddenAndArchive", false,
                                                    [](const TempDir&, const fs::path& p) {
                                                      SetAttributes(p, FILE_ATTRIBUTE_HIDDEN |
                                                                           FILE_ATTRIBUTE_ARCHIVE);
                                                      return p;
                                                    }},
                                           KeepCase{"NameNearTheLimit", false,
                                                    [](const TempDir& d, const fs::path& p) {
                                                      const fs::path longName =
                                                          d / (std::string(246, 'n') + ".ROS");
                                                      fs::rename(p, longName);
                                                      return longName;
                                                    }},
                                           KeepCase{"NameInUtf8", false,
                                                    [](const TempDir& d, const fs::path& p) {
                                                      // "Rückkehr ✓ 🏀.ROS"
                                                      const fs::path name =
                                                          d.path() / PathFromUtf8(
                                                                         "R\xC3\xBC"
                                                                         "ckkehr \xE2\x9C\x93 "
                                                                         "\xF0\x9F\x8F\x80.ROS");
                                                      fs::rename(p, name);
                                                      return name;
                                                    }}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Saving, TheReadOnlyAttributeRefusesAndIsKept) {
  TempDir dir;
  const fs::path path = dir / "r.ROS";
  gen::WriteBytes(path, kOld);
  SetAttributes(path, FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(MessageOf<InOutError>([&] { SaveFile(path, kNew, {.backup = true}); }),
            "File access denied");
  EXPECT_EQ(MessageOf<InOutError>([&] { ReadWholeFile(path, FileAccess::ReadWrite); }),
            "File access denied");
  EXPECT_EQ(ReadWholeFile(path), kOld);  // reading alone is allowed
  EXPECT_EQ(Attributes(path) & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});
  EXPECT_EQ(Names(dir), std::set<std::wstring>{L"r.ROS"});
  SetAttributes(path, FILE_ATTRIBUTE_NORMAL);
}

TEST(Saving, WindowsErrorsGetTheRuntimesTexts) {
  TempDir dir;
  EXPECT_EQ(MessageOf<InOutError>([&] { ReadWholeFile(dir / "absent.ROS"); }), "File not found");
  EXPECT_EQ(MessageOf<InOutError>([&] { ReadWholeFile(dir / "no" / "r.ROS"); }), "Path not found");
  EXPECT_EQ(MessageOf<InOutError>([&] { SaveFile(dir / "no" / "r.ROS", kNew); }), "Path not found");
  fs::create_directory(dir / "folder.ROS");
  EXPECT_EQ(MessageOf<InOutError>([&] { SaveFile(dir / "folder.ROS", kNew); }),
            "File access denied");
}

TEST(Saving, TwoSavesAtOnceBothSucceedAndLeaveItWhole) {
  TempDir dir;
  const fs::path path = dir / "r.ROS";
  gen::WriteBytes(path, kOld);
  const Bytes big(3'000'000, 0x5A);
  bool failed[2] = {false, false};
  std::thread savers[2];
  for (int k = 0; k < 2; ++k)
    savers[k] = std::thread([&, k] {
      for (int i = 0; i < 30; ++i) {
        try {
          SaveFile(path, k == 0 ? big : kNew);
        } catch (const InOutError& e) {
          ADD_FAILURE() << e.code() << " " << e.message();
          failed[k] = true;
        }
      }
    });
  for (auto& saver : savers) saver.join();
  EXPECT_FALSE(failed[0]);
  EXPECT_FALSE(failed[1]);
  const Bytes now = gen::ReadBytes(path);
  EXPECT_TRUE(now == big || now == kNew);
  // No temporary of ours is left. (Wine's ReplaceFileW, unlike Windows',
  // may leave a copy of its own, rfNNNN.tmp, when two replaces overlap.)
  for (const auto& name : Names(dir))
    EXPECT_TRUE(name == L"r.ROS" || (name.starts_with(L"rf") && name.ends_with(L".tmp")));
}

TEST(Saving, OnlyStaleTemporariesAreRemoved) {
  TempDir dir;
  const fs::path path = dir / "r.ROS";
  gen::WriteBytes(path, kOld);
  gen::WriteBytes(dir / ".r.ROS.orrimax-stale1", kOld);  // a killed save's
  MakeOld(dir / ".r.ROS.orrimax-stale1");
  gen::WriteBytes(dir / ".r.ROS.orrimax-fresh1", kOld);  // another save, just begun
  gen::WriteBytes(dir / ".r.ROS.orrimax-inuse1", kOld);  // another save, slow
  MakeOld(dir / ".r.ROS.orrimax-inuse1");
  fs::create_directory(dir / ".r.ROS.orrimax-folder");
  gen::WriteBytes(dir / ".r.ROS.orrimax-my-notes", kOld);  // not of the pattern
  MakeOld(dir / ".r.ROS.orrimax-my-notes");
  // A running save shares its temporary with no one.
  HANDLE held = ::CreateFileW((dir / ".r.ROS.orrimax-inuse1").wstring().c_str(), GENERIC_WRITE, 0,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  SaveFile(path, kNew);
  ::CloseHandle(held);
  EXPECT_EQ(Names(dir),
            (std::set<std::wstring>{L"r.ROS", L".r.ROS.orrimax-fresh1", L".r.ROS.orrimax-inuse1",
                                    L".r.ROS.orrimax-folder", L".r.ROS.orrimax-my-notes"}));
  // Once nothing holds it, the slow save's temporary is stale too.
  SaveFile(path, kOld);
  EXPECT_FALSE(fs::exists(dir / ".r.ROS.orrimax-inuse1"));
}

}  // namespace
}  // namespace orrimax
