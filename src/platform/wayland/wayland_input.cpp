#include "platform/wayland/wayland_input.h"

#include <cmath>

namespace velmo {
namespace {

bool Open(const IInputTarget* t) { return t != nullptr && !t->InputClosed(); }

}  // namespace

void WaylandInput::Forget(IInputTarget* target) {
  if (pointer_ == target) pointer_ = nullptr;
  if (focus_ == target) {
    focus_ = nullptr;
    handedOn_ = true;
  }
}

void WaylandInput::PointerEnter(IInputTarget* target, double x, double y) {
  pointer_ = target;
  // Where the pointer comes in is a position like any other: a pointer that
  // jumped there from another output has moved.
  PointerMotion(x, y);
}

void WaylandInput::PointerLeave(IInputTarget* target) {
  if (pointer_ == target) pointer_ = nullptr;
}

void WaylandInput::PointerMotion(double x, double y) {
  if (!Open(pointer_) || !pointer_->InputEvents().onMouseMove) return;
  int left = 0, top = 0;
  double scaleX = 1, scaleY = 1;
  pointer_->InputPlace(left, top, scaleX, scaleY);
  pointer_->InputEvents().onMouseMove(0, left + static_cast<int>(std::lround(x * scaleX)),
                                      top + static_cast<int>(std::lround(y * scaleY)));
}

void WaylandInput::PointerButton() {
  if (Open(pointer_) && pointer_->InputEvents().onMouseDown) pointer_->InputEvents().onMouseDown();
}

void WaylandInput::KeyboardEnter(IInputTarget* target) {
  focus_ = target;
  hadFocus_ = true;
  handedOn_ = false;
}

void WaylandInput::KeyboardLeave(IInputTarget* target) {
  if (focus_ == target) focus_ = nullptr;
}

void WaylandInput::KeyboardGone() {
  focus_ = nullptr;
  hadFocus_ = false;
  handedOn_ = false;
}

void WaylandInput::Key(int virtualKey, uint32_t shift, std::string_view text) {
  IInputTarget* target = focus_;
  if (!Open(target)) return;
  if (target->InputEvents().onKeyDown) target->InputEvents().onKeyDown(virtualKey, shift);
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80 || !Open(target) || !target->InputEvents().onKeyPress) break;
    target->InputEvents().onKeyPress(c);
  }
}

}  // namespace velmo
