#!/usr/bin/env bash
# The .deb as a user gets it: built by CPack from this build tree, unpacked into a
# temporary root, its menu entry validated, its user unit verified by systemd-analyze
# (where there is one), and the installed program started there without a display
# against the installed simulator, through the unit's ExecStart and the menu entry's Exec
# line as they are written (only /usr/bin moved into the temporary root). Passes when the
# program found its files in the share folder and its data folder under XDG_DATA_HOME,
# wrote currdat.lst with live values, stored history there, refused a second copy with
# the reason and exit status 3, reported a history file it cannot write once on stderr,
# and quit in order.
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
# Where it got to, for a run that ctest ends for taking too long.
step() { echo "${SECONDS}s: $*"; }
fail() { echo "FAIL: $*"; for f in "$work"/*.log; do echo "== $f"; tail -20 "$f"; done; exit 1; }

# Waits up to $1 seconds for the command in the rest of the arguments to succeed.
wait_for() {
  local limit=$1; shift
  for _ in $(seq $((limit * 10))); do "$@" && return 0; sleep 0.1; done
  return 1
}

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1) ||
  fail "cpack did not build the package"
step "package built"
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
desktop=$(grep -l '^Exec=.*clearhorizon' "$root"/usr/share/applications/*.desktop 2>/dev/null | head -1)
[ -n "$desktop" ] || fail "no menu entry for clearhorizon"
desktop-file-validate "$desktop" >"$work/desktop.log" 2>&1 ||
  fail "desktop-file-validate: $(cat "$work/desktop.log")"
unit="$root/usr/lib/systemd/user/clearhorizon.service"
if command -v systemd-analyze >/dev/null; then
  # verify wants the program where ExecStart says; the copy points into the root.
  mkdir -p "$work/unit" "$work/runtime"
  sed "s#^ExecStart=/usr/#ExecStart=$root/usr/#" "$unit" >"$work/unit/clearhorizon.service"
  XDG_RUNTIME_DIR="$work/runtime" systemd-analyze verify --user "$work/unit/clearhorizon.service" \
    >"$work/verify.log" 2>&1 || fail "systemd-analyze verify: $(cat "$work/verify.log")"
  [ ! -s "$work/verify.log" ] || fail "systemd-analyze verify: $(cat "$work/verify.log")"
else
  echo "systemd-analyze not installed: the unit is not verified"
fi
grep -q '^RestartPreventExitStatus=3$' "$unit" || fail "the unit restarts a second copy"
step "menu entry and unit checked"
"$root/usr/bin/clearhorizon" --version | grep -q '^clearhorizon ' || fail "--version"
"$root/usr/bin/clearhorizon" --no-such-option 2>/dev/null; [ $? -eq 2 ] || fail "unknown option must end with 2"

# The command lines as the unit and the menu entry hold them: the menu's field codes
# (%f, %U, ...) stand for nothing here, and /usr/bin is the temporary root's.
service_line=$(sed -n 's/^ExecStart=//p' "$unit")
menu_line=$(sed -n 's/^Exec=//p' "$desktop" | sed 's/ %[a-zA-Z]//g')
[ "$service_line" = "/usr/bin/clearhorizon --headless" ] || fail "ExecStart is '$service_line'"
[ "$menu_line" = "clearhorizon" ] || fail "the menu entry's Exec is '$menu_line'"
export XDG_DATA_HOME="$work/xdg"
data="$XDG_DATA_HOME/clearhorizon"
# Started from another folder: the data folder must not depend on where.
mkdir -p "$work/elsewhere"
# Runs a command line there (in the background with &), as a user's shell would split it.
in_place() {
  local name=$1 line=$2 background=$3
  cd "$work/elsewhere" || return 1
  # shellcheck disable=SC2086
  if [ "$background" = "&" ]; then
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u CH_RESOURCE_DIR \
      PATH="$root/usr/bin:$PATH" ${line/#\/usr\//$root/usr/} 2>"$work/$name.log" &
    prog=$!
  else
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u CH_RESOURCE_DIR \
      PATH="$root/usr/bin:$PATH" ${line/#\/usr\//$root/usr/} 2>"$work/$name.log"
  fi
  local status=$?
  cd - >/dev/null || true
  return $status
}
run_line() { in_place "$1" "$2" ""; }
run_program() { in_place "$1" "$2" "&"; }
(mkdir -p "$data" && cd "$data" &&
  exec "$root/usr/bin/stationsim" --link COM1 --pace none --radio-interval 0 --speed 60 \
       --hist-interval 1 --prefill 5 >"$work/sim.log" 2>&1) &
sim=$!
wait_for 10 test -e "$data/COM1" || fail "the simulator made no link"
run_program first "$service_line"
step "the unit's command line started"
wait_for 30 test -e "$data/clearhorizon.owner" || fail "the service line did not take $data"
# The menu entry while the service runs: told why, exit status 3, nothing started.
run_line menu "$menu_line"; status=$?
[ $status -eq 3 ] || fail "a second copy ended with $status, not 3"
grep -q "in use by process $prog (headless" "$work/menu.log" || fail "the second copy did not say who: $(cat "$work/menu.log")"
has_live_values() {
  awk '/^\[outdoor_temperature\]/ { s = 1; next } /^\[/ { s = 0 }
       s && /^deg_C = -?[0-9]/ { found = 1 } END { exit !found }' "$data/currdat.lst" 2>/dev/null
}
step "a second copy refused"
wait_for 60 has_live_values || fail "currdat.lst has no live outdoor temperature"
step "live values"
has_history() { [ "$(stat -c %s "$data/history.dat" 2>/dev/null || echo 0)" -ge 64 ]; }
wait_for 90 has_history || fail "no data set stored in the data folder's history.dat"
kill -TERM "$prog"; wait "$prog"; status=$?; prog=""
[ $status -eq 0 ] || fail "orderly quit ended with $status"

# A history file in a folder that does not exist: said once, not once per attempt.
printf '%s\0' "$work/data/no-such-folder/history.dat" |
  dd of="$data/Setup.cnf" bs=1 seek=276 conv=notrunc status=none
step "quit in order"
run_program second "$menu_line"
wait_for 30 grep -q "history" "$work/second.log" || fail "no message about the history file"
sleep 15
kill -TERM "$prog"; wait "$prog"; status=$?; prog=""
[ $status -eq 0 ] || fail "orderly quit ended with $status"
said=$(grep -c "Can't write history data to disc" "$work/second.log")
[ "$said" -le 1 ] || fail "history failure said $said times in one streak"
grep -q '^[0-9-]* [0-9:]* ' "$work/second.log" || fail "messages on stderr carry no time stamp"
grep -q "no screen to show windows on (neither DISPLAY nor WAYLAND_DISPLAY is set); running headless" \
  "$work/second.log" || fail "the menu entry without a display did not say why it runs headless"
[ ! -e "$work/elsewhere/Setup.cnf" ] || fail "settings written where the program was started"
echo "1 passed, 0 failed"
