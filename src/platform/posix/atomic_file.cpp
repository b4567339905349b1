// SPDX-License-Identifier: MIT
#include "platform/posix/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "platform/posix/unique_fd.h"

namespace velmo {
namespace {

namespace fs = std::filesystem;

// Temporaries are ".<name>.tmp.XXXXXX" (one dot before a hidden name), six letters or digits as mkostemp
// makes them, so the sweep knows them and nothing else.
constexpr const char* kTempMark = ".tmp.";
constexpr time_t kStaleSeconds = 60;

void Say(std::string* why, const std::string& text) {
  if (why) *why = text;
}

std::string KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "it is a directory";
  if (S_ISFIFO(mode)) return "it is a FIFO, not a regular file";
  if (S_ISLNK(mode)) return "it is a symbolic link";
  return "it is not a regular file";
}

std::string DirOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The temporary's name without its six characters: hidden, as the file is
// when its name starts with a dot.
std::string TempMark(const std::string& path) {
  const std::string name = fs::path(path).filename().string();
  // Appended, not "." + name: GCC 12 takes that for overlapping copies (-Wrestrict).
  std::string mark = name.starts_with('.') ? name : std::string(".").append(name);
  return mark.append(kTempMark);
}

std::string TempPrefix(const std::string& path) { return DirOf(path) + "/" + TempMark(path); }

// A fresh name for a temporary (the unnamed file's name for the moment
// before the rename).
std::string TempName(const std::string& path) {
  static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  uint64_t seed = static_cast<uint64_t>(::getpid()) * 0x9E3779B97F4A7C15ull;
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  seed ^= static_cast<uint64_t>(now.tv_nsec) + (static_cast<uint64_t>(now.tv_sec) << 30);
  std::string name = TempPrefix(path);
  for (int i = 0; i < 6; ++i) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    name += kChars[(seed >> 33) % (sizeof kChars - 1)];
  }
  return name;
}

bool WriteAll(int fd, std::string_view text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool Same(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// The new contents, flushed, in a file beside path named *temp, with the
// mode and owner given. An unnamed file gets its name only once it is whole.
int WriteTemporary(const std::string& path, std::string_view contents, mode_t mode, uid_t uid, gid_t gid,
                   std::string* temp) {
  auto fill = [&](int fd) {
    // Another owner cannot always be given by this user: the file is then ours.
    if ((uid != ::geteuid() || gid != ::getegid()) && ::fchown(fd, uid, gid) != 0) {
    }
    return ::fchmod(fd, mode & 07777) == 0 && WriteAll(fd, contents) && ::fsync(fd) == 0;
  };
  UniqueFd fd(::open(DirOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
  if (fd.get() >= 0) {
    if (!fill(fd.get())) return errno ? errno : EIO;
    const std::string self = "/proc/self/fd/" + std::to_string(fd.get());
    for (int attempt = 0; attempt < 16; ++attempt) {
      *temp = TempName(path);
      if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp->c_str(), AT_SYMLINK_FOLLOW) == 0) return 0;
      if (errno != EEXIST) break;
    }
  }
  *temp = TempPrefix(path) + "XXXXXX";
  fd.reset(::mkostemp(temp->data(), O_CLOEXEC));
  if (fd.get() < 0) {
    temp->clear();
    return errno;
  }
  if (fill(fd.get()) && ::close(fd.release()) == 0) return 0;
  const int err = errno ? errno : EIO;
  ::unlink(temp->c_str());
  temp->clear();
  return err;
}

}  // namespace

int ReadWholeFile(const std::string& path, std::string* text, std::string* why, struct stat* stOut) {
  // Non-blocking, so a FIFO or a device at the path cannot hang the open;
  // anything but a regular file is refused right after.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) {
    const int err = errno;
    Say(why, std::strerror(err));
    return err;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    const int err = errno;
    Say(why, std::strerror(err));
    return err;
  }
  if (!S_ISREG(st.st_mode)) {
    Say(why, KindOf(st.st_mode));
    return EINVAL;
  }
  std::string read;
  char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      Say(why, std::strerror(err));
      return err;
    }
    if (n == 0) break;
    read.append(buffer, static_cast<size_t>(n));
  }
  *text = std::move(read);
  if (stOut) *stOut = st;
  return 0;
}

int WriteFileAtomically(const std::string& path, std::string_view contents, mode_t newMode, std::string* why,
                        const struct stat* unchangedSince) {
  RemoveStaleTemporaries(path);
  struct stat st {};
  mode_t mode = newMode;
  uid_t uid = ::geteuid();
  gid_t gid = ::getegid();
  // lstat opens nothing, so a FIFO or a device is judged without waiting on it.
  if (::lstat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) {
      Say(why, KindOf(st.st_mode));
      return EINVAL;
    }
    mode = st.st_mode;
    uid = st.st_uid;
    gid = st.st_gid;
  } else if (errno != ENOENT || unchangedSince) {
    const int err = errno;
    Say(why, std::strerror(err));
    return err;
  }
  std::string temp;
  if (const int err = WriteTemporary(path, contents, mode, uid, gid, &temp); err != 0) {
    Say(why, std::strerror(err));
    return err;
  }
  auto fail = [&](int err, const std::string& text) {
    ::unlink(temp.c_str());
    Say(why, text);
    return err;
  };
  // Someone else's write since ours was read is not overwritten.
  if (unchangedSince) {
    struct stat now {};
    if (::lstat(path.c_str(), &now) != 0) return fail(errno, std::strerror(errno));
    if (!Same(now, *unchangedSince)) return fail(EAGAIN, "it was changed meanwhile");
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) return fail(errno, std::strerror(errno));
  // The rename itself is durable only once the directory is.
  UniqueFd dir(::open(DirOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  return 0;
}

void RemoveStaleTemporaries(const std::string& path) {
  const std::string mark = TempMark(path);
  const time_t now = ::time(nullptr);
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(DirOf(path), ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() != mark.size() + 6 || name.compare(0, mark.size(), mark) != 0) continue;
    if (!std::all_of(name.begin() + static_cast<std::ptrdiff_t>(mark.size()), name.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }))
      continue;
    struct stat st {};
    if (::lstat(entry.path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        st.st_nlink != 1 || now - st.st_mtime < kStaleSeconds)
      continue;
    ::unlink(entry.path().c_str());
  }
}

}  // namespace velmo
