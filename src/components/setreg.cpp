#include "components/setreg.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace velmo {
namespace {

// The key is closed however the transfer ends, an error included.
class OpenKey {
 public:
  OpenKey(IRegistry& registry, HKEY key) : registry_(registry), key_(key) {}
  ~OpenKey() { registry_.RegCloseKey(key_); }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKEY get() const { return key_; }

 private:
  IRegistry& registry_;
  HKEY key_;
};

// The name is pasted in, never used as a format.
[[noreturn]] void Raise(const char* before, const std::string& name) {
  throw ERegistryException(std::string(before) + name + "'");
}

[[noreturn]] void RaiseMissing(const std::string& name) {
  throw ERegistryMissingValue("Failed to get data for '" + name + "'");
}

std::vector<uint8_t> DwordBytes(uint32_t v) {
  return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
          static_cast<uint8_t>(v >> 24)};
}

RegEntry DwordEntry(const TSetReg::Entry& e) {
  return RegEntry{e.name, REG_DWORD, DwordBytes(static_cast<uint32_t>(e.value)), e.keepStored};
}

// A 4-byte REG_DWORD; a longer or missing value cannot be fetched, a short
// one of another type is the wrong type.
uint32_t QueryDword(IRegistry& registry, HKEY key, const std::string& name) {
  uint8_t buffer[4] = {0, 0, 0, 0};
  uint32_t size = sizeof buffer;
  uint32_t type = REG_NONE;
  const int32_t rc = registry.RegQueryValueEx(key, name, &type, buffer, &size);
  if (rc == ERROR_FILE_NOT_FOUND) RaiseMissing(name);
  if (rc != ERROR_SUCCESS) Raise("Failed to get data for '", name);
  if (type != REG_DWORD) Raise("Invalid data type for '", name);
  return static_cast<uint32_t>(buffer[0]) | (static_cast<uint32_t>(buffer[1]) << 8) |
         (static_cast<uint32_t>(buffer[2]) << 16) | (static_cast<uint32_t>(buffer[3]) << 24);
}

}  // namespace

TSetReg::TSetReg(Component* owner, IRegistry& registry) : Component(owner), registry_(registry) {}

std::string TSetReg::KeyPath() const { return "SOFTWARE\\" + FCompanyName + "\\" + FProductName; }

bool TSetReg::WriteOne(const std::string& name, uint32_t type, std::vector<uint8_t> bytes) {
  HKEY key = 0;
  if (registry_.RegCreateKeyEx(HKEY_CURRENT_USER, KeyPath(), KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  OpenKey open(registry_, key);
  if (missing_.empty()) {
    if (registry_.RegSetValueEx(key, name, type, bytes.data(), static_cast<uint32_t>(bytes.size())) != ERROR_SUCCESS)
      Raise("Failed to set data for '", name);
    return true;
  }
  std::vector<RegEntry> set;
  for (const Entry& e : missing_)
    if (e.name != name) set.push_back(DwordEntry(Entry{e.name, e.value, true}));
  set.push_back(RegEntry{name, type, std::move(bytes), false});
  if (registry_.RegSetValues(key, set) != ERROR_SUCCESS) Raise("Failed to set data for '", name);
  missing_.clear();
  return true;
}

bool TSetReg::Write(std::string name, int value) {
  return WriteOne(name, REG_DWORD, DwordBytes(static_cast<uint32_t>(value)));
}

bool TSetReg::Write(std::string name, bool value) { return WriteOne(name, REG_DWORD, DwordBytes(value ? 1u : 0u)); }

bool TSetReg::Write(std::string name, const std::string& value) {
  std::vector<uint8_t> bytes(value.begin(), value.end());
  bytes.push_back(0);
  return WriteOne(name, REG_SZ, std::move(bytes));
}

bool TSetReg::WriteSet(const std::vector<Entry>& values) {
  HKEY key = 0;
  if (registry_.RegCreateKeyEx(HKEY_CURRENT_USER, KeyPath(), KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  OpenKey open(registry_, key);
  std::vector<RegEntry> set;
  for (const Entry& e : missing_)
    if (std::none_of(values.begin(), values.end(), [&](const Entry& v) { return v.name == e.name; }))
      set.push_back(DwordEntry(Entry{e.name, e.value, true}));
  for (const Entry& e : values) set.push_back(DwordEntry(e));
  if (registry_.RegSetValues(key, set) != ERROR_SUCCESS) Raise("Failed to set data for '", values.empty() ? std::string() : values.front().name);
  missing_.clear();
  return true;
}

void TSetReg::SetMissingValues(std::vector<Entry> values) { missing_ = std::move(values); }

std::string TSetReg::Location() const { return registry_.KeyLocation(HKEY_CURRENT_USER, KeyPath()); }

bool TSetReg::Read(std::string name, int* value) {
  HKEY key = 0;
  if (registry_.RegOpenKeyEx(HKEY_CURRENT_USER, KeyPath(), KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  OpenKey open(registry_, key);
  *value = static_cast<int>(QueryDword(registry_, key, name));
  return true;
}

bool TSetReg::Read(std::string name, bool* value) {
  HKEY key = 0;
  if (registry_.RegOpenKeyEx(HKEY_CURRENT_USER, KeyPath(), KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  OpenKey open(registry_, key);
  *value = QueryDword(registry_, key, name) != 0;
  return true;
}

bool TSetReg::Read(std::string name, std::string* value) {
  HKEY key = 0;
  if (registry_.RegOpenKeyEx(HKEY_CURRENT_USER, KeyPath(), KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
  OpenKey open(registry_, key);
  uint32_t type = REG_NONE;
  uint32_t size = 0;
  // A missing or empty value reads as the empty string.
  if (registry_.RegQueryValueEx(key, name, &type, nullptr, &size) != ERROR_SUCCESS || size == 0) {
    value->clear();
    return true;
  }
  std::vector<uint8_t> buffer(size);
  if (registry_.RegQueryValueEx(key, name, &type, buffer.data(), &size) != ERROR_SUCCESS)
    Raise("Failed to get data for '", name);
  if (type != REG_SZ && type != REG_EXPAND_SZ) Raise("Invalid data type for '", name);
  const auto* bytes = reinterpret_cast<const char*>(buffer.data());
  *value = std::string(bytes, strnlen(bytes, size));
  return true;
}

}  // namespace velmo
