#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks every installed file:
# the programs answer (the tool with its workbook module), the menu entry and the metainfo pass their
# validators, the icon is there at every size, the man pages name their
# programs.
# Usage: installed_files.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cmake --install "$build" --prefix "$prefix" >/dev/null

expected=(
  bin/orrimax bin/orrimax-cli
  share/applications/io.github.orrimax.Orrimax.desktop
  share/metainfo/io.github.orrimax.Orrimax.metainfo.xml
  share/mime/packages/orrimax-roster.xml
  share/man/man1/orrimax.1.gz share/man/man1/orrimax-cli.1.gz
  share/doc/orrimax/copyright share/doc/orrimax/changelog.gz
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/orrimax.png")
done
# The workbook module, in a build that has workbooks.
workbooks=false
if [ -f "$build/cli/orrimax-workbooks.so" ]; then
  workbooks=true
  module=$(cd "$prefix" && find lib -name orrimax-workbooks.so)
  [[ "$module" == lib/*orrimax/orrimax-workbooks.so ]] || fail "the workbook module is at '$module'"
  expected+=("$module")
fi
for file in "${expected[@]}"; do
  [ -s "$prefix/$file" ] || fail "$file is not installed"
done
# Nothing else is.
installed=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
listed=$(printf '%s\n' "${expected[@]}" | sort)
[ "$installed" = "$listed" ] || fail "installed files differ: $(diff <(echo "$listed") <(echo "$installed") | tr '\n' ' ')"

version=$(sed -n 's/^project(Orrimax VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
[ "$(DISPLAY= "$prefix/bin/orrimax" --version)" = "orrimax $version" ] || fail "orrimax --version"
[ "$("$prefix/bin/orrimax-cli" --version)" = "orrimax-cli $version" ] || fail "orrimax-cli --version"
if $workbooks; then
  # The installed tool finds the installed module, not the build's.
  "$prefix/bin/orrimax-cli" demo -o "$prefix/Demo.ROS" --players 3 >/dev/null
  "$prefix/bin/orrimax-cli" export "$prefix/Demo.ROS" --xlsx "$prefix/Demo.xlsx" ||
    fail "the installed orrimax-cli cannot write a workbook"
  [ -s "$prefix/Demo.xlsx" ] || fail "no workbook written"
  # A tool without its module refuses workbooks with a message, and still
  # does all the rest.
  mkdir -p "$prefix/alone/bin"
  cp "$prefix/bin/orrimax-cli" "$prefix/alone/bin/"
  if message=$("$prefix/alone/bin/orrimax-cli" export "$prefix/Demo.ROS" --xlsx "$prefix/B.xlsx" 2>&1); then
    fail "a tool without its module wrote a workbook"
  fi
  grep -q "Workbooks need orrimax-workbooks.so, which could not be loaded" <<<"$message" ||
    fail "no message for the missing module: $message"
  "$prefix/alone/bin/orrimax-cli" export "$prefix/Demo.ROS" -o "$prefix/Demo.txt" ||
    fail "a tool without its module cannot export text"
fi
for size in 16 22 24 32 48 64 128 256; do
  file "$prefix/share/icons/hicolor/${size}x${size}/apps/orrimax.png" | grep -q "PNG image data, $size x $size" ||
    fail "the ${size}px icon is not ${size} x ${size}"
done
desktop-file-validate "$prefix/share/applications/io.github.orrimax.Orrimax.desktop"
grep -q '^Exec=orrimax %f$' "$prefix/share/applications/io.github.orrimax.Orrimax.desktop" || fail "Exec"
grep -q '^MimeType=application/x-orrimax-roster;$' "$prefix/share/applications/io.github.orrimax.Orrimax.desktop" ||
  fail "MimeType"
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/io.github.orrimax.Orrimax.metainfo.xml" >/dev/null ||
  fail "appstreamcli: $(appstreamcli validate --no-net "$prefix/share/metainfo/io.github.orrimax.Orrimax.metainfo.xml")"
grep -q "release version=\"$version\"" "$prefix/share/metainfo/io.github.orrimax.Orrimax.metainfo.xml" || fail "metainfo version"
for glob in '\*.ROS' '\*.ros'; do
  grep -q "<glob pattern=\"$glob\"" "$prefix/share/mime/packages/orrimax-roster.xml" || fail "mime glob $glob"
done
zcat "$prefix/share/man/man1/orrimax.1.gz" | grep -q '^\.TH ORRIMAX "1"' || fail "orrimax.1"
zcat "$prefix/share/man/man1/orrimax-cli.1.gz" | grep -q 'import ROSTER' || fail "orrimax-cli.1"
echo "install: every file in place and valid"
