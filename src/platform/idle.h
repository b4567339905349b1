#pragma once
// Where the watcher (velmo --idle) learns that the session has been idle
// for a while, and that its user is back: the compositor (ext-idle-notify,
// KDE's idle protocol), GNOME's IdleMonitor on the session bus, or the X
// server (the SYNC extension's IDLETIME counter). One interface over them, so
// the watcher's rules are written and tested once against a fake.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace velmo {

enum class IdleEvent {
  kIdle,    // no input for the armed delay
  kActive,  // input after kIdle
  // The desktop's own blank came on or went off, where the source sees it
  // (the X server's saver, MIT-SCREEN-SAVER): a running saver gives way.
  kBlanked,
  kUnblanked,
};

class IIdleSource {
 public:
  virtual ~IIdleSource() = default;
  // The source's name for messages ("ext-idle-notify", ...). Cheap.
  virtual const char* Name() const = 0;
  // The descriptor to wait on in poll (POLLIN); owned by the source and
  // valid for its life. -1 for a source that reports only from Dispatch.
  virtual int Fd() const = 0;
  // Asks for kIdle once the session has had no input for delayMs (counted
  // from the last input, or from now where the source cannot tell), then
  // kActive at the next input, then kIdle again after the next quiet delayMs,
  // and so on. Replaces an earlier arm. Sends a request and returns; never
  // blocks. The watcher's thread.
  virtual void Arm(uint32_t delayMs) = 0;
  // Reads what the descriptor holds without blocking and hands each event to
  // onEvent, in order. False when the connection is gone (the compositor or
  // the server ended): the watcher then ends. The watcher's thread.
  virtual bool Dispatch(const std::function<void(IdleEvent)>& onEvent) = 0;
};

}  // namespace velmo
