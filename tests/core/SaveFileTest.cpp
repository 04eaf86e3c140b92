// Saving keeps the file what it is -- links, owner, mode, ACL, attributes --
// leaves other writers' temporaries alone, keeps a backup, notices outside
// changes, and says what became of the file when it fails.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>

#include "DB.h"
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

#ifdef _WIN32
// What these tests give a file (owner, mode bits, extended attributes, ACLs
// set by setfacl, symbolic links) or do (fork, flock, act as another user)
// is POSIX; SaveFileWindowsTest.cpp gives Windows its own counterparts.
TEST(Saving, KeepsOwnerModeAttributesAndLinks) {
  GTEST_SKIP() << "owner, mode bits, xattrs, ACLs and symlinks are POSIX; Windows: "
                  "KeepsTheAttributesAndLinks";
}
TEST(Saving, SavedByAnotherUser) {
  GTEST_SKIP() << "needs setuid to act as another user";
}
TEST(Saving, TwoProcessesSavingOneFile) {
  GTEST_SKIP() << "forks; Windows: TwoSavesAtOnceBothSucceed";
}
TEST(Saving, StaleTemporaries) {
  GTEST_SKIP() << "flock and fork; Windows: OnlyStaleTemporariesAreRemoved";
}
#else
struct stat Stat(const fs::path& p) {
  struct stat st {};
  EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
  return st;
}

bool Root() {
  return ::geteuid() == 0;
}

// Runs `f` in a child process as the user and group nobody; its exit status.
int AsNobody(const std::function<int()>& f) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
    ::_exit(f());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
}

// What a save must keep of a file besides its bytes.
struct Identity {
  uid_t uid = 0;
  gid_t gid = 0;
  mode_t mode = 0;
  nlink_t links = 0;
  std::map<std::string, std::string> attributes;  // the ACL among them
  bool operator==(const Identity&) const = default;
};

