#!/usr/bin/env bash
# A user starts the editor on a roster, types a name ID and takes it back,
# pastes two IDs, takes the paste back and does it again, then quits and
# answers the question with its default, Save. The saved roster is what the
# tool writes for the same two IDs.
# Usage: undo_and_quit.sh EDITOR CLI ARTIFACT_FOLDER
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_setup "$@"
"$CLI" demo -o "$WORK/Roster.ROS" --players 30 --seed 11 >/dev/null
cp "$WORK/Roster.ROS" "$WORK/Expected.ROS"
"$CLI" export "$WORK/Roster.ROS" -o "$WORK/table.txt"

start_display
start_editor "$WORK" Roster.ROS
sleep 1
name=$(timeout 2 xdotool search --class orrimax getwindowname 2>/dev/null | tail -n 1 || true)
[ "$name" = "Orrimax v. 0.6 - Roster.ROS" ] || fail "the caption is '$name'"

# Without a window manager a click makes the window active (its shortcuts
# work only then): one on the filter's caption, which takes no focus. The
# grid keeps the keys at (4, 1); player 1's LNameID is below.
click_at 120 90
press Down
type_text "7"
press Down
press ctrl+z
printf '5\r\n6\r\n' | timeout 10 xclip -i -selection clipboard -loops 1 &
XCLIP_PID=$!
sleep 0.5
press ctrl+v
kill "$XCLIP_PID" 2>/dev/null || true
press ctrl+z
press ctrl+y
sleep 0.3
name=$(timeout 2 xdotool search --class orrimax getwindowname 2>/dev/null | tail -n 1 || true)
[ "$name" = "Orrimax v. 0.6 - Roster.ROS*" ] || fail "the caption after the edits is '$name'"
screenshot "$ARTIFACTS/undo-redo.png"

# File > Quit (the menu's last item), then the question's default.
click_at 18 7
press Up
press Return
sleep 0.8
screenshot "$ARTIFACTS/save-changes.png"
press Return
for _ in $(seq 50); do
  kill -0 "$APP_PID" 2>/dev/null || break
  sleep 0.1
done
! kill -0 "$APP_PID" 2>/dev/null || fail "the editor did not quit"
APP_PID=""  # nothing left to stop

# Lines 3 and 4 are players 1 and 2; LNameID is their fourth cell.
awk -F'\t' -v OFS='\t' 'NR == 3 { $4 = "5" } NR == 4 { $4 = "6" } { print }' "$WORK/table.txt" >"$WORK/edited.txt"
"$CLI" import "$WORK/Expected.ROS" --no-backup --table "$WORK/edited.txt" >/dev/null
cmp -s "$WORK/Roster.ROS" "$WORK/Expected.ROS" || fail "the saved roster differs from the expected one"
[ -f "$WORK/Roster.ROS.bak" ] || fail "no backup was kept"
echo "end-to-end: typed, undid, pasted, undid, redid, quit with Save; the saved roster is right"
