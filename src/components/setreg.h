#pragma once
// TSetReg: named values under one per-user key (SOFTWARE\<CompanyName>\<ProductName>
// of the current user). Every call opens the key, moves one value (or one
// whole set) and closes it again. The only state besides the two names is
// the set of values a load found missing, which the next write fills in.
#include <stdexcept>
#include <string>
#include <vector>

#include "components/component.h"
#include "platform/registry.h"

namespace velmo {

// The registry error raised by a read or write inside an opened key.
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The value is absent from a key that exists (the text is the same).
class ERegistryMissingValue : public ERegistryException {
 public:
  using ERegistryException::ERegistryException;
};

class TSetReg : public Component {
 public:
  TSetReg(Component* owner, IRegistry& registry);

  const std::string& GetCompanyName() const { return FCompanyName; }
  const std::string& GetProductName() const { return FProductName; }
  void SetCompanyName(std::string value) { FCompanyName = std::move(value); }
  void SetProductName(std::string value) { FProductName = std::move(value); }

  // True when the key opened; false leaves everything as it was.
  bool Write(std::string name, int value);
  bool Write(std::string name, bool value);
  bool Write(std::string name, const std::string& value);
  bool Write(std::string name, const char* value) { return Write(std::move(name), std::string(value)); }
  bool Read(std::string name, int* value);
  bool Read(std::string name, bool* value);
  bool Read(std::string name, std::string* value);

  // One integer (or boolean as 0 or 1) of a whole set.
  struct Entry {
    std::string name;
    int value = 0;
    // Written only where the key holds no readable value of this name.
    bool keepStored = false;
  };
  // All the values in one step: every one of them is stored or none.
  // False when the key cannot be opened; a rejected write raises
  // "Failed to set data for '<first name>'".
  bool WriteSet(const std::vector<Entry>& values);
  // Values a load found missing: the next Write or WriteSet stores them in
  // the same step (where they are still missing then), so the key is whole
  // again from its next write on.
  void SetMissingValues(std::vector<Entry> values);
  // The file (or other place) that holds the key, for messages.
  std::string Location() const;

 private:
  std::string KeyPath() const;
  bool WriteOne(const std::string& name, uint32_t type, std::vector<uint8_t> bytes);

  IRegistry& registry_;
  std::string FCompanyName;
  std::string FProductName;
  std::vector<Entry> missing_;
};

}  // namespace velmo
