#!/usr/bin/env bash
# The manual pages against the programs: every option that `--help` prints is described in
# the OPTIONS section of the page, and that section describes no option the program lacks.
# Usage: man_pages_test.sh BIN_DIR MAN_SOURCE_DIR
set -u
bin=$1
man=$2
passed=0
failed=0

# Option names ("--data-dir", "-platform") that stand as words in the text on stdin.
options_in() {
  grep -oE '(^|[^A-Za-z0-9_.-])--?[a-z][a-z0-9-]*' | sed -E 's/^[^-]*//' | sort -u
}

# The OPTIONS section of a man(7) page as plain text: "\-" is a minus, "\fB" a font change.
man_options() {
  awk '/^\.SH / { in_options = ($2 == "OPTIONS") ; next } in_options' "$1" |
    grep -v '^\.\\"' | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' | options_in
}

for program in clearhorizon stationsim; do
  page="$man/$program.1"
  help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$bin/$program" --help 2>&1) ||
    { echo "FAIL: $program --help ended with $?"; failed=$((failed + 1)); continue; }
  from_help=$(printf '%s\n' "$help" | options_in)
  from_page=$(man_options "$page")
  only_help=$(comm -23 <(printf '%s\n' "$from_help") <(printf '%s\n' "$from_page"))
  only_page=$(comm -13 <(printf '%s\n' "$from_help") <(printf '%s\n' "$from_page"))
  ok=1
  [ -n "$from_help" ] || { echo "FAIL: no option found in $program --help"; ok=0; }
  [ -z "$only_help" ] || { echo "FAIL: $program --help prints options its manual page lacks:" $only_help; ok=0; }
  [ -z "$only_page" ] ||
    { echo "FAIL: the manual page of $program describes options --help does not print:" $only_page; ok=0; }
  [ $ok -eq 1 ] && passed=$((passed + 1)) || failed=$((failed + 1))
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
