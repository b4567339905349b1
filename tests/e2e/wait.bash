# Condition waits for the end-to-end scripts (sourced after lib.sh).

# Runs "$@" every 20 ms until it succeeds, for at most $1 seconds (decimal);
# fails when time runs out. (lib.sh's wait_until takes a condition string.)
wait_for() {
  local limit_ms start
  limit_ms=$(awk -v s="$1" 'BEGIN { printf "%d", s * 1000 }')
  shift
  start=$(date +%s%N)
  until "$@"; do
    [ $((($(date +%s%N) - start) / 1000000)) -lt "$limit_ms" ] || return 1
    sleep 0.02
  done
}

# Milliseconds since the epoch.
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# True when a top-level window named exactly $1 exists.
window_exists() { xwininfo -root -tree 2>/dev/null | grep -qE "^ +0x[0-9a-f]+ \"$1\""; }

# True when none of the given process ids is alive (zombies of our own
# children count as ended).
all_gone() {
  local p state
  for p in "$@"; do
    state=$(awk '{ print $3 }' "/proc/$p/stat" 2>/dev/null || true)
    [ -z "$state" ] || [ "$state" = Z ] || return 1
  done
}

# The process $1 and all processes below it.
process_tree() {
  local p
  echo "$1"
  for p in $(pgrep -P "$1" || true); do process_tree "$p"; done
}

# The stored value NAME of file $2 (default: the settings file) in decimal,
# empty when absent.
value_in() {
  local hex
  hex=$(grep -i "^\"$1\"=dword:" "${2:-$SETTINGS_FILE}" 2>/dev/null | head -n 1 | sed 's/.*dword://' | tr -d '\r')
  [ -n "$hex" ] && printf '%d' "0x$hex"
}

# True when the settings file's value $1 is $2.
stored_is() { [ "$(value_in "$1")" = "$2" ]; }

# Fails when a process running the program $VELMO is left.
check_nothing_left() {
  local left
  left=$(pgrep -f -- "^$VELMO( |$)" || true)
  [ -z "$left" ] || fail "processes of the program are left: $(ps -o pid,ppid,stat,args -p "$(echo $left | tr ' ' ,)")"
}
