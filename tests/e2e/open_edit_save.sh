#!/usr/bin/env bash
# A user opens a roster through the real Open dialog, moves one character of
# Length from one name to another on the "Bank Of Names" page so that the
# balance is 0 again, and saves. The saved file is checked with orrimax-cli.
# Usage: open_edit_save.sh EDITOR CLI ARTIFACT_FOLDER
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"
"$CLI" demo -o "$WORK/Roster.ROS" --players 40 --seed 3 >/dev/null
"$CLI" export --names "$WORK/Roster.ROS" -o "$WORK/before.txt"
# Lines 2 and 3 are entries 0 and 1: ID, Data, Length.
name0=$(sed -n 2p "$WORK/before.txt" | cut -f2)
len0=$(sed -n 2p "$WORK/before.txt" | cut -f3 | tr -d '\r')
name1=$(sed -n 3p "$WORK/before.txt" | cut -f2)
len1=$(sed -n 3p "$WORK/before.txt" | cut -f3 | tr -d '\r')
[ "$len1" -ge 2 ] || fail "entry 1 is too short for this test"

start_display
start_editor "$WORK"
open_roster "$WORK/Roster.ROS"
screenshot "$ARTIFACTS/players-page.png"

click_at 108 27                 # the "Bank Of Names" tab
click_at 380 105                # entry 0's Length
type_text "$((len0 + 1))"
press Down                      # commit: balance -1
type_text "$((len1 - 1))"
press Down                      # commit: balance 0, Save enabled again
screenshot "$ARTIFACTS/names-page.png"
save_roster

"$CLI" check "$WORK/Roster.ROS" >"$WORK/check.txt" || { cat "$WORK/check.txt"; fail "the saved roster is not sound"; }
grep -q '(matches)' "$WORK/check.txt" || fail "the saved CRC does not match"
"$CLI" export --names "$WORK/Roster.ROS" -o "$WORK/after.txt"
expect() {
  local line=$1 want=$2 got
  got=$(sed -n "${line}p" "$WORK/after.txt" | tr -d '\r')
  [ "$got" = "$want" ] || fail "names line $line is '$got', expected '$want'"
}
# Entry 0 keeps its text with one more character of room: the filler reads
# back as an empty entry after it, and entry 1's text lost its last letter.
expect 2 "0	$name0	$len0"
expect 3 "1		0"
expect 4 "2	${name1:0:$((len1 - 1))}	$((len1 - 1))"
[ "$(wc -l <"$WORK/after.txt")" -eq $(($(wc -l <"$WORK/before.txt") + 1)) ] || fail "expected exactly one entry more"
echo "end-to-end: opened, edited the names bank and saved; the file checks out"
