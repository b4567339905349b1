#pragma once
// The error convention of the display components (display device, sprites,
// gamma): the text of the latest failure is kept (never cleared on success),
// the component cleans up where the failure needs it, then OnError is raised
// with the component as sender. The handler may close the display or even
// free the component, so a failing operation must not touch anything after
// the report unless ReportError says the component still exists.
#include <memory>
#include <string>

#include "components/component.h"

namespace velmo {

class DDErrorReporting {
 public:
  TNotifyEvent OnError;

  // Stores only; never raises the event.
  void SetErrorResult(const std::string& text) { errorResult_ = text; }
  std::string GetErrorResult() const { return errorResult_; }

 protected:
  explicit DDErrorReporting(Component* sender) : sender_(sender), alive_(std::make_shared<bool>(true)) {}
  ~DDErrorReporting() = default;
  DDErrorReporting(const DDErrorReporting&) = delete;
  DDErrorReporting& operator=(const DDErrorReporting&) = delete;

  // Text, then OnError. True while the component still exists afterwards.
  bool ReportError(const char* text) {
    SetErrorResult(text);
    return RaiseError();
  }
  // Text, then the clean-up, then OnError.
  template <class CleanUp>
  bool ReportError(const char* text, CleanUp&& cleanUp) {
    SetErrorResult(text);
    cleanUp();
    return RaiseError();
  }

 private:
  bool RaiseError() {
    const std::weak_ptr<bool> alive = alive_;
    if (OnError) {
      const TNotifyEvent handler = OnError;  // the handler may reassign OnError
      handler(sender_);
    }
    return !alive.expired();
  }

  Component* sender_;
  std::string errorResult_;
  std::shared_ptr<bool> alive_;  // expires with the component
};

}  // namespace velmo
