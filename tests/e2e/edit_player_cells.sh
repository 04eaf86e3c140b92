#!/usr/bin/env bash
# A user opens a roster and, without a click, types a name ID, a skill rating
# and a salary into the real player grid, saves, and the saved record holds
# exactly those values.
# Usage: edit_player_cells.sh EDITOR CLI ARTIFACT_FOLDER
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"
"$CLI" demo -o "$WORK/Roster.ROS" --players 30 --seed 5 >/dev/null
"$CLI" export --names "$WORK/Roster.ROS" -o "$WORK/names.txt"
entry7=$(sed -n 9p "$WORK/names.txt" | cut -f2)

start_display
start_editor "$WORK"
open_roster "$WORK/Roster.ROS"

# The grid has the keys as soon as the roster is open: the current cell is
# (4, 1), LNameID of player 0, and Down moves to player 1 (grid row 2).
press Down
type_text "7"
press --delay 20 --repeat 18 Right   # to column 22, SShtIns
type_text "99.6"
press --delay 10 --repeat 160 Right  # to column 182, CYear1
type_text "1234567"
press Down                           # moving on regroups the salary
screenshot "$ARTIFACTS/player-grid-edited.png"
save_roster

"$CLI" check "$WORK/Roster.ROS" >"$WORK/check.txt" || { cat "$WORK/check.txt"; fail "the saved roster is not sound"; }
"$CLI" export "$WORK/Roster.ROS" -o "$WORK/table.txt"
row=$(sed -n 3p "$WORK/table.txt" | tr -d '\r')
cell() { echo "$row" | cut -f"$1"; }
[ "$(cell 1)" = "1" ] || fail "line 3 is not player 1"
[ "$(cell 4)" = "7" ] || fail "LNameID is '$(cell 4)', expected 7"
[ "$(cell 2)" = "$entry7" ] || fail "Last Name is '$(cell 2)', expected '$entry7'"
[ "$(cell 22)" = "99.6" ] || fail "SShtIns is '$(cell 22)', expected 99.6"
[ "$(cell 182)" = "1 234 567" ] || fail "CYear1 is '$(cell 182)', expected 1 234 567"
echo "end-to-end: typed a name ID, a rating and a salary; the saved record holds them"
