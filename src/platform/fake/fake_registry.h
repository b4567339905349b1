#pragma once
// In-memory registry for tests: keys and typed values, scriptable failures,
// and a log of every call.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace velmo {

class FakeRegistry : public IRegistry {
 public:
  // The key the saver keeps its settings under.
  static constexpr const char* kVelmoKey = "SOFTWARE\\Corvane\\Velmo20";

  struct Value {
    std::string name;
    uint32_t type = REG_NONE;
    std::vector<uint8_t> data;
  };

  struct Call {
    std::string op;    // "RegCreateKeyEx", "RegOpenKeyEx", "RegSetValueEx", "RegSetValues", "RegQueryValueEx", "RegCloseKey"
    std::string what;  // key path for opening calls, value name for value calls, names written for a set
    uint32_t access = 0;
    uint32_t type = 0;
    int32_t result = 0;
  };

  // Scripted failures: non-zero makes every such call fail with that code.
  int32_t openError = ERROR_SUCCESS;
  int32_t createError = ERROR_SUCCESS;
  int32_t setError = ERROR_SUCCESS;
  // Fails writes of one value name only.
  std::map<std::string, int32_t> setErrorFor;

  std::vector<Call> calls;

  int32_t RegCreateKeyEx(HKEY root, const std::string& path, uint32_t access, HKEY* key) override;
  int32_t RegOpenKeyEx(HKEY root, const std::string& path, uint32_t access, HKEY* key) override;
  int32_t RegSetValueEx(HKEY key, const std::string& name, uint32_t type, const uint8_t* data,
                        uint32_t size) override;
  int32_t RegQueryValueEx(HKEY key, const std::string& name, uint32_t* type, uint8_t* data,
                          uint32_t* size) override;
  int32_t RegCloseKey(HKEY key) override;
  // All or nothing: a scripted failure of any name fails the whole set.
  int32_t RegSetValues(HKEY key, const std::vector<RegEntry>& values) override;

  // Direct access for arranging and checking, bypassing the log and failures.
  void CreateKey(const std::string& path);
  bool HasKey(const std::string& path) const;
  void PutDword(const std::string& path, const std::string& name, uint32_t value);
  // REG_SZ with its terminating zero byte.
  void PutString(const std::string& path, const std::string& name, const std::string& text);
  void PutRaw(const std::string& path, const std::string& name, uint32_t type, std::vector<uint8_t> data);
  void Erase(const std::string& path, const std::string& name);
  // Null when absent.
  const Value* Get(const std::string& path, const std::string& name) const;
  // The value as a REG_DWORD; -1 when absent or of another type (tests only).
  int64_t Dword(const std::string& path, const std::string& name) const;
  // Values of a key in the order they were first written.
  std::vector<Value> Values(const std::string& path) const;
  size_t OpenHandles() const { return handles_.size(); }
  // Names written by RegSetValueEx and RegSetValues, in call order.
  std::vector<std::string> WrittenNames() const;
  // Names each successful RegSetValues wrote, one list per call.
  std::vector<std::vector<std::string>> sets;

 private:
  // The scene's live keys write from a thread of their own.
  mutable std::recursive_mutex mutex_;
  using Key = std::vector<Value>;
  Key* Find(const std::string& path);
  const Key* Find(const std::string& path) const;
  Key& Ensure(const std::string& path);

  std::map<std::string, Key> keys_;  // by lower-cased path
  std::map<HKEY, std::string> handles_;
  HKEY next_handle_ = 0x100;
};

}  // namespace velmo
