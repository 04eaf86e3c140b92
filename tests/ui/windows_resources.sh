#!/usr/bin/env bash
# The Windows program's resource script compiles with the MinGW resource
# compiler and carries the icon at every size and the project's version.
# Usage: windows_resources.sh WINDRES RC_FILE VERSION
set -euo pipefail
windres=$1 rc=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$windres" -i "$rc" -o "$work/orrimax.res"
"$windres" -i "$work/orrimax.res" -O rc | grep -v '^ *0x' > "$work/back.rc"
fail() { echo "FAIL: $*" >&2; exit 1; }
grep -q 'Has 6 elements' "$work/back.rc" || fail "the icon has not its six sizes"
# 256 pixels is written as 0 in an icon directory.
grep -q '"\\000\\000\\000\\000", 1, 32' "$work/back.rc" || fail "no 256-pixel layer"
IFS=. read -r major minor patch _ <<< "$version"
numbers="$major, ${minor:-0}, ${patch:-0}, 0"
grep -q "FILEVERSION $numbers\$" "$work/back.rc" || fail "FILEVERSION is not $numbers"
grep -q "VALUE \"ProductVersion\", \"$version\"" "$work/back.rc" || fail "ProductVersion is not $version"
grep -q 'FILETYPE 0x1$' "$work/back.rc" || fail "not marked as an application"
echo "resources of $version compile"
