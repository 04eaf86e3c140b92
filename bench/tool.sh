#!/usr/bin/env bash
# The roster tool's figures: export -o, export to standard output (into a
# file) and import --table, at 1,500, 20,000 and 65,535 players, each the
# median of 7 runs of the whole process, taking turns with a program that
# only reads the roster and writes as many bytes the same way
# (bench/IoBaseline.cpp); then the peak memory of export at 65,535 players.
# Usage: bash bench/tool.sh BUILD_FOLDER (a Release build with the benchmarks)
set -euo pipefail
build=${1:?usage: bash bench/tool.sh BUILD_FOLDER}
cli="$build/cli/orrimax-cli"
base="$build/bench/orrimax_io_baseline"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Milliseconds of one run of a command line, to a tenth; `prepare` runs
# first, untimed.
run_ms() {
  eval "$1"
  local start end
  start=$(date +%s%N)
  eval "$2" >/dev/null
  end=$(date +%s%N)
  awk -v ns=$((end - start)) 'BEGIN { printf "%.1f", ns / 1e6 }'
}

# The medians of 7 runs of the tool's command line and of the baseline's,
# taking turns, so that both meet the same state of the disk and its cache.
paired_ms() {
  local prepare=$1 tool=$2 floor=$3 tools=() floors=()
  for _ in 1 2 3 4 5 6 7; do
    tools+=("$(run_ms "$prepare" "$tool")")
    floors+=("$(run_ms "$prepare" "$floor")")
  done
  echo "$(printf '%s\n' "${tools[@]}" | sort -n | sed -n 4p)" \
    "$(printf '%s\n' "${floors[@]}" | sort -n | sed -n 4p)"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

row() {
  local times
  read -r -a times <<<"$(paired_ms "$3" "$4" "$5")"
  printf '%-8s %-22s %9s %12s %7s\n' "$1" "$2" "${times[0]}" "${times[1]}" \
    "$(ratio "${times[0]}" "${times[1]}")"
}

printf '%-8s %-22s %9s %12s %7s\n' players command "tool ms" "baseline ms" ratio
for players in 1500 20000 65535; do
  roster="$work/R$players.ROS"
  table="$work/T$players.txt"
  "$build/bench/orrimax_make_roster" "$players" "$roster"
  "$cli" export "$roster" -o "$table"
  size=$(stat -c %s "$table")
  row "$players" "export -o" : "'$cli' export '$roster' -o '$work/out.txt'" \
    "'$base' export '$roster' $size '$work/out.txt'"
  row "$players" "export > file" : "'$cli' export '$roster' > '$work/out.txt'" \
    "'$base' export '$roster' $size > '$work/out.txt'"
  row "$players" "import --table" "cp '$roster' '$work/W.ROS'" \
    "'$cli' import '$work/W.ROS' --table '$table' --no-backup" \
    "'$base' import '$work/W.ROS' '$table'"
done

peak=$(/usr/bin/time -f %M "$cli" export "$work/R65535.ROS" -o "$work/out.txt" 2>&1 >/dev/null | tail -1)
echo "peak memory of export -o at 65535 players: $((peak / 1024)) MB"
