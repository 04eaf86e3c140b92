#!/usr/bin/env bash
# The roster tool's figures: export -o, export to standard output (into a
# file) and import --table, at 1,500, 20,000 and 65,535 players, each the
# median of 5 runs of the whole process, beside a program that only reads
# the roster and writes as many bytes the same way (bench/IoBaseline.cpp);
# then the peak memory of export at 65,535 players.
# Usage: bash bench/tool.sh BUILD_FOLDER (a Release build with the benchmarks)
set -euo pipefail
build=${1:?usage: bash bench/tool.sh BUILD_FOLDER}
cli="$build/cli/orrimax-cli"
base="$build/bench/orrimax_io_baseline"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Median wall time in milliseconds of 5 runs of the command; `prepare` runs
# before each one, untimed.
median_ms() {
  local prepare=$1
  shift
  local times=()
  for _ in 1 2 3 4 5; do
    eval "$prepare"
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n 3p
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

printf '%-8s %-22s %9s %12s %7s\n' players command "tool ms" "baseline ms" ratio
for players in 1500 20000 65535; do
  roster="$work/R$players.ROS"
  "$build/bench/orrimax_make_roster" "$players" "$roster"
  "$cli" export "$roster" -o "$work/T$players.txt"
  size=$(stat -c %s "$work/T$players.txt")

  tool=$(median_ms : "$cli" export "$roster" -o "$work/out.txt")
  floor=$(median_ms : "$base" export "$roster" "$size" "$work/out.txt")
  printf '%-8s %-22s %9s %12s %7s\n' "$players" "export -o" "$tool" "$floor" "$(ratio "$tool" "$floor")"

  tool=$(median_ms : sh -c "'$cli' export '$roster' > '$work/out.txt'")
  floor=$(median_ms : sh -c "'$base' export '$roster' $size > '$work/out.txt'")
  printf '%-8s %-22s %9s %12s %7s\n' "$players" "export > file" "$tool" "$floor" "$(ratio "$tool" "$floor")"

  copy="cp '$roster' '$work/W.ROS'"
  tool=$(median_ms "$copy" "$cli" import "$work/W.ROS" --table "$work/T$players.txt" --no-backup)
  floor=$(median_ms "$copy" "$base" import "$work/W.ROS" "$work/T$players.txt")
  printf '%-8s %-22s %9s %12s %7s\n' "$players" "import --table" "$tool" "$floor" "$(ratio "$tool" "$floor")"
done

peak=$(/usr/bin/time -f %M "$cli" export "$work/R65535.ROS" -o "$work/out.txt" 2>&1 >/dev/null | tail -1)
echo "peak memory of export -o at 65535 players: $((peak / 1024)) MB"
