// The watcher's POSIX pieces on the real system: the settings file's watch,
// the session's lock, the saver's child process.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/posix/child_process.h"
#include "platform/posix/file_watch.h"
#include "platform/posix/session_lock.h"
#include "fakes/temp_dir.h"

namespace velmo {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& file, const char* text) { std::ofstream(file) << text; }

// Whether the watch's descriptor is readable now and says the file changed.
bool Changed(FileWatch& watch) {
  pollfd fd{watch.Fd(), POLLIN, 0};
  return poll(&fd, 1, 1000) == 1 && watch.Changed();
}

TEST(FileWatch, SeesTheFileReplacedOrWrittenEvenWhereItsDirectoryCameLater) {
  testing::TempDir temp;
  const fs::path dir = temp.path() / "Corvane";
  const fs::path file = dir / "Velmo20.reg";
  FileWatch watch(file.string());
  ASSERT_GE(watch.Fd(), 0);
  fs::create_directory(dir);  // the first save makes the directory
  EXPECT_TRUE(Changed(watch));
  Write(dir / "Velmo20.reg.tmp", "a");
  fs::rename(dir / "Velmo20.reg.tmp", file);  // as the store replaces it
  EXPECT_TRUE(Changed(watch));
  Write(dir / "other.reg", "b");  // another file there is no change
  pollfd fd{watch.Fd(), POLLIN, 0};
  EXPECT_TRUE(poll(&fd, 1, 1000) != 1 || !watch.Changed());
  Write(file, "c");  // written in place by hand
  EXPECT_TRUE(Changed(watch));
}

TEST(SessionLock, ASecondTakerFindsItHeldUntilTheFirstLetsGoAndAnOrderlyEndLeavesNoFile) {
  testing::TempDir temp;
  const std::string path = (temp.path() / "velmo-idle-wayland-1.lock").string();
  std::string why;
  SessionLock first, second;
  // A watcher killed while holding it: its file stays, and is taken over.
  const pid_t killed = fork();
  if (killed == 0) {
    SessionLock held;
    std::string childWhy;
    _exit(TakeSessionLock(path, &held, &childWhy) == LockResult::kTaken ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(waitpid(killed, &status, 0), killed);
  ASSERT_EQ(status, 0);
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(TakeSessionLock(path, &second, &why), LockResult::kTaken);
  EXPECT_EQ(TakeSessionLock(path, &first, &why), LockResult::kHeldByOther);
  second.Release();
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(TakeSessionLock(path, &first, &why), LockResult::kTaken);
  EXPECT_EQ(TakeSessionLock((temp.path() / "missing" / "x.lock").string(), &first, &why), LockResult::kFailed);
  EXPECT_NE(why.find("missing"), std::string::npos);
}

TEST(ChildProcess, ItsEndIsSeenOnItsDescriptorWithItsExitCode) {
  struct Case {
    const char* script;
    bool terminate;
    int code;
  } cases[] = {
      {"exit 3", false, 3},
      {"exec sleep 30", true, 128 + 15},  // SIGTERM: ended as asked
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    std::string why;
    auto child = ChildProcess::Spawn("/bin/sh", {"sh", "-c", c.script}, {"VELMO_IDLE_WATCHER=1"}, &why);
    ASSERT_TRUE(child) << why;
    if (c.terminate) child->Terminate();
    pollfd fd{child->Fd(), POLLIN, 0};
    ASSERT_EQ(poll(&fd, 1, 10000), 1);
    int code = -1;
    EXPECT_TRUE(child->Reap(&code));
    EXPECT_EQ(code, c.code);
  }
  std::string why;
  EXPECT_FALSE(ChildProcess::Spawn("/nonexistent/velmo", {"velmo", "/s"}, {}, &why));
  EXPECT_NE(why.find("/nonexistent/velmo"), std::string::npos);
}

}  // namespace
}  // namespace velmo
