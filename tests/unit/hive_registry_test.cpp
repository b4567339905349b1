#include "platform/posix/hive_registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

#include "components/setreg.h"
#include "fakes/temp_dir.h"
#include "fakes/velmo_store.h"
#include "platform/posix/private_group.h"

namespace velmo {
namespace {

namespace fs = std::filesystem;
using testing::ReadText;
using testing::WriteText;

constexpr const char* kKey = "SOFTWARE\\Corvane\\Velmo20";
constexpr const char* kHead = "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Velmo20]\n";

using testing::VelmoStore;

class HiveTest : public ::testing::Test {
 protected:
  fs::path File() const { return dir.path() / "Corvane" / "Velmo20.reg"; }
  std::string ErrorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const ERegistryException& e) {
      return e.what();
    }
    return "(no error)";
  }
  // Every value's integer read, or "error" text.
  int ReadInt(const std::string& name) {
    int v = -12345;
    EXPECT_TRUE(store.Read(name, &v)) << name;
    return v;
  }

  testing::TempDir dir;
  HiveRegistry hive{dir.path()};
  VelmoStore store{hive};
};

TEST_F(HiveTest, KeyMapsToAFileUnderTheConfigRoot) {
  EXPECT_EQ(hive.FileOf(kKey), File());
  EXPECT_EQ(hive.FileOf("software\\A\\B\\Sub"), dir.path() / "A" / "B.reg");
  EXPECT_EQ(hive.FileOf("SOFTWARE\\Corvane"), fs::path());
  EXPECT_EQ(hive.FileOf("SYSTEM\\Corvane\\Velmo20"), fs::path());
  EXPECT_EQ(hive.FileOf("SOFTWARE\\..\\Velmo20"), fs::path());
  EXPECT_EQ(hive.FileOf("SOFTWARE\\a/b\\Velmo20"), fs::path());
  EXPECT_EQ(hive.FileOf("SOFTWARE\\\\Velmo20"), fs::path());
}

TEST_F(HiveTest, AbsentKeyVersusAbsentValue) {
  int v = 5;
  EXPECT_FALSE(store.Read("NumBirds", &v));
  EXPECT_EQ(v, 5);
  EXPECT_FALSE(fs::exists(dir.path() / "Corvane"));  // reading creates nothing

  WriteText(File(), "REGEDIT4\n\n[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Other]\n\"NumBirds\"=dword:00000001\n");
  EXPECT_FALSE(store.Read("NumBirds", &v));  // a file without the section: still no key

  WriteText(File(), kHead);
  EXPECT_EQ(ErrorOf([&] { store.Read("NumBirds", &v); }), "Failed to get data for 'NumBirds'");
  std::string text = "x";
  EXPECT_TRUE(store.Read("Title", &text));
  EXPECT_EQ(text, "");
}

