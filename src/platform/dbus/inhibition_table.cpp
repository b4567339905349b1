#include "platform/dbus/inhibition_table.h"

#include <algorithm>

namespace velmo {

uint32_t TInhibitionTable::Add(const std::string& sender, const std::string& application, const std::string& reason) {
  auto taken = [&](uint32_t cookie) {
    return std::any_of(held_.begin(), held_.end(), [&](const Held& h) { return h.cookie == cookie; });
  };
  while (next_ == 0 || taken(next_)) ++next_;
  held_.push_back({next_, sender, application, reason});
  return next_++;
}

bool TInhibitionTable::Remove(const std::string& sender, uint32_t cookie) {
  const auto it =
      std::find_if(held_.begin(), held_.end(), [&](const Held& h) { return h.cookie == cookie && h.sender == sender; });
  if (it == held_.end()) return false;
  held_.erase(it);
  return true;
}

size_t TInhibitionTable::DropSender(const std::string& sender) {
  return std::erase_if(held_, [&](const Held& h) { return h.sender == sender; });
}

bool TInhibitionTable::Holds(const std::string& sender) const {
  return std::any_of(held_.begin(), held_.end(), [&](const Held& h) { return h.sender == sender; });
}

std::string TInhibitionTable::First() const {
  if (held_.empty()) return {};
  return held_.front().application + " (" + held_.front().reason + ")";
}

}  // namespace velmo
