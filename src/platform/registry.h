#pragma once
// Per-user typed key/value store with the registry's shape.
#include <cstdint>
#include <string>
#include <vector>

namespace velmo {

using HKEY = uintptr_t;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;

constexpr int32_t ERROR_SUCCESS = 0;
constexpr int32_t ERROR_FILE_NOT_FOUND = 2;
constexpr int32_t ERROR_ACCESS_DENIED = 5;
constexpr int32_t ERROR_INVALID_HANDLE = 6;
constexpr int32_t ERROR_INVALID_DATA = 13;
constexpr int32_t ERROR_INVALID_PARAMETER = 87;
constexpr int32_t ERROR_MORE_DATA = 234;

constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_EXPAND_SZ = 2;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;

constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;
constexpr uint32_t REG_OPTION_NON_VOLATILE = 0;

// One value of a whole-set write (IRegistry::RegSetValues).
struct RegEntry {
  std::string name;
  uint32_t type = REG_NONE;
  std::vector<uint8_t> data;
  // Written only where the key does not already hold a value of this type
  // and length: a set can fill what is missing without undoing values
  // someone else stored meanwhile.
  bool keepStored = false;
};

class IRegistry {
 public:
  virtual ~IRegistry() = default;
  // Opens the key, creating every missing level of the path.
  virtual int32_t RegCreateKeyEx(HKEY root, const std::string& path, uint32_t access, HKEY* key) = 0;
  // Opens an existing key only.
  virtual int32_t RegOpenKeyEx(HKEY root, const std::string& path, uint32_t access, HKEY* key) = 0;
  virtual int32_t RegSetValueEx(HKEY key, const std::string& name, uint32_t type, const uint8_t* data,
                                uint32_t size) = 0;
  // data may be null to ask for the type and size only; on a buffer too
  // small the size needed is stored and ERROR_MORE_DATA returned.
  virtual int32_t RegQueryValueEx(HKEY key, const std::string& name, uint32_t* type, uint8_t* data,
                                  uint32_t* size) = 0;
  virtual int32_t RegCloseKey(HKEY key) = 0;

  // Several values of one key in one step: all of them are written or none
  // (a store on disk replaces its file once). Blocks for one file write.
  virtual int32_t RegSetValues(HKEY key, const std::vector<RegEntry>& values) = 0;
  // Where the key lives, for messages a person reads (a file name); empty
  // when there is nothing useful to name. Cheap, no I/O.
  virtual std::string KeyLocation(HKEY root, const std::string& path) const {
    (void)root;
    (void)path;
    return {};
  }
};

}  // namespace velmo
