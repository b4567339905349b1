#include "platform/fake/fake_registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace velmo {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool SameName(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

}  // namespace

FakeRegistry::Key* FakeRegistry::Find(const std::string& path) {
  auto it = keys_.find(Lower(path));
  return it == keys_.end() ? nullptr : &it->second;
}

const FakeRegistry::Key* FakeRegistry::Find(const std::string& path) const {
  auto it = keys_.find(Lower(path));
  return it == keys_.end() ? nullptr : &it->second;
}

FakeRegistry::Key& FakeRegistry::Ensure(const std::string& path) { return keys_[Lower(path)]; }

int32_t FakeRegistry::RegCreateKeyEx(HKEY root, const std::string& path, uint32_t access, HKEY* key) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int32_t result = createError;
  if (result == ERROR_SUCCESS && root != HKEY_CURRENT_USER) result = ERROR_ACCESS_DENIED;
  if (result == ERROR_SUCCESS) {
    Ensure(path);
    *key = next_handle_++;
    handles_[*key] = path;
  }
  calls.push_back({"RegCreateKeyEx", path, access, 0, result});
  return result;
}

int32_t FakeRegistry::RegOpenKeyEx(HKEY root, const std::string& path, uint32_t access, HKEY* key) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int32_t result = openError;
  if (result == ERROR_SUCCESS && (root != HKEY_CURRENT_USER || !Find(path))) result = ERROR_FILE_NOT_FOUND;
  if (result == ERROR_SUCCESS) {
    *key = next_handle_++;
    handles_[*key] = path;
  }
  calls.push_back({"RegOpenKeyEx", path, access, 0, result});
  return result;
}

int32_t FakeRegistry::RegSetValueEx(HKEY key, const std::string& name, uint32_t type, const uint8_t* data,
                                    uint32_t size) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int32_t result = setError;
  if (auto it = setErrorFor.find(name); result == ERROR_SUCCESS && it != setErrorFor.end()) result = it->second;
  auto handle = handles_.find(key);
  if (result == ERROR_SUCCESS && handle == handles_.end()) result = ERROR_INVALID_HANDLE;
  if (result == ERROR_SUCCESS) PutRaw(handle->second, name, type, std::vector<uint8_t>(data, data + size));
  calls.push_back({"RegSetValueEx", name, 0, type, result});
  return result;
}

int32_t FakeRegistry::RegQueryValueEx(HKEY key, const std::string& name, uint32_t* type, uint8_t* data,
                                      uint32_t* size) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int32_t result = ERROR_SUCCESS;
  const Value* value = nullptr;
  auto handle = handles_.find(key);
  if (handle == handles_.end()) {
    result = ERROR_INVALID_HANDLE;
  } else if (!(value = Get(handle->second, name))) {
    result = ERROR_FILE_NOT_FOUND;
  } else {
    if (type) *type = value->type;
    const auto needed = static_cast<uint32_t>(value->data.size());
    if (data && (!size || *size < needed)) {
      result = ERROR_MORE_DATA;
    } else if (data && !value->data.empty()) {
      std::memcpy(data, value->data.data(), needed);
    }
    if (size) *size = needed;
  }
  calls.push_back({"RegQueryValueEx", name, 0, value ? value->type : 0, result});
  return result;
}

int32_t FakeRegistry::RegCloseKey(HKEY key) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const int32_t result = handles_.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
  calls.push_back({"RegCloseKey", "", 0, 0, result});
  return result;
}

int32_t FakeRegistry::RegSetValues(HKEY key, const std::vector<RegEntry>& values) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  int32_t result = setError;
  for (const RegEntry& v : values)
    if (auto it = setErrorFor.find(v.name); result == ERROR_SUCCESS && it != setErrorFor.end()) result = it->second;
  auto handle = handles_.find(key);
  if (result == ERROR_SUCCESS && handle == handles_.end()) result = ERROR_INVALID_HANDLE;
  std::vector<std::string> written;
  if (result == ERROR_SUCCESS) {
    for (const RegEntry& v : values) {
      const Value* stored = Get(handle->second, v.name);
      if (v.keepStored && stored && stored->type == v.type && stored->data.size() == v.data.size()) continue;
      PutRaw(handle->second, v.name, v.type, v.data);
      written.push_back(v.name);
    }
    sets.push_back(written);
  }
  std::string names;
  for (const std::string& n : written) names += (names.empty() ? "" : ",") + n;
  calls.push_back({"RegSetValues", names, 0, 0, result});
  return result;
}

void FakeRegistry::CreateKey(const std::string& path) { std::lock_guard<std::recursive_mutex> lock(mutex_); Ensure(path); }

bool FakeRegistry::HasKey(const std::string& path) const { std::lock_guard<std::recursive_mutex> lock(mutex_); return Find(path) != nullptr; }

void FakeRegistry::PutDword(const std::string& path, const std::string& name, uint32_t value) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  PutRaw(path, name, REG_DWORD,
         {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
          static_cast<uint8_t>(value >> 24)});
}

void FakeRegistry::PutString(const std::string& path, const std::string& name, const std::string& text) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  PutRaw(path, name, REG_SZ, std::move(bytes));
}

void FakeRegistry::PutRaw(const std::string& path, const std::string& name, uint32_t type,
                          std::vector<uint8_t> data) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  Key& k = Ensure(path);
  auto it = std::find_if(k.begin(), k.end(), [&](const Value& v) { return SameName(v.name, name); });
  if (it == k.end()) {
    k.push_back({name, type, std::move(data)});
  } else {
    it->type = type;
    it->data = std::move(data);
  }
}

void FakeRegistry::Erase(const std::string& path, const std::string& name) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (Key* k = Find(path)) {
    std::erase_if(*k, [&](const Value& v) { return SameName(v.name, name); });
  }
}

const FakeRegistry::Value* FakeRegistry::Get(const std::string& path, const std::string& name) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const Key* k = Find(path);
  if (!k) return nullptr;
  auto it = std::find_if(k->begin(), k->end(), [&](const Value& v) { return SameName(v.name, name); });
  return it == k->end() ? nullptr : &*it;
}

int64_t FakeRegistry::Dword(const std::string& path, const std::string& name) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const Value* v = Get(path, name);
  if (!v || v->type != REG_DWORD || v->data.size() != 4) return -1;
  return static_cast<int64_t>(static_cast<uint32_t>(v->data[0] | (v->data[1] << 8) | (v->data[2] << 16) |
                                                    (static_cast<uint32_t>(v->data[3]) << 24)));
}

std::vector<FakeRegistry::Value> FakeRegistry::Values(const std::string& path) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  const Key* k = Find(path);
  return k ? *k : std::vector<Value>{};
}

std::vector<std::string> FakeRegistry::WrittenNames() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  std::vector<std::string> names;
  for (const Call& c : calls)
    if (c.op == "RegSetValueEx") {
      names.push_back(c.what);
    } else if (c.op == "RegSetValues" && c.result == ERROR_SUCCESS) {
      for (size_t start = 0; start < c.what.size();) {
        const size_t comma = std::min(c.what.find(',', start), c.what.size());
        names.push_back(c.what.substr(start, comma - start));
        start = comma + 1;
      }
    }
  return names;
}

}  // namespace velmo