TEST_F(HiveTest, FirstWriteCreatesEveryLevelPrivately) {
  const fs::path root = dir.path() / "deeper" / "config";
  HiveRegistry nested(root);
  VelmoStore s(nested);
  EXPECT_TRUE(s.Write("NumBirds", 7));
  const fs::path file = root / "Corvane" / "Velmo20.reg";
  EXPECT_EQ(ReadText(file), std::string(kHead) + "\"NumBirds\"=dword:00000007\n");
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat((root / "Corvane").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

// The typed reads themselves are the store's (its own tests); here, that the
// file's types and sizes reach it as the store expects them.
TEST_F(HiveTest, TypesAndSizesThroughTheStore) {
  WriteText(File(), std::string(kHead) +
                        "\"Five\"=dword:00000005\n\"Short\"=\"12\"\n\"Long\"=\"1234\"\n"
                        "\"Expand\"=hex(2):25,00,48,00,25,00,00,00\n\"Blob\"=hex:01,02\n");
  EXPECT_EQ(ReadInt("Five"), 5);
  int v = 0;
  EXPECT_EQ(ErrorOf([&] { store.Read("Short", &v); }), "Invalid data type for 'Short'");
  EXPECT_EQ(ErrorOf([&] { store.Read("Long", &v); }), "Failed to get data for 'Long'");
  EXPECT_EQ(ErrorOf([&] { store.Read("Blob", &v); }), "Invalid data type for 'Blob'");
  std::string text;
  EXPECT_TRUE(store.Read("Expand", &text));
  EXPECT_EQ(text, "%H%");
}

TEST_F(HiveTest, WritesKeepEverythingTheyDoNotTouch) {
  const std::string before =
      "REGEDIT4\r\n\r\n; written by hand\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Velmo20]\r\n"
      "\"Gamma\"=DWORD:000000FF\r\n"
      "this line is broken\r\n"
      "\"clockX\"=dword:1234567890\r\n"
      "\"Icon\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\r\n"
      "  17,18\r\n"
      "\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Other]\r\n\"Gamma\"=dword:00000001\r\n";
  WriteText(File(), before);
  EXPECT_TRUE(store.Write("Gamma", 128));
  EXPECT_TRUE(store.Write("NumBirds", 3));
  std::string expected = before;
  expected.replace(expected.find("\"Gamma\"=DWORD:000000FF"), 22, "\"Gamma\"=dword:00000080");
  expected.insert(expected.find("\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Other]") + 2,
                  "\"NumBirds\"=dword:00000003\r\n");
  EXPECT_EQ(ReadText(File()), expected);
  int v = 0;
  // The broken value stays broken: a read of it is a missing value.
  EXPECT_EQ(ErrorOf([&] { store.Read("clockX", &v); }), "Failed to get data for 'clockX'");
  EXPECT_EQ(ReadInt("Gamma"), 128);
}

TEST_F(HiveTest, ABinaryFileIsNeitherReadNorOverwritten) {
  std::string junk = "\x7f" "ELF\x02\x01\x01";
  junk += std::string("\0\0\0\xff[HKEY_CURRENT_USER\\SOFTWARE\\Corvane\\Velmo20]\n\"NumBirds\"=dword:00000001\n", 70);
  WriteText(File(), junk);
  int v = 9;
  EXPECT_FALSE(store.Read("NumBirds", &v));
  EXPECT_EQ(v, 9);
  EXPECT_EQ(ErrorOf([&] { store.Write("NumBirds", 7); }), "Failed to set data for 'NumBirds'");
  EXPECT_EQ(ReadText(File()), junk);
}

TEST_F(HiveTest, ADirectoryInPlaceOfTheFile) {
  fs::create_directories(File());
  int v = 9;
  EXPECT_FALSE(store.Read("NumBirds", &v));
  EXPECT_EQ(ErrorOf([&] { store.Write("NumBirds", 7); }), "Failed to set data for 'NumBirds'");
  EXPECT_TRUE(fs::is_directory(File()));
}

// Bit mask of the checks that failed, so it can run in a child process.
int ReadOnlyChecks(const fs::path& root) {
  HiveRegistry hive(root);
  VelmoStore store(hive);
  int failed = 0;
  if (!store.Write("NumBirds", 4)) failed |= 1;
  ::chmod((root / "Corvane").c_str(), 0500);
  try {
    store.Write("NumBirds", 7);
    failed |= 2;
  } catch (const ERegistryException& e) {
    if (std::string(e.what()) != "Failed to set data for 'NumBirds'") failed |= 4;
  }
  int v = 0;
  if (!store.Read("NumBirds", &v) || v != 4) failed |= 8;  // what is there can still be read
  ::chmod(root.c_str(), 0500);
  HiveRegistry below(root / "new");
  VelmoStore fresh(below);
  try {
    fresh.Write("NumBirds", 7);
    failed |= 16;
  } catch (const ERegistryException&) {
  }
  return failed;
}

TEST_F(HiveTest, AReadOnlyConfigDirectory) {
  const fs::path root = dir.path() / "ro";
  fs::create_directories(root);
  if (::geteuid() != 0) {
    EXPECT_EQ(ReadOnlyChecks(root), 0);
    return;
  }
  // Permissions do not bind root: run the checks as an ordinary user.
  constexpr uid_t kNobody = 65534;
  ASSERT_EQ(::chown(root.c_str(), kNobody, kNobody), 0);
  ::chmod(dir.path().c_str(), 0755);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(100);
    ::_exit(ReadOnlyChecks(root));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(HiveTest, ASymlinkedHiveStaysALinkEvenWhenItDangles) {
  const fs::path elsewhere = dir.path() / "dotfiles" / "velmo.reg";
  WriteText(elsewhere, kHead);
  fs::create_directories(File().parent_path());
  fs::create_symlink(elsewhere, File());
  EXPECT_TRUE(store.Write("NumBirds", 2));
  EXPECT_TRUE(fs::is_symlink(File()));
  EXPECT_EQ(ReadText(elsewhere), std::string(kHead) + "\"NumBirds\"=dword:00000002\n");

  // A link to a file not made yet (a relative one, through a second link):
  // the write creates the file the chain ends at.
  fs::remove(File());
  fs::create_symlink("../dotfiles/hop", File());
  fs::create_symlink("new.reg", dir.path() / "dotfiles" / "hop");
  EXPECT_TRUE(store.Write("NumBirds", 3));
  EXPECT_TRUE(fs::is_symlink(File()));
  EXPECT_EQ(ReadText(dir.path() / "dotfiles" / "new.reg"), std::string(kHead) + "\"NumBirds\"=dword:00000003\n");
  // A link into a directory that does not exist is an error, not a new file.
  fs::remove(File());
  fs::create_symlink(dir.path() / "gone" / "velmo.reg", File());
  EXPECT_EQ(ErrorOf([&] { store.Write("NumBirds", 4); }), "Failed to set data for 'NumBirds'");
  EXPECT_TRUE(fs::is_symlink(File()));
}

// A whole set is one replace: written together, values already stored kept
// where asked, and nothing at all (not even the section) before it.
TEST_F(HiveTest, AWholeSetIsOneWriteThatKeepsWhatItIsToldTo) {
  HKEY key = 0;
  ASSERT_EQ(hive.RegCreateKeyEx(HKEY_CURRENT_USER, kKey, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  EXPECT_FALSE(fs::exists(File().parent_path()));  // opening for writing writes nothing
  EXPECT_TRUE(store.Write("Gamma", 200));
  EXPECT_TRUE(store.WriteSet({{"NumBirds", 3}, {"Gamma", 256, true}, {"clockX", 5, true}}));
  EXPECT_EQ(ReadText(File()), std::string(kHead) + "\"Gamma\"=dword:000000c8\n\"NumBirds\"=dword:00000003\n"
                                                   "\"clockX\"=dword:00000005\n");
  hive.RegCloseKey(key);
}

// ssh's rule: another user's link is never followed, and nothing is written
// in a directory others could change; the store says so and runs on.
TEST_F(HiveTest, OtherUsersLinksAndOpenDirectoriesAreLeftAlone) {
  constexpr uid_t kNobody = 65534;
  const fs::path theirs = dir.path() / "theirs.txt";
  WriteText(theirs, "notes\n");
  fs::create_directories(File().parent_path());
  fs::create_symlink(theirs, File());
  if (::geteuid() == 0) {
    ASSERT_EQ(::lchown(File().c_str(), kNobody, kNobody), 0);
    int v = 0;
    EXPECT_FALSE(store.Read("NumBirds", &v));
    EXPECT_EQ(ErrorOf([&] { store.Write("NumBirds", 2); }), "Failed to set data for 'NumBirds'");
    EXPECT_EQ(ReadText(theirs), "notes\n");
  }
  fs::remove(File());
  ::chmod(File().parent_path().c_str(), 0777);
  EXPECT_EQ(ErrorOf([&] { store.Write("NumBirds", 2); }), "Failed to set data for 'NumBirds'");
  EXPECT_FALSE(fs::exists(File()));
  ::chmod(File().parent_path().c_str(), 0700);
  EXPECT_TRUE(store.Write("NumBirds", 2));
  ::chmod(File().c_str(), 0666);
  EXPECT_EQ(ErrorOf([&] { store.Write("NumBirds", 3); }), "Failed to set data for 'NumBirds'");
  EXPECT_EQ(ReadInt("NumBirds"), 2);  // still read
}

// A group's write lets nobody else in only when nobody else belongs to it,
// neither listed nor by a primary group: a shared primary group such as
// "users" lists none of its users.
TEST(PrivateGroup, OnlyAGroupNobodyElseBelongsToIsPrivate) {
  const TAccount ann{"ann", 1000, 1000};
  const std::vector<TAccount> accounts{{"root", 0, 0}, {"ann", 1000, 1000}, {"bob", 1001, 1001}};
  EXPECT_TRUE(GroupIsPrivate(1000, ann, {}, accounts));
  EXPECT_TRUE(GroupIsPrivate(1000, ann, {"ann"}, accounts));
  EXPECT_TRUE(GroupIsPrivate(1000, ann, {}, {{"ann", 1000, 1000}, {"ann-alias", 1000, 1000}})) << "the same uid";
  EXPECT_FALSE(GroupIsPrivate(1000, ann, {"ann", "bob"}, accounts)) << "another member listed";
  EXPECT_FALSE(GroupIsPrivate(1001, ann, {}, accounts)) << "not the user's own group";
  const TAccount annInUsers{"ann", 1000, 100};
  EXPECT_FALSE(GroupIsPrivate(100, annInUsers, {}, {{"ann", 1000, 100}, {"bob", 1001, 100}}))
      << "another user's primary group";
  EXPECT_TRUE(GroupIsPrivate(100, annInUsers, {}, {{"ann", 1000, 100}, {"bob", 1001, 1001}}));
}

// A path too long for the system is known before any directory is made.
TEST_F(HiveTest, APathTooLongLeavesNoDirectoriesBehind) {
  fs::path root = dir.path();
  for (int level = 0; level < 23; ++level) root /= std::string(180, 'a' + level);  // about 4150 characters
  HiveRegistry deep(root);
  VelmoStore far(deep);
  EXPECT_EQ(ErrorOf([&] { far.Write("NumBirds", 1); }), "Failed to set data for 'NumBirds'");
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

// A FIFO at the settings path: reads and writes return at once, refused,
// and the FIFO stays. Run in a child so a hang fails the test instead of
// stopping the suite.
TEST_F(HiveTest, AFifoInPlaceOfTheFileNeitherBlocksNorIsReplaced) {
  fs::create_directories(File().parent_path());
  ASSERT_EQ(::mkfifo(File().c_str(), 0600), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::alarm(10);
    int v = 9, failed = 0;
    if (store.Read("NumBirds", &v) || v != 9) failed |= 1;
    if (ErrorOf([&] { store.Write("NumBirds", 7); }) != "Failed to set data for 'NumBirds'") failed |= 2;
    ::_exit(failed);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "the store blocked on the FIFO";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  struct stat st {};
  ASSERT_EQ(::lstat(File().c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// Two processes each write their own values many times over; neither loses one.
TEST_F(HiveTest, ConcurrentWritersLoseNothing) {
  constexpr int kRounds = 40;
  EXPECT_TRUE(store.Write("Start", 0));
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = ::fork();
    ASSERT_GE(children[c], 0);
    if (children[c] == 0) {
      HiveRegistry own(dir.path());
      VelmoStore s(own);
      for (int i = 1; i <= kRounds; ++i) s.Write((c ? "B" : "A") + std::to_string(i % 4), i);
      ::_exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int k = 0; k < 4; ++k) {
    const int last = kRounds - ((kRounds - k) % 4);
    EXPECT_EQ(ReadInt("A" + std::to_string(k)), last);
    EXPECT_EQ(ReadInt("B" + std::to_string(k)), last);
  }
  EXPECT_EQ(ReadInt("Start"), 0);
}

// A writer killed at any moment leaves the old file or a new one, whole.
TEST_F(HiveTest, AWriterKilledMidwayLeavesAWholeFile) {
  EXPECT_TRUE(store.Write("Keep", 1));
  for (int round = 0; round < 20; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      HiveRegistry own(dir.path());
      VelmoStore s(own);
      for (int i = 0;; ++i) s.Write("Counter", i);
    }
    ::usleep(static_cast<useconds_t>(1000 + round * 500));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::string text = ReadText(File());
    ASSERT_EQ(text.rfind(kHead, 0), 0u) << text;
    ASSERT_NE(text.find("\"Keep\"=dword:00000001\n"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\n');
  }
  EXPECT_EQ(ReadInt("Keep"), 1);
  EXPECT_GE(ReadInt("Counter"), 0);
  // A later write leaves no temporary of its own and clears the ones the
  // killed writers left, once they are old, and nothing else: not a user's
  // file of a similar name.
  WriteText(File().parent_path() / ".Velmo20.reg.backup", "mine");
  WriteText(File().parent_path() / ".Velmo20.reg.tmp.mine!!", "mine too");
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
  for (const auto& e : fs::directory_iterator(File().parent_path())) fs::last_write_time(e.path(), old);
  EXPECT_TRUE(store.Write("Keep", 2));
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(File().parent_path())) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".Velmo20.reg.backup", ".Velmo20.reg.tmp.mine!!", "Velmo20.reg",
                                             "Velmo20.reg.lock"}));
}

}  // namespace
}  // namespace velmo
