#!/bin/bash
# The composed-frame pixel tests at the screen sizes SDL's offscreen driver
# does not offer: each size on an X server of that size, through SDL's X11
# driver, and the large-screen gulls at 3840 x 2160. Every case of the size
# must run (a skip means the mode was refused).
source "$(dirname "$0")/lib.sh"

tests="$(dirname "$VELMO")/tests/velmo_pixel_tests"
[ -x "$tests" ] || fail "no pixel test binary at $tests"

for size in 800x600 1280x1024; do
  start_xvfb "${size}x24"
  out="$WORK/$size.log"
  SDL_VIDEODRIVER=x11 "$tests" --gtest_filter="Sizes/SceneFrame.*/${size}_*" >"$out" 2>&1 || {
    cat "$out" >&2
    fail "scene frame tests failed at $size"
  }
  grep -q "SKIPPED" "$out" && { cat "$out" >&2; fail "the display refused $size"; }
  grep -qE "PASSED  \] 15 tests" "$out" || { cat "$out" >&2; fail "not every case ran at $size"; }
  kill "$XVFB_PID"
  wait "$XVFB_PID" 2>/dev/null || true
  XVFB_PID=
done
# The gulls on a large screen.
start_xvfb "3840x2160x24"
out="$WORK/large.log"
SDL_VIDEODRIVER=x11 "$tests" --gtest_filter="LargeScreen.*" >"$out" 2>&1 || {
  cat "$out" >&2
  fail "large-screen gull test failed"
}
grep -qE "PASSED  \] 1 test" "$out" || { cat "$out" >&2; fail "the display refused 3840x2160"; }
kill "$XVFB_PID"
wait "$XVFB_PID" 2>/dev/null || true
XVFB_PID=
echo "scene frames at 800x600 and 1280x1024, gulls at 3840x2160: ok"
