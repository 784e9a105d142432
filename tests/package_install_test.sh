#!/usr/bin/env bash
# The .deb as a user gets it: built by CPack from this build tree, unpacked into a
# temporary root, its menu entry validated, and the installed program started there
# without a display against the installed simulator. Passes when the program found its
# files in the share folder, wrote currdat.lst with live values, stored history in its
# data folder, reported a history file it cannot write once on stderr, and quit in order.
# Usage: package_install_test.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
work=$(mktemp -d)
sim=""
prog=""
cleanup() {
  [ -n "$prog" ] && kill "$prog" 2>/dev/null
  [ -n "$sim" ] && kill "$sim" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; for f in "$work"/*.log; do echo "== $f"; tail -20 "$f"; done; exit 1; }

# Waits up to $1 seconds for the command in the rest of the arguments to succeed.
wait_for() {
  local limit=$1; shift
  for _ in $(seq $((limit * 10))); do "$@" && return 0; sleep 0.1; done
  return 1
}

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1) ||
  fail "cpack did not build the package"
deb=$(ls "$work"/pkg/clearhorizon_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || fail "no .deb"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6serialport6' || fail "Depends does not name the Qt 6 runtime"
root="$work/root"
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
for f in usr/bin/clearhorizon usr/bin/stationsim usr/share/clearhorizon/KOR.uir \
         usr/share/clearhorizon/english.lwl usr/share/clearhorizon/deutsch.lwl \
         usr/share/applications/org.clearhorizon.clearhorizon.desktop \
         usr/share/icons/hicolor/scalable/apps/clearhorizon.svg \
         usr/lib/systemd/user/clearhorizon.service; do
  [ -e "$root/$f" ] || fail "missing $f"
done
desktop-file-validate "$root/usr/share/applications/org.clearhorizon.clearhorizon.desktop" >"$work/desktop.log" 2>&1 ||
  fail "desktop-file-validate: $(cat "$work/desktop.log")"
"$root/usr/bin/clearhorizon" --version | grep -q '^clearhorizon ' || fail "--version"
"$root/usr/bin/clearhorizon" --no-such-option 2>/dev/null; [ $? -eq 2 ] || fail "unknown option must end with 2"

data="$work/data/station"
mkdir -p "$work/data"
run_program() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u CH_RESOURCE_DIR \
    "$root/usr/bin/clearhorizon" --data-dir "$data" 2>"$work/$1.log" &
  prog=$!
}
(mkdir -p "$data" && cd "$data" &&
  exec "$root/usr/bin/stationsim" --link COM1 --pace none --radio-interval 0 --speed 60 \
       --hist-interval 1 --prefill 5 >"$work/sim.log" 2>&1) &
sim=$!
wait_for 10 test -e "$data/COM1" || fail "the simulator made no link"
run_program first
has_live_values() {
  awk '/^\[outdoor_temperature\]/ { s = 1; next } /^\[/ { s = 0 }
       s && /^deg_C = -?[0-9]/ { found = 1 } END { exit !found }' "$data/currdat.lst" 2>/dev/null
}
wait_for 60 has_live_values || fail "currdat.lst has no live outdoor temperature"
has_history() { [ "$(stat -c %s "$data/history.dat" 2>/dev/null || echo 0)" -ge 64 ]; }
wait_for 90 has_history || fail "no data set stored in the data folder's history.dat"
kill -TERM "$prog"; wait "$prog"; status=$?; prog=""
[ $status -eq 0 ] || fail "orderly quit ended with $status"

# A history file in a folder that does not exist: said once, not once per attempt.
printf '%s\0' "$work/data/no-such-folder/history.dat" |
  dd of="$data/Setup.cnf" bs=1 seek=276 conv=notrunc status=none
run_program second
wait_for 30 grep -q "history" "$work/second.log" || fail "no message about the history file"
sleep 15
kill -TERM "$prog"; wait "$prog"; status=$?; prog=""
[ $status -eq 0 ] || fail "orderly quit ended with $status"
said=$(grep -c "Can't write history data to disc" "$work/second.log")
[ "$said" -le 1 ] || fail "history failure said $said times in one streak"
grep -q '^[0-9-]* [0-9:]* ' "$work/second.log" || fail "messages on stderr carry no time stamp"
echo "1 passed, 0 failed"
