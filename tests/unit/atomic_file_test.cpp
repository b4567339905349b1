// SPDX-License-Identifier: MIT
#include "platform/posix/atomic_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "fakes/temp_dir.h"

namespace velmo {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Anything but a regular file is refused at once with its reason, read or
// written, and stays as it was. Run in a child, so a hang fails the test.
TEST(AtomicFile, RefusesWhatIsNotARegularFileWithoutWaitingOnIt) {
  testing::TempDir dir;
  const fs::path fifo = dir.path() / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::alarm(10);
    int failed = 0;
    std::string text, why;
    if (ReadWholeFile(fifo, &text, &why) != EINVAL || why.find("FIFO") == std::string::npos) failed |= 1;
    why.clear();
    if (WriteFileAtomically(fifo, "x", 0600, &why) != EINVAL || why.find("FIFO") == std::string::npos) failed |= 2;
    why.clear();
    if (WriteFileAtomically(fs::path("/dev/null"), "x", 0600, &why) != EINVAL || why.empty()) failed |= 4;
    ::_exit(failed);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "blocked on the FIFO";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  struct stat st {};
  ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"fifo"});
}

// A new file gets the mode asked for; a replaced one keeps its own; a file
// changed since it was read is left alone.
TEST(AtomicFile, KeepsTheModeAndLeavesAFileChangedMeanwhile) {
  testing::TempDir dir;
  const fs::path file = dir.path() / "settings";
  ASSERT_EQ(WriteFileAtomically(file, "one\n", 0600), 0);
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);

  std::string text;
  struct stat read {};
  ASSERT_EQ(ReadWholeFile(file, &text, nullptr, &read), 0);
  EXPECT_EQ(text, "one\n");
  ASSERT_EQ(WriteFileAtomically(file, "two\n", 0600, nullptr, &read), 0);
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(testing::ReadText(file), "two\n");

  std::string why;
  EXPECT_EQ(WriteFileAtomically(file, "three\n", 0600, &why, &read), EAGAIN);  // `read` is the old file
  EXPECT_EQ(testing::ReadText(file), "two\n");
  EXPECT_EQ(Names(dir.path()), std::vector<std::string>{"settings"});
}

// Writers killed at any moment leave the old contents or the new, whole;
// a temporary one left (a file system without unnamed files) goes with the
// next write once it is old, and a user's file of a similar name stays.
TEST(AtomicFile, AKilledWriterLeavesAWholeFileAndNoTemporary) {
  testing::TempDir dir;
  const fs::path file = dir.path() / ".xscreensaver";
  const std::string big(200000, 'a');
  ASSERT_EQ(WriteFileAtomically(file, big, 0644), 0);
  for (int round = 0; round < 10; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const std::string other(200000, 'b');
      for (;;) WriteFileAtomically(file, other, 0644);
    }
    ::usleep(static_cast<useconds_t>(500 + round * 700));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const std::string text = testing::ReadText(file);
    ASSERT_EQ(text.size(), big.size());
    EXPECT_TRUE(text == big || text == std::string(200000, 'b'));
  }
  testing::WriteText(dir.path() / ".xscreensaver.tmp.Ab3xYz", "left by a kill");
  testing::WriteText(dir.path() / ".xscreensaver.tmp.mine!!", "a user's");
  testing::WriteText(dir.path() / ".xscreensaver.tmp.Fresh1", "a writer's at work");
  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
  fs::last_write_time(dir.path() / ".xscreensaver.tmp.Ab3xYz", old);
  fs::last_write_time(dir.path() / ".xscreensaver.tmp.mine!!", old);
  ASSERT_EQ(WriteFileAtomically(file, "done\n", 0644), 0);
  EXPECT_EQ(Names(dir.path()),
            (std::vector<std::string>{".xscreensaver", ".xscreensaver.tmp.Fresh1", ".xscreensaver.tmp.mine!!"}));
}

}  // namespace
}  // namespace velmo
