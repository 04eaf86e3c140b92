#!/usr/bin/env bash
# Builds the benchmarks in Release (build-bench/) and prints the figures of
# the README's "Performance" section: the codec and the grid commands under
# Google Benchmark with the raw file baseline, then the window's timings
# (Open to first paint, one scrolled screen) and its peak memory, then the
# roster tool's export and import beside their baseline (bench/tool.sh).
# Usage: bash bench/run.sh [extra Google Benchmark flags]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-bench"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DORRIMAX_BUILD_BENCH=ON -DORRIMAX_BUILD_TESTS=OFF >"$work/configure.log" ||
  { cat "$work/configure.log"; exit 1; }
cmake --build "$build" --target orrimax_bench orrimax_gui_timing orrimax_make_roster \
  orrimax-cli orrimax_io_baseline
export QT_QPA_PLATFORM=offscreen

echo
echo "== Codec and grid commands (Google Benchmark, 3 repetitions, medians)"
"$build/bench/orrimax_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true "$@"

for players in 1500 65535; do
  "$build/bench/orrimax_make_roster" "$players" "$work/Roster$players.ROS"
done
echo
echo "== The window, default size: Open to first paint, one scrolled screen"
"$build/bench/orrimax_gui_timing" --opens 5 "$work/Roster1500.ROS"
"$build/bench/orrimax_gui_timing" --opens 3 "$work/Roster65535.ROS"
echo
echo "== The window at 1920x1080"
"$build/bench/orrimax_gui_timing" --opens 3 --window 1920x1080 "$work/Roster65535.ROS"
echo
echo "== Peak memory of a process that opens the largest roster, paints and scrolls it"
"$build/bench/orrimax_gui_timing" --memory "$work/Roster65535.ROS"
echo
echo "== The roster tool beside a program that only reads and writes as much"
bash "$root/bench/tool.sh" "$build"
