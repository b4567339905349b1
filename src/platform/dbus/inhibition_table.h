#pragma once
// The inhibitions the watcher holds for org.freedesktop.ScreenSaver where it
// serves that name itself: each Inhibit gets a cookie and is held until its
// caller calls UnInhibit with it, or its connection to the bus closes (a
// player that crashed must not hold the saver off for ever). Pure
// bookkeeping, no bus; any thread, not thread-safe.
#include <cstdint>
#include <string>
#include <vector>

namespace velmo {

class TInhibitionTable {
 public:
  // The new inhibition's cookie: never 0, never one still held.
  uint32_t Add(const std::string& sender, const std::string& application, const std::string& reason);
  // Drops the cookie, if sender holds it (a caller cannot end another's).
  // True when it was held.
  bool Remove(const std::string& sender, uint32_t cookie);
  // Drops every inhibition of a connection that closed; how many.
  size_t DropSender(const std::string& sender);
  bool Empty() const { return held_.empty(); }
  // Whether a sender holds any: whose connection the bus must watch.
  bool Holds(const std::string& sender) const;
  // "application (reason)" of the first one held, for a message; empty when none.
  std::string First() const;

 private:
  struct Held {
    uint32_t cookie;
    std::string sender, application, reason;
  };
  std::vector<Held> held_;
  uint32_t next_ = 1;
};

}  // namespace velmo
