// SPDX-License-Identifier: MIT
#include "platform/posix/text_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include "platform/posix/unique_fd.h"

namespace velmo {
namespace {

bool Same(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

}  // namespace

int ReadTextFile(const std::string& path, TTextFile* file) {
  char resolved[PATH_MAX];
  if (!::realpath(path.c_str(), resolved)) return errno;
  UniqueFd fd(::open(resolved, O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return errno;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return EINVAL;
  std::string text;
  char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  file->path = resolved;
  file->text = std::move(text);
  file->st = st;
  return 0;
}

int ReplaceTextFile(const TTextFile& file, const std::string& text) {
  const size_t slash = file.path.rfind('/');
  const std::string dir = slash == 0 ? "/" : file.path.substr(0, slash);
  std::string temp = file.path + ".velmo-XXXXXX";
  UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (fd.get() < 0) return errno;
  auto fail = [&](int err) {
    ::unlink(temp.c_str());
    return err;
  };
  if ((file.st.st_uid != ::geteuid() || file.st.st_gid != ::getegid()) &&
      ::fchown(fd.get(), file.st.st_uid, file.st.st_gid) != 0) {
    // Another owner cannot be given by this user: the file becomes theirs.
  }
  if (::fchmod(fd.get(), file.st.st_mode & 07777) != 0) return fail(errno);
  for (size_t at = 0; at < text.size();) {
    const ssize_t n = ::write(fd.get(), text.data() + at, text.size() - at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return fail(errno);
    at += static_cast<size_t>(n);
  }
  if (::fsync(fd.get()) != 0) return fail(errno);
  if (::close(fd.release()) != 0) return fail(errno);
  // Someone else's write since ours was read (xscreensaver-settings saving)
  // is not overwritten.
  struct stat now {};
  if (::stat(file.path.c_str(), &now) != 0) return fail(errno);
  if (!Same(now, file.st)) return fail(EAGAIN);
  if (::rename(temp.c_str(), file.path.c_str()) != 0) return fail(errno);
  UniqueFd directory(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() >= 0) ::fsync(directory.get());
  return 0;
}

}  // namespace velmo
