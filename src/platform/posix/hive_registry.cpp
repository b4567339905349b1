#include "platform/posix/hive_registry.h"

#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>

#include "platform/posix/atomic_file.h"
#include "platform/posix/private_group.h"
#include "platform/posix/reg_text.h"
#include "platform/text.h"
#include "platform/posix/unique_fd.h"

namespace velmo {
namespace {

namespace fs = std::filesystem;

// A file this large or holding zero bytes is not a hive someone wrote.
constexpr off_t kMaxHiveSize = 16 * 1024 * 1024;

int32_t FromErrno(int err) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return ERROR_FILE_NOT_FOUND;
    default:
      return ERROR_ACCESS_DENIED;
  }
}

// The whole file as text; a missing one is ERROR_FILE_NOT_FOUND, a
// directory, an unreadable or a binary file another error, with the reason
// in *why.
int32_t ReadHive(const fs::path& file, std::string* text, std::string* why) {
  // Non-blocking, so a FIFO or a device at the path cannot hang the open;
  // anything but a regular file is refused right after.
  UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) {
    if (errno != ENOENT && errno != ENOTDIR) *why = std::strerror(errno);
    return FromErrno(errno);
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return FromErrno(errno);
  if (!S_ISREG(st.st_mode)) {
    *why = S_ISDIR(st.st_mode) ? "it is a directory" : "it is not a regular file";
    return ERROR_ACCESS_DENIED;
  }
  if (st.st_size > kMaxHiveSize) {
    *why = "it is too large for a settings file";
    return ERROR_INVALID_DATA;
  }
  text->clear();
  char buffer[8192];
  while (true) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *why = std::strerror(errno);
      return FromErrno(errno);
    }
    if (n == 0) break;
    text->append(buffer, static_cast<size_t>(n));
    if (text->size() > static_cast<size_t>(kMaxHiveSize)) {
      *why = "it is too large for a settings file";
      return ERROR_INVALID_DATA;
    }
  }
  if (text->find('\0') != std::string::npos) {
    *why = "it holds binary data, not settings text";
    return ERROR_INVALID_DATA;
  }
  return ERROR_SUCCESS;
}

// Missing levels are private to the user, like the file.
int32_t MakeDirectories(const fs::path& dir) {
  fs::path partial;
  for (const fs::path& part : dir) {
    partial /= part;
    if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return FromErrno(errno);
  }
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0) return FromErrno(errno);
  return S_ISDIR(st.st_mode) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// The hive is replaced whole (platform/posix/atomic_file.h): a crash leaves
// the old file or the new one, and no temporary. A new hive is private to
// the user; one the user opened to others keeps its mode.
int32_t ReplaceFile(const fs::path& target, const std::string& text) {
  const int err = WriteFileAtomically(target.string(), text, 0600);
  return err == 0 ? ERROR_SUCCESS : FromErrno(err);
}

// Ownership, as ssh judges ~/.ssh: what we may write lies in directories
// only we (or root) can change, and no link of another user's leads there.
// Group write is harmless when the group is the user's own private group
// (IsPrivateGroup).
bool OwnedByOther(const struct stat& st) { return st.st_uid != ::geteuid() && st.st_uid != 0; }

// Why another user could change what st describes; empty when nobody can.
// In a sticky directory (/tmp) others cannot move our entries.
std::string OthersMayWrite(const struct stat& st, bool stickyShelters) {
  if (OwnedByOther(st)) return "belongs to another user";
  if (stickyShelters && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) return {};
  if ((st.st_mode & S_IWOTH) || ((st.st_mode & S_IWGRP) && !IsPrivateGroup(st.st_gid))) return "is writable by other users";
  return {};
}

// The first link along path (its own name included) owned by another user.
std::string ForeignLinkOn(const fs::path& path) {
  fs::path partial;
  for (const fs::path& part : path) {
    partial /= part;
    struct stat st {};
    if (::lstat(partial.c_str(), &st) != 0) break;
    if (S_ISLNK(st.st_mode) && OwnedByOther(st)) return partial.string() + " is a link owned by another user";
  }
  return {};
}

