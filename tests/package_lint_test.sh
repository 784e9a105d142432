#!/usr/bin/env bash
# The .deb built from this build tree as Debian's own checkers see it: lintian reports no
# error and no warning (an override only with a reason written above it), the AppStream
# metadata and the menu entry validate without a complaint, and the version is the one
# the changelog names wherever the package shows it.
# Usage: package_lint_test.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
check() {  # check NAME COMMAND...: runs it, its output kept in $work/NAME.log
  local name=$1; shift
  if ! "$@" >"$work/$name.log" 2>&1; then
    echo "FAIL: $name"; cat "$work/$name.log"; failed=$((failed + 1))
  fi
}

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1) ||
  { echo "FAIL: cpack"; cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/pkg/clearhorizon_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "FAIL: no .deb"; exit 1; }
root="$work/root"
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x"; exit 1; }
id=org.clearhorizon.clearhorizon

# Only tags at error or warning level fail it; overridden ones are reported as "O:".
check lintian lintian --fail-on error,warning --tag-display-limit 0 "$deb"
# Every override in the package has a comment above it that says why.
overrides="$root/usr/share/lintian/overrides/clearhorizon"
unexplained() {
  [ -e "$overrides" ] || return 0
  awk '/^#/ { why = 1; next } /^[[:space:]]*$/ { why = 0; next }
       !why { print "override without a reason: " $0; bad = 1 } END { exit bad }' "$overrides"
}
check overrides unexplained

check appstream appstreamcli validate --no-net --strict "$root/usr/share/metainfo/$id.metainfo.xml"
check appstream-tree appstreamcli validate-tree --no-net --strict "$root"
check desktop desktop-file-validate "$root/usr/share/applications/$id.desktop"

one_version() {
  local package changelog program
  package=$(dpkg-deb -f "$deb" Version)
  changelog=$(zcat "$root/usr/share/doc/clearhorizon/changelog.gz" | head -1 | sed -E 's/^[^(]*\(([^)]*)\).*/\1/')
  program=$("$root/usr/bin/clearhorizon" --version | awk '{ print $2 }')
  echo "package $package, changelog $changelog, program $program"
  [ -n "$package" ] && [ "$package" = "$changelog" ] && [ "$package" = "$program" ]
}
check version one_version
check translations sh -c "dpkg-deb -f '$deb' Depends | grep -q 'qt6-translations-l10n'"

echo "$((7 - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
