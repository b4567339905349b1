#pragma once
// Component base: an owner, a name, and children destroyed with the owner in
// reverse order of creation. Notify events carry only the sender.
#include <functional>
#include <string>
#include <vector>

namespace velmo {

class Component;
using TNotifyEvent = std::function<void(Component* sender)>;

class Component {
 public:
  explicit Component(Component* owner = nullptr);
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  Component* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  // Destroys a child now (as the framework's Free does) and forgets it.
  void FreeChild(Component* child);

 private:
  Component* owner_;
  std::string name_;
  std::vector<Component*> children_;
  bool destroying_ = false;
};

}  // namespace velmo