// Why the directory dir, made where missing, may not hold the settings:
// a foreign link on its path, or it or a directory above it open to others.
std::string UnsafeDirectory(const fs::path& dir) {
  if (std::string why = ForeignLinkOn(dir); !why.empty()) return why;
  fs::path deepest = dir;
  struct stat st {};
  while (::lstat(deepest.c_str(), &st) != 0 && deepest.has_relative_path()) deepest = deepest.parent_path();
  char* resolved = ::realpath(deepest.c_str(), nullptr);
  if (!resolved) return {};  // the write itself says what is wrong
  const fs::path real(resolved);
  std::free(resolved);
  const bool isSettingsDir = deepest == dir;
  for (fs::path p = real;; p = p.parent_path()) {
    if (::stat(p.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) break;
    // The settings directory itself must be closed to others, sticky or not.
    if (std::string why = OthersMayWrite(st, !(isSettingsDir && p == real)); !why.empty())
      return p.string() + " " + why;
    if (!p.has_relative_path()) break;
  }
  return {};
}

// Where a write goes: the settings path itself or, through any chain of the
// user's own symbolic links, the file they end at, which need not exist yet.
// The link stays a link; a loop of links is an error. *unsafe says why the
// target is not ours to write (another user's link, file or directory).
int32_t ResolveLinks(const fs::path& file, fs::path* target, std::string* unsafe) {
  fs::path p = file;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) {
      if (errno != ENOENT) return FromErrno(errno);
      *target = p;
      if (p != file) *unsafe = UnsafeDirectory(p.parent_path());
      return ERROR_SUCCESS;
    }
    if (!S_ISLNK(st.st_mode)) {
      *target = p;
      if (S_ISREG(st.st_mode)) {
        if (std::string why = OthersMayWrite(st, false); !why.empty()) *unsafe = p.string() + " " + why;
      }
      if (unsafe->empty() && p != file) *unsafe = UnsafeDirectory(p.parent_path());
      return ERROR_SUCCESS;
    }
    if (OwnedByOther(st)) {
      *unsafe = p.string() + " is a link owned by another user";
      return ERROR_SUCCESS;
    }
    std::error_code ec;
    const fs::path link = fs::read_symlink(p, ec);
    if (ec) return ERROR_ACCESS_DENIED;
    p = link.is_absolute() ? link : p.parent_path() / link;
  }
  return ERROR_ACCESS_DENIED;
}

// A path the system cannot take is known before any directory is made.
bool PathFits(const fs::path& file) {
  for (const fs::path& part : file)
    if (part.native().size() > NAME_MAX) return false;
  // The longest name used is the temporary's, beside the file.
  return file.native().size() + 16 < PATH_MAX;
}

// Locked read-modify-write of one hive file. edit returns false when it
// changed nothing, and then nothing is written. *why says why the file cannot
// be used, *unsafe why it is not ours to write.
int32_t ModifyHive(const fs::path& file, const std::function<bool(RegDocument&)>& edit, std::string* why,
                   std::string* unsafe) {
  if (!PathFits(file)) {
    *why = std::strerror(ENAMETOOLONG);
    return ERROR_ACCESS_DENIED;
  }
  if (*unsafe = UnsafeDirectory(file.parent_path()); !unsafe->empty()) return ERROR_ACCESS_DENIED;
  if (int32_t rc = MakeDirectories(file.parent_path()); rc != ERROR_SUCCESS) return rc;
  // Judged again once it exists: a directory someone else made first, or
  // with other rights, between the check and the mkdir is not ours.
  if (*unsafe = UnsafeDirectory(file.parent_path()); !unsafe->empty()) return ERROR_ACCESS_DENIED;
  // The lock lives in its own file: the hive itself is replaced on every write.
  const fs::path lockPath = file.string() + ".lock";
  if (*unsafe = ForeignLinkOn(lockPath); !unsafe->empty()) return ERROR_ACCESS_DENIED;
  UniqueFd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (lock.get() < 0) return FromErrno(errno);
  while (::flock(lock.get(), LOCK_EX) != 0) {
    if (errno != EINTR) return FromErrno(errno);
  }
  fs::path target;
  if (int32_t rc = ResolveLinks(file, &target, unsafe); rc != ERROR_SUCCESS) return rc;
  if (!unsafe->empty()) return ERROR_ACCESS_DENIED;

  std::string text;
  const int32_t rc = ReadHive(target, &text, why);
  if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return rc;
  if (rc == ERROR_FILE_NOT_FOUND) text.clear();
  RegDocument doc = RegDocument::Parse(text);
  if (!edit(doc)) return ERROR_SUCCESS;
  return ReplaceFile(target, doc.Serialize());
}

