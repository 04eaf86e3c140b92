#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, installs it, starts the
# installed editor from its menu entry as an ordinary user on a demo roster
# under Xvfb (its settings then go to that user's folder), and removes the
# package again.
# Needs root for dpkg. The package is left in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build
(cd build && rm -f orrimax_*.deb && cpack -G DEB >/dev/null)
deb=$(ls build/orrimax_*.deb)
echo "package: $deb"
lintian --fail-on error "$deb"

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "./$deb" >/dev/null
trap 'apt-get remove -y -qq orrimax >/dev/null || true' EXIT
[ "$(/usr/bin/orrimax --version)" = "orrimax $(dpkg-query -W -f='${Version}' orrimax)" ]
/usr/bin/orrimax-cli --version

# The installed editor, as nobody, in a display of its own.
source tests/e2e/lib.sh
e2e_setup /usr/bin/orrimax /usr/bin/orrimax-cli build/package-artifacts
trap 'stop_all; rm -rf "$WORK"; apt-get remove -y -qq orrimax >/dev/null || true' EXIT
home="$WORK/home"
mkdir -p "$home"
/usr/bin/orrimax-cli demo -o "$home/Demo.ROS" --players 100 >/dev/null
# The installed tool finds its installed workbook module.
/usr/bin/orrimax-cli export "$home/Demo.ROS" --xlsx "$WORK/Demo.xlsx" ||
  fail "the installed orrimax-cli cannot write a workbook"
chown -R nobody "$home"
chmod 755 "$WORK"
start_display
# Started from its menu entry with a roster, as a double click on one does.
(cd "$home" && exec runuser -u nobody -- env HOME="$home" DISPLAY="$DISPLAY" \
  gio launch /usr/share/applications/io.github.orrimax.Orrimax.desktop "$home/Demo.ROS") \
  >"$WORK/editor.log" 2>&1 &
APP_PID=$!
win=""
for _ in $(seq 100); do
  win=$(timeout 2 xdotool search --name '^Orrimax v\. .* - Demo\.ROS$' 2>/dev/null | tail -n 1 || true)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "$win" ] || { cat "$WORK/editor.log"; fail "the installed editor did not show Demo.ROS"; }
geometry=$(timeout 2 xdotool getwindowgeometry "$win" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')
WX=${geometry% *}
WY=${geometry#* }
screenshot build/package-artifacts/installed-editor.png
# File > Quit: the window closes and writes its settings, in the user's folder.
click_at 18 7
press Up
press Return
# gio has handed the roster on and gone; the editor's window tells when it ends.
for _ in $(seq 50); do
  timeout 2 xdotool search --name '^Orrimax v\. ' >/dev/null 2>&1 || break
  sleep 0.1
done
APP_PID=""
[ -f "$home/.config/Orrimax/Config.ini" ] || fail "no settings in the user's folder"
[ ! -e /usr/bin/Config.ini ] || fail "settings were written beside the installed program"
echo "package: lintian clean, installed, writes workbooks, started as an ordinary user, settings in ~/.config/Orrimax"
