#pragma once
// TSetReg: named values under one per-user key (SOFTWARE\<CompanyName>\<ProductName>
// of the current user). Stateless: every call opens the key, moves one value
// and closes it again.
#include <stdexcept>
#include <string>

#include "components/component.h"
#include "platform/registry.h"

namespace velmo {

// The registry error raised by a read or write inside an opened key.
class ERegistryException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
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

 private:
  std::string KeyPath() const;

  IRegistry& registry_;
  std::string FCompanyName;
  std::string FProductName;
};

}  // namespace velmo