// Another user's link is never followed, for reading either.
int32_t LoadHive(const fs::path& file, RegDocument* doc, std::string* why) {
  if (std::string foreign = ForeignLinkOn(file); !foreign.empty()) {
    *why = foreign + "; it is not followed";
    return ERROR_ACCESS_DENIED;
  }
  std::string text;
  if (int32_t rc = ReadHive(file, &text, why); rc != ERROR_SUCCESS) return rc;
  *doc = RegDocument::Parse(text);
  return ERROR_SUCCESS;
}

bool SafeComponent(const std::string& part) {
  if (part.empty() || part == "." || part == "..") return false;
  for (char c : part)
    if (c == '/' || static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

}  // namespace

HiveRegistry::HiveRegistry(std::filesystem::path configRoot) : root_(std::move(configRoot)) {}

bool HiveRegistry::Locate(HKEY root, const std::string& path, Location* where) const {
  if (root != HKEY_CURRENT_USER || root_.empty()) return false;
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t slash = path.find('\\', start);
    parts.push_back(path.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  if (parts.size() < 3 || !EqualsIgnoringCase(parts[0], "SOFTWARE")) return false;
  std::string section = "HKEY_CURRENT_USER";
  for (const std::string& part : parts) {
    if (!SafeComponent(part)) return false;
    section += "\\" + part;
  }
  where->file = root_ / parts[1] / (parts[2] + ".reg");
  where->section = std::move(section);
  return true;
}

std::filesystem::path HiveRegistry::FileOf(const std::string& path) const {
  Location where;
  return Locate(HKEY_CURRENT_USER, path, &where) ? where.file : std::filesystem::path();
}

HKEY HiveRegistry::NewHandle(Location where) {
  std::lock_guard<std::mutex> guard(mutex_);
  const HKEY key = next_handle_++;
  handles_[key] = std::move(where);
  return key;
}

bool HiveRegistry::Lookup(HKEY key, Location* where) {
  std::lock_guard<std::mutex> guard(mutex_);
  auto it = handles_.find(key);
  if (it == handles_.end()) return false;
  *where = it->second;
  return true;
}

int32_t HiveRegistry::RegCreateKeyEx(HKEY root, const std::string& path, uint32_t, HKEY* key) {
  Location where;
  if (!Locate(root, path, &where)) return ERROR_ACCESS_DENIED;
  // Nothing is written yet: the key's section comes with its first values,
  // so the file holds whole sets only. Failures come back from that write.
  *key = NewHandle(std::move(where));
  return ERROR_SUCCESS;
}

int32_t HiveRegistry::RegOpenKeyEx(HKEY root, const std::string& path, uint32_t, HKEY* key) {
  Location where;
  RegDocument doc;
  std::string why;
  if (!Locate(root, path, &where)) return ERROR_FILE_NOT_FOUND;
  if (LoadHive(where.file, &doc, &why) != ERROR_SUCCESS || !doc.HasSection(where.section)) {
    ReportUnusable(where.file, why);
    return ERROR_FILE_NOT_FOUND;
  }
  *key = NewHandle(std::move(where));
  return ERROR_SUCCESS;
}

int32_t HiveRegistry::RegSetValueEx(HKEY key, const std::string& name, uint32_t type, const uint8_t* data,
                                    uint32_t size) {
  if (!data && size > 0) return ERROR_INVALID_PARAMETER;
  return RegSetValues(key, {RegEntry{name, type, data ? std::vector<uint8_t>(data, data + size) : std::vector<uint8_t>()}});
}

int32_t HiveRegistry::RegSetValues(HKEY key, const std::vector<RegEntry>& values) {
  Location where;
  if (!Lookup(key, &where)) return ERROR_INVALID_HANDLE;
  // A name must fit on one line of the file.
  for (const RegEntry& v : values)
    if (v.name.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return ERROR_INVALID_PARAMETER;
  std::string why;
  std::string unsafe;
  const int32_t rc = ModifyHive(
      where.file,
      [&](RegDocument& doc) {
        bool changed = doc.EnsureSection(where.section);
        for (const RegEntry& v : values) {
          if (v.keepStored) {
            const std::optional<RegValue> stored = doc.Find(where.section, v.name);
            if (stored && stored->type == v.type && stored->data.size() == v.data.size()) continue;
          }
          doc.Set(where.section, RegValue{v.name, v.type, v.data});
          changed = true;
        }
        return changed;
      },
      &why, &unsafe);
  if (!unsafe.empty())
    ReportOnce(where.file, "Velmo: the settings are not stored in " + where.file.string() + ": " + unsafe +
                               " (the rule ssh keeps for ~/.ssh); the saver runs on what it can read.");
  ReportUnusable(where.file, why);
  return rc;
}

int32_t HiveRegistry::RegQueryValueEx(HKEY key, const std::string& name, uint32_t* type, uint8_t* data,
                                      uint32_t* size) {
  Location where;
  if (!Lookup(key, &where)) return ERROR_INVALID_HANDLE;
  RegDocument doc;
  std::string why;
  if (LoadHive(where.file, &doc, &why) != ERROR_SUCCESS) {
    ReportUnusable(where.file, why);
    return ERROR_FILE_NOT_FOUND;
  }
  const std::optional<RegValue> value = doc.Find(where.section, name);
  if (!value) return ERROR_FILE_NOT_FOUND;
  if (type) *type = value->type;
  const auto needed = static_cast<uint32_t>(value->data.size());
  int32_t rc = ERROR_SUCCESS;
  if (data) {
    if (!size) return ERROR_INVALID_PARAMETER;
    if (*size < needed)
      rc = ERROR_MORE_DATA;
    else if (needed > 0)
      std::memcpy(data, value->data.data(), needed);
  }
  if (size) *size = needed;
  return rc;
}

void HiveRegistry::ReportUnusable(const std::filesystem::path& file, const std::string& why) {
  if (why.empty()) return;
  ReportOnce(file, "Velmo: the settings file " + file.string() + " cannot be used (" + why +
                       "); it is left as it is and the settings are not stored.");
}

void HiveRegistry::ReportOnce(const std::filesystem::path& file, const std::string& message) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (!reported_.insert(file.string()).second) return;
  }
  std::fprintf(stderr, "%s\n", message.c_str());
}

std::string HiveRegistry::KeyLocation(HKEY root, const std::string& path) const {
  Location where;
  return Locate(root, path, &where) ? where.file.string() : std::string();
}

int32_t HiveRegistry::RegCloseKey(HKEY key) {
  std::lock_guard<std::mutex> guard(mutex_);
  return handles_.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

std::unique_ptr<IRegistry> MakeHiveRegistry() {
  // XDG: an unset, empty or relative XDG_CONFIG_HOME means ~/.config.
  std::filesystem::path root;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') {
    root = xdg;
  } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
    root = std::filesystem::path(home) / ".config";
  } else if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir && user->pw_dir[0] == '/') {
    root = std::filesystem::path(user->pw_dir) / ".config";
  }
  return std::make_unique<HiveRegistry>(root);
}

}  // namespace velmo
