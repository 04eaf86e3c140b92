#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS seconds
# (default 60) on its corpus in build-fuzz/corpus/NAME, seeded from the
# roster generator and from fuzz/corpus/NAME, what earlier long runs found.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
# FUZZ_RUNS=N stops each target after N executions instead (SECONDS still
# bounds it); FUZZ_NO_BUILD=1 runs what build-fuzz holds, so that several
# targets can run side by side on one build.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(load encode import workbook settings)

if [ -z "${FUZZ_NO_BUILD:-}" ]; then
  cmake -S . -B build-fuzz -G Ninja -DORRIMAX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  cmake --build build-fuzz --target "${targets[@]/#/fuzz_}"
  cmake -S . -B build -G Ninja >/dev/null
  cmake --build build --target orrimax_make_seeds
  build/fuzz/orrimax_make_seeds build-fuzz/seeds
fi

runs=()
[ -z "${FUZZ_RUNS:-}" ] || runs=(-runs="$FUZZ_RUNS")
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t" "build-fuzz/artifacts/$t"
  echo "== fuzz_$t for ${seconds}s${FUZZ_RUNS:+ or $FUZZ_RUNS executions}"
  dirs=("build-fuzz/corpus/$t" "build-fuzz/seeds/$t")
  [ ! -d "fuzz/corpus/$t" ] || dirs+=("fuzz/corpus/$t")
  build-fuzz/fuzz/"fuzz_$t" "${dirs[@]}" \
    -max_total_time="$seconds" "${runs[@]}" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="build-fuzz/artifacts/$t/" -print_final_stats=1 2>&1 |
    grep -E '^(stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb|==|SUMMARY|.*ERROR|.*crash-|Done)' || true
  if ls "build-fuzz/artifacts/$t"/* >/dev/null 2>&1; then
    echo "fuzz_$t found a failing input: $(ls "build-fuzz/artifacts/$t")"
    exit 1
  fi
done
