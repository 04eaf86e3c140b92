#!/usr/bin/env bash
# Blocks of cells through the real X clipboard: a block dragged and copied in
# the window is read with xclip and pasted elsewhere in the grid; a block that
# xclip put on the clipboard is pasted into the grid. The saved roster holds both.
# Usage: clipboard.sh EDITOR CLI ARTIFACT_FOLDER
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"
"$CLI" demo -o "$WORK/Roster.ROS" --players 30 --seed 8 >/dev/null
"$CLI" export "$WORK/Roster.ROS" -o "$WORK/before.txt"

# Cell centres, relative to the window, while column 4 is the first scrolled one.
cell_x() { echo $((351 + 71 * ($1 - 4) + 35)); }
cell_y() { echo $((151 + 25 * ($1 - 1))); }

start_display
start_editor "$WORK"
open_roster "$WORK/Roster.ROS"

# Drag from (6, 2) to (8, 4) and copy.
timeout 5 xdotool mousemove $((WX + $(cell_x 6))) $((WY + $(cell_y 2))) mousedown 1
sleep 0.2
timeout 5 xdotool mousemove $((WX + $(cell_x 7))) $((WY + $(cell_y 3)))
sleep 0.2
timeout 5 xdotool mousemove $((WX + $(cell_x 8))) $((WY + $(cell_y 4))) mouseup 1
sleep 0.3
press ctrl+c
sleep 0.5
timeout 5 xclip -o -selection clipboard >"$WORK/copied.txt" || fail "nothing on the X clipboard"
# The expected block: table lines 3 to 5 (players 1 to 3), columns 6 to 8.
sed -n 3,5p "$WORK/before.txt" | cut -f6-8 | sed 's/\r$//; s/$/\r/' >"$WORK/expected.txt"
cmp -s "$WORK/copied.txt" "$WORK/expected.txt" || fail "copied '$(od -c "$WORK/copied.txt" | head -3)'"

# Paste it at (6, 10).
click_at "$(cell_x 6)" "$(cell_y 10)"
press ctrl+v

# A block from another program: Age and Number of player 4 (row 5).
printf '30\t15\r\n' | timeout 10 xclip -i -selection clipboard -loops 1 &
sleep 0.5
click_at "$(cell_x 9)" "$(cell_y 5)"
press ctrl+v
sleep 0.3
screenshot "$ARTIFACTS/clipboard-pasted.png"
save_roster

"$CLI" export "$WORK/Roster.ROS" -o "$WORK/after.txt"
[ "$(sed -n 11,13p "$WORK/after.txt" | cut -f6-8)" = "$(sed -n 3,5p "$WORK/before.txt" | cut -f6-8)" ] ||
  fail "the pasted block did not land in rows 10 to 12"
[ "$(sed -n 6p "$WORK/after.txt" | cut -f9-10)" = "$(printf '30\t15')" ] ||
  fail "xclip's block did not land: '$(sed -n 6p "$WORK/after.txt" | cut -f9-10)'"
echo "end-to-end: copied through the X clipboard, pasted, saved"
