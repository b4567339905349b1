# The real xscreensaver daemon for the end-to-end scripts (sourced after
# lib.sh). It runs as an unprivileged user (nobody when the tests run as
# root: the daemon refuses to run display programs as root) from a private
# folder, $daemon: home/.xscreensaver lists the programs, config/ is the
# settings' XDG_CONFIG_HOME, and bin/velmo stands in for the program on the
# daemon's PATH. It runs the copy bin/velmo.bin (whose ready line goes to
# $daemon/ready), hands the daemon's SIGTERM on, and writes ended/PID: the
# exit code and the time it ended; ended/PID.err holds what it said.
for tool in xscreensaver xscreensaver-command setpriv; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup.sh installs it)"
done
daemon="$WORK/daemon"
# More environment for the daemon and its programs (NAME=VALUE words).
DAEMON_ENV=(SDL_AUDIODRIVER=dummy)
as_daemon=()

# Lays out $daemon for a daemon whose programs are the lines given. A line
# that starts with velmo names our stand-in by its full path: xscreensaver
# puts its own directory first on the PATH, where Velmo's installed package
# has a velmo of its own.
daemon_prepare() {
  local line
  mkdir -p "$daemon/bin" "$daemon/home" "$daemon/config" "$daemon/ended"
  chmod 711 "$WORK"
  cp "$VELMO" "$daemon/bin/velmo.bin"
  VELMO_FILES+=("$daemon/bin/velmo.bin")
  cat >"$daemon/bin/velmo" <<'SH'
#!/bin/bash
here="$(dirname "$0")"
exec {VELMO_READY_FD}>>"$here/../ready"
export VELMO_READY_FD
"$here/velmo.bin" "$@" 2>"$here/../ended/$$.err" &
child=$!
trap 'kill -TERM "$child" 2>/dev/null' TERM
while :; do
  wait "$child"
  rc=$?
  kill -0 "$child" 2>/dev/null || break
done
echo "$rc $(date +%s.%N)" >"$here/../ended/$$"
exit "$rc"
SH
  chmod 755 "$daemon/bin/velmo"
  {
    printf 'mode:\t\tone\nselected:\t0\ntimeout:\t1:00:00\nlock:\t\tFalse\nfade:\t\tFalse\nunfade:\t\tFalse\n'
    printf 'splash:\t\tFalse\nprograms:\t\\\n'
    for line in "$@"; do
      [ "${line%% *}" = velmo ] && line="$daemon/bin/$line"
      printf '\t\t%s \\n\\\n' "$line"
    done
    printf '\n'
  } >"$daemon/home/.xscreensaver"
  if [ "$(id -u)" = 0 ]; then
    chown -R nobody:nogroup "$daemon"
    as_daemon=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
}

# Runs a command as the daemon's user, in the daemon's environment. A
# sanitizer build's leak check at exit costs some tenths of a second that a
# user's build does not spend; the other end-to-end tests check for leaks.
daemon_run() {
  "${as_daemon[@]}" env -i DISPLAY="$DISPLAY" HOME="$daemon/home" PATH="$daemon/bin:/usr/bin:/bin" \
    XDG_CONFIG_HOME="$daemon/config" ASAN_OPTIONS=detect_leaks=0 VELMO_E2E_MARK="$WORK" "${DAEMON_ENV[@]}" "$@"
}

# Starts the daemon (its log in $daemon/log) and has it show the first program.
daemon_start() {
  daemon_run xscreensaver --no-splash --verbose --log "$daemon/log" &
  PIDS+=($!)
  wait_until 'daemon_run xscreensaver-command -version >/dev/null 2>&1' 20 || true
  daemon_run xscreensaver-command -activate >/dev/null || fail "the daemon did not take -activate: $(cat "$daemon/log")"
}

# The process ids running the program's copy.
ours() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/exe" 2>/dev/null)" = "$daemon/bin/velmo.bin" ] && echo "${p#/proc/}"
  done
  return 0
}
