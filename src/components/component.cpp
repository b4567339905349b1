#include "components/component.h"

#include <algorithm>

namespace velmo {

Component::Component(Component* owner) : owner_(owner) {
  if (owner_) owner_->children_.push_back(this);
}

Component::~Component() {
  destroying_ = true;
  while (!children_.empty()) {
    Component* last = children_.back();
    children_.pop_back();
    last->owner_ = nullptr;
    delete last;
  }
  if (owner_ && !owner_->destroying_) {
    auto& siblings = owner_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

void Component::FreeChild(Component* child) {
  auto it = std::find(children_.begin(), children_.end(), child);
  if (it == children_.end()) return;
  children_.erase(it);
  child->owner_ = nullptr;
  delete child;
}

}  // namespace velmo
