#!/usr/bin/env bash
# Links planted by another user in a settings directory open to everyone
# lead nowhere: the other user's files stay byte for byte and keep their
# mode, nothing new appears in their home, the saver still runs on what it
# can read and says once why it stores nothing.
source "$(dirname "$0")/lib.sh"
other=nobody
id "$other" >/dev/null 2>&1 || skip "no user $other to play the other user"
[ "$(id -u)" != "$(id -u "$other")" ] || skip "this test runs as a user other than $other"
start_xvfb 1024x768x24

home="$WORK/other-home"
dir="$XDG_CONFIG_HOME/Corvane"
mkdir -p "$home" "$dir"
printf 'my notes\nline two\n' >"$home/notes.txt"
chmod 0644 "$home/notes.txt"
chown -R "$other" "$home" "$dir"
chmod 0777 "$dir"
ln -s "$home/notes.txt" "$dir/Velmo20.reg"
ln -s "$home/made-by-velmo" "$dir/Velmo20.reg.lock"
chown -h "$other" "$dir/Velmo20.reg" "$dir/Velmo20.reg.lock"
cp -p "$home/notes.txt" "$WORK/notes.before"
listing() { (cd "$home" && find . -printf '%p %m %s %u\n' | sort); }
before=$(listing)

"$VELMO" /s 2>"$WORK/err" &
pid=$!
PIDS+=("$pid")
wait_shown "$pid" || fail "the saver did not run: $(cat "$WORK/err")"
window_exists "ERROR" && fail "the saver shows an error: $(cat "$WORK/err")"
sigterm_ends "$pid" "the saver" 10 "$WORK/err"

cmp -s "$WORK/notes.before" "$home/notes.txt" || fail "the other user's file changed: $(cat "$home/notes.txt")"
[ "$(stat -c %a "$home/notes.txt")" = 644 ] || fail "the other user's file changed its mode to $(stat -c %a "$home/notes.txt")"
[ "$(listing)" = "$before" ] || fail "the other user's home changed: $(listing)"
[ -L "$dir/Velmo20.reg" ] && [ -L "$dir/Velmo20.reg.lock" ] || fail "the planted links were replaced"
said=$(grep -c "Velmo20.reg" "$WORK/err" || true)
[ "$said" = 1 ] || fail "not said exactly once why nothing is stored: $(cat "$WORK/err")"
echo "planted links left alone, other user's files unchanged; the saver ran and said: $(grep Corvane "$WORK/err" | head -n 2)"