Identity IdentityOf(const fs::path& p) {
  const struct stat st = Stat(p);
  Identity id{st.st_uid, st.st_gid, st.st_mode & 07777, st.st_nlink, {}};
  char names[4096], value[4096];
  const ssize_t size = ::listxattr(p.c_str(), names, sizeof names);
  for (ssize_t at = 0; at < size; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
    const ssize_t n = ::getxattr(p.c_str(), names + at, value, sizeof value);
    id.attributes[names + at] =
        std::string(value, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
  }
  return id;
}

// The names of the folder, each with whether it is a symbolic link.
std::map<std::string, bool> Links(const TempDir& dir) {
  std::map<std::string, bool> links;
  for (const auto& name : dir.Listing()) links[name] = fs::is_symlink(dir / name);
  return links;
}

// ---- The file keeps what it is ---------------------------------------------

struct KeepCase {
  const char* name;
  bool needsRoot;
  bool inPlace;
  // Gives dir/r.ROS (holding kOld) the property; returns the path to save
  // to, or none where this system cannot give a file that property.
  std::function<fs::path(const TempDir&)> prepare;
};

class KeepsTheFile : public ::testing::TestWithParam<KeepCase> {};

TEST_P(KeepsTheFile, AndItsNewContent) {
  const KeepCase& c = GetParam();
  if (c.needsRoot && !Root()) GTEST_SKIP() << "needs root to give files to another user";
  TempDir dir;
  gen::WriteBytes(dir / "r.ROS", kOld);
  const fs::path target = c.prepare(dir);
  if (target.empty()) GTEST_SKIP() << "this system cannot give a file that property";
  const bool existed = fs::exists(dir / "r.ROS");
  const Identity before = existed ? IdentityOf(dir / "r.ROS") : Identity{};
  const auto links = Links(dir);
  // Given in pieces, as the tool's export gives its text.
  const Bytes fresh = test::RandomBytes(5000, 7);
  const SaveOutcome saved = SaveFile(target, [&](const ContentSink& put) {
    put(std::span(fresh).first(1000));
    put(std::span(fresh).subspan(1000));
  });
  EXPECT_EQ(saved.inPlace, c.inPlace);
  EXPECT_EQ(gen::ReadBytes(dir / "r.ROS"), fresh);
  FileStamp stamp;
  ReadWholeFile(dir / "r.ROS", FileAccess::ReadOnly, &stamp);
  EXPECT_EQ(saved.stamp, stamp);
  if (existed) {
    EXPECT_EQ(IdentityOf(dir / "r.ROS"), before);
  }
  auto after = Links(dir);
  if (!existed) {
    EXPECT_EQ(after.extract("r.ROS").mapped(), false);  // a dangling link's target
  }
  EXPECT_EQ(after, links);  // no temporary left, every link still a link
  if (fs::exists(dir / "other.ROS")) {
    EXPECT_EQ(gen::ReadBytes(dir / "other.ROS"), fresh);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Saving, KeepsTheFile,
    ::testing::Values(KeepCase{"HardLink", false, true,
                               [](const TempDir& d) {
                                 fs::create_hard_link(d / "r.ROS", d / "other.ROS");
                                 return d / "r.ROS";
                               }},
                      KeepCase{"SetUserAndGroupBits", false, false,
                               [](const TempDir& d) {
                                 ::chmod((d / "r.ROS").c_str(), 06750);
                                 return d / "r.ROS";
                               }},
                      KeepCase{"AnotherUsersFile", true, false,
                               [](const TempDir& d) {
                                 ::chown((d / "r.ROS").c_str(), 65534, 65534);
                                 return d / "r.ROS";
                               }},
                      KeepCase{"ExtendedAttribute", false, false,
                               [](const TempDir& d) {
                                 const int set = ::setxattr((d / "r.ROS").c_str(), "user.orrimax",
                                                            "kept", 4, 0);
                                 return set == 0 ? d / "r.ROS" : fs::path();
                               }},
                      KeepCase{"AccessControlList", false, false,
                               [](const TempDir& d) {
                                 // Needs setfacl (Debian's acl) and ACLs on.
                                 const std::string command = "setfacl -m u:65534:rw,g:65534:r '" +
                                                             (d / "r.ROS").string() + "'";
                                 return std::system(command.c_str()) == 0 ? d / "r.ROS"
                                                                          : fs::path();
                               }},
                      KeepCase{"DanglingLinkChain", false, false,
                               [](const TempDir& d) {
                                 fs::remove(d / "r.ROS");
                                 fs::create_symlink("r.ROS", d / "link1");
                                 fs::create_symlink(d / "link1", d / "link2");
                                 return d / "link2";
                               }},
                      KeepCase{"NameNearTheLimit", false, false,
                               [](const TempDir& d) {
                                 const fs::path longName = d / (std::string(245, 'n') + ".ROS");
                                 fs::rename(d / "r.ROS", longName);
                                 fs::create_symlink(longName, d / "r.ROS");
                                 return longName;
                               }}),
    [](const auto& info) { return std::string(info.param.name); });

// Saved by an ordinary user: in place where the folder refuses a rename,
// refused where the file is not theirs to write. The owner stays root.
struct NobodyCase {
  const char* name;
  mode_t folder, file;
  const char* outcome;  // "in place", or the message
};

class SavedByNobody : public ::testing::TestWithParam<NobodyCase> {};

TEST_P(SavedByNobody, KeepsTheOwner) {
  if (!Root()) GTEST_SKIP() << "needs root to act as another user";
  const NobodyCase& c = GetParam();
  TempDir dir;
  gen::WriteBytes(dir / "r.ROS", kOld);
  ::chmod((dir / "r.ROS").c_str(), c.file);
  ::chmod(dir.path().c_str(), c.folder);
  const bool inPlace = std::string(c.outcome) == "in place";
  EXPECT_EQ(AsNobody([&] {
              if (!inPlace)
                return MessageOf<InOutError>([&] { SaveFile(dir / "r.ROS", kNew); }) == c.outcome;
              return SaveFile(dir / "r.ROS", kNew).inPlace;
            }),
            1);
  EXPECT_EQ(gen::ReadBytes(dir / "r.ROS"), inPlace ? kNew : kOld);
  EXPECT_EQ(Stat(dir / "r.ROS").st_uid, 0u);
  EXPECT_EQ(dir.Listing(), std::set<std::string>{"r.ROS"});
}

INSTANTIATE_TEST_SUITE_P(Saving, SavedByNobody,
                         ::testing::Values(NobodyCase{"FolderNotWritable", 0755, 0666, "in place"},
                                           NobodyCase{"StickyFolder", 01777, 0666, "in place"},
                                           NobodyCase{"FileNotWritable", 0777, 0644,
                                                      "File access denied"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Other writers ----------------------------------------------------------

TEST(Saving, TwoProcessesSavingOneFileBothSucceedAndLeaveItWhole) {
  TempDir dir;
  const fs::path path = dir / "r.ROS";
  gen::WriteBytes(path, kOld);
  const Bytes big(3'000'000, 0x5A);
  pid_t children[2];
  for (int k = 0; k < 2; ++k) {
    children[k] = ::fork();
    if (children[k] == 0) {
      for (int i = 0; i < 150; ++i) {
        try {
          SaveFile(path, k == 0 ? big : kNew);
        } catch (...) {
          ::_exit(1);
        }
      }
      ::_exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const Bytes now = gen::ReadBytes(path);
  EXPECT_TRUE(now == big || now == kNew);
  EXPECT_EQ(dir.Listing(), std::set<std::string>{"r.ROS"});
}

TEST(Saving, OnlyStaleTemporariesOfOursAreRemoved) {
  TempDir dir;
  const fs::path path = dir / "r.ROS";
  gen::WriteBytes(path, kOld);
  const auto age = [](const fs::path& p) {
    const struct timespec old[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 120, 0}};
    ::utimensat(AT_FDCWD, p.c_str(), old, AT_SYMLINK_NOFOLLOW);
  };
  gen::WriteBytes(dir / ".r.ROS.orrimax-stale1", kOld);  // a killed save's
  age(dir / ".r.ROS.orrimax-stale1");
  gen::WriteBytes(dir / ".r.ROS.orrimax-fresh1", kOld);  // another save, just begun
  gen::WriteBytes(dir / ".r.ROS.orrimax-locked", kOld);  // another save, slow
  age(dir / ".r.ROS.orrimax-locked");
  fs::create_directory(dir / ".r.ROS.orrimax-folder");
  age(dir / ".r.ROS.orrimax-folder");
  fs::create_symlink("r.ROS", dir / ".r.ROS.orrimax-linked");
  age(dir / ".r.ROS.orrimax-linked");
  gen::WriteBytes(dir / ".r.ROS.orrimax-my-notes", kOld);  // not of the pattern
  age(dir / ".r.ROS.orrimax-my-notes");

  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t holder = ::fork();
  if (holder == 0) {
    const int fd = ::open((dir / ".r.ROS.orrimax-locked").c_str(), O_RDONLY);
    ::flock(fd, LOCK_EX);
    [[maybe_unused]] const auto n = ::write(ready[1], "x", 1);
    ::pause();
    ::_exit(0);
  }
  char x;
  ASSERT_EQ(::read(ready[0], &x, 1), 1);
  SaveFile(path, kNew);
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  EXPECT_EQ(dir.Listing(),
            (std::set<std::string>{"r.ROS", ".r.ROS.orrimax-fresh1", ".r.ROS.orrimax-locked",
                                   ".r.ROS.orrimax-folder", ".r.ROS.orrimax-linked",
                                   ".r.ROS.orrimax-my-notes"}));
  // Once nothing holds it, the slow save's temporary is stale too.
  SaveFile(path, kOld);
  EXPECT_FALSE(fs::exists(dir / ".r.ROS.orrimax-locked"));
}

#endif  // _WIN32

// ---- Backups and outside changes, on every system ----------------------------

TEST(Saving, TheBackupHoldsTheFileAsItWasBeforeTheSession) {
  TempDir dir;
  const fs::path path = dir / "r.ROS";
  gen::WriteBytes(path, kOld);
#ifndef _WIN32
  ::chmod(path.c_str(), 0600);
#endif
  const Bytes third(100, 0x33);
  const SaveOutcome first = SaveFile(path, kNew, {.backup = true});
  EXPECT_EQ(first.backup, dir / "r.ROS.bak");
  EXPECT_TRUE(first.backupProblem.empty());
  EXPECT_EQ(gen::ReadBytes(dir / "r.ROS.bak"), kOld);
  EXPECT_TRUE(BackupExists(path));
#ifndef _WIN32
  EXPECT_EQ(Stat(dir / "r.ROS.bak").st_mode & 0777, 0600u);  // as private as the roster
#endif
  // Later saves of the session leave it alone; the next session replaces it.
  SaveFile(path, third);
  EXPECT_EQ(gen::ReadBytes(dir / "r.ROS.bak"), kOld);
  SaveFile(path, kOld, {.backup = true});
  EXPECT_EQ(gen::ReadBytes(dir / "r.ROS.bak"), third);
  // A backup that cannot be written does not stop the save.
  fs::remove(dir / "r.ROS.bak");
  fs::create_directory(dir / "r.ROS.bak");
  EXPECT_EQ(SaveFile(path, kNew, {.backup = true}).backupProblem, "File access denied");
  EXPECT_EQ(gen::ReadBytes(path), kNew);
#ifndef _WIN32
  const fs::path longest = dir / std::string(255, 'n');  // no room for ".bak"
  gen::WriteBytes(longest, kOld);
  EXPECT_EQ(SaveFile(longest, kNew, {.backup = true}).backupProblem, "Path not found");
  EXPECT_EQ(gen::ReadBytes(longest), kNew);
#endif
}

TEST(Saving, ChangesByOthersAreNoticed) {
  TempDir dir;
  const fs::path path = dir / "r.ROS";
  gen::WriteBytes(path, kOld);
  FileStamp stamp;
  ReadWholeFile(path, FileAccess::ReadOnly, &stamp);
  EXPECT_EQ(CompareWithDisk(path, stamp), DiskChange::None);
  // Same size and time, other bytes.
  const auto time = fs::last_write_time(path);
  Bytes other = kOld;
  other[100] ^= 1;
  gen::WriteBytes(path, other);
  fs::last_write_time(path, time);
  EXPECT_EQ(CompareWithDisk(path, stamp), DiskChange::Changed);
  gen::WriteBytes(path, kOld);
  fs::last_write_time(path, time + std::chrono::seconds(3));  // the same bytes, a new time
  EXPECT_EQ(CompareWithDisk(path, stamp), DiskChange::Changed);
  stamp = SaveFile(path, kNew).stamp;
  EXPECT_EQ(CompareWithDisk(path, stamp), DiskChange::None);
  fs::remove(path);
  EXPECT_EQ(CompareWithDisk(path, stamp), DiskChange::Deleted);
}

// ---- Failures --------------------------------------------------------------------

class WriteHook {
 public:
  explicit WriteHook(WriteFaultHook hook) { SetWriteFaultHookForTesting(std::move(hook)); }
  ~WriteHook() { SetWriteFaultHookForTesting({}); }
};

TEST(Saving, AFailureWhileRewritingInPlaceSaysTheFileMayBeIncomplete) {
  TempDir dir;
  const fs::path path = dir / "r.ROS";
  gen::WriteBytes(path, kOld);
  fs::create_hard_link(path, dir / "other.ROS");  // so that it is written in place
  const Bytes big(3'000'000, 0x77);
  {
    WriteHook hook([](std::size_t written, std::size_t chunk) { return written ? 0 : chunk; });
    EXPECT_EQ(MessageOf<IncompleteSaveError>([&] { SaveFile(path, big); }), "Disk full");
  }
  // Failing before the first byte: the file is as it was, and not incomplete.
  gen::WriteBytes(path, kOld);
  WriteHook hook([](std::size_t, std::size_t) { return std::size_t{0}; });
  try {
    SaveFile(path, big);
  } catch (const InOutError& e) {
    EXPECT_EQ(dynamic_cast<const IncompleteSaveError*>(&e), nullptr);
  }
  EXPECT_EQ(gen::ReadBytes(path), kOld);
}

struct MessageCase {
  bool incomplete;
  std::string message, backup, shown;
};

void PrintTo(const MessageCase& c, std::ostream* os) {
  *os << c.message;
}

class FailedSaveText : public ::testing::TestWithParam<MessageCase> {};

TEST_P(FailedSaveText, NamesTheFileAndSaysWhatBecameOfIt) {
  const MessageCase& c = GetParam();
  const std::string shown =
      c.incomplete ? FailedSaveMessage(IncompleteSaveError(28, c.message), "/r/R.ROS", c.backup)
                   : FailedSaveMessage(RosterError(c.message), "/r/R.ROS", c.backup);
  EXPECT_EQ(shown, c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Saving, FailedSaveText,
    ::testing::Values(
        MessageCase{false, "Disk full", "", "Disk full. The roster /r/R.ROS was not changed."},
        MessageCase{true, "I/O error 5", "/r/R.ROS.bak",
                    "I/O error 5. The roster /r/R.ROS may be incomplete; its backup "
                    "/r/R.ROS.bak is whole."},
        MessageCase{true, "Disk full", "", "Disk full. The roster /r/R.ROS may be incomplete."}));

}  // namespace
}  // namespace orrimax
