#pragma once
// The per-user store as REGEDIT4 text files: the key
// HKEY_CURRENT_USER\SOFTWARE\<Company>\<Product> lives in
// <config root>/<Company>/<Product>.reg, so people can read and edit it.
//
// Every write is a read-modify-write of one value or one whole set under an
// advisory lock, replacing the file atomically; lines the parser does not
// understand are kept as they stand. Reads take no lock: the file is only
// ever replaced whole. A symbolic link of the user's own at the path stays a
// link (writes go to its target); a file that cannot hold settings is left
// alone and named once on standard error.
//
// Ownership follows ssh's rule for ~/.ssh: nothing is written where another
// user could change the file or its directory (or a directory above it, a
// sticky one such as /tmp excepted), and a link owned by another user is
// never followed, for reading or writing. The store then runs on what it can
// read and says so once. Directories are made only once the path is known
// to be usable.
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/registry.h"

namespace velmo {

class HiveRegistry : public IRegistry {
 public:
  explicit HiveRegistry(std::filesystem::path configRoot);

  // Writes nothing: the key's section is written with its first values.
  // Creating a key whose file cannot be made (a read-only directory, a
  // directory or a binary file in its place) still hands out a handle: the
  // write that follows reports the failure, where the caller can show it.
  int32_t RegCreateKeyEx(HKEY root, const std::string& path, uint32_t access, HKEY* key) override;
  // A missing, unreadable or binary file, anything but a regular file (a
  // FIFO is never waited on), or a file without the key's section, is an
  // absent key.
  int32_t RegOpenKeyEx(HKEY root, const std::string& path, uint32_t access, HKEY* key) override;
  int32_t RegSetValueEx(HKEY key, const std::string& name, uint32_t type, const uint8_t* data,
                        uint32_t size) override;
  int32_t RegQueryValueEx(HKEY key, const std::string& name, uint32_t* type, uint8_t* data,
                          uint32_t* size) override;
  int32_t RegCloseKey(HKEY key) override;
  // One locked read-modify-write and one rename, on the calling thread.
  int32_t RegSetValues(HKEY key, const std::vector<RegEntry>& values) override;
  std::string KeyLocation(HKEY root, const std::string& path) const override;

  // Where a key lives; empty when the path is not one this store keeps.
  std::filesystem::path FileOf(const std::string& path) const;

 private:
  struct Location {
    std::filesystem::path file;
    std::string section;  // "HKEY_CURRENT_USER\SOFTWARE\..."
  };
  bool Locate(HKEY root, const std::string& path, Location* where) const;
  HKEY NewHandle(Location where);
  bool Lookup(HKEY key, Location* where);
  // Says once per file on standard error why a file at the settings path
  // cannot be used (why is empty when there is nothing to say).
  void ReportUnusable(const std::filesystem::path& file, const std::string& why);
  // One message per file, whatever its reason.
  void ReportOnce(const std::filesystem::path& file, const std::string& message);

  std::filesystem::path root_;
  std::mutex mutex_;  // guards the handle table and reported_
  std::map<HKEY, Location> handles_;
  std::set<std::string> reported_;
  HKEY next_handle_ = 0x1000;
};

// The store under ${XDG_CONFIG_HOME:-$HOME/.config}.
std::unique_ptr<IRegistry> MakeHiveRegistry();

}  // namespace velmo
