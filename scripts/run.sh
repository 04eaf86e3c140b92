#!/usr/bin/env bash
# Installs what is missing, builds Orrimax, writes a demo roster of fictional
# players and starts the editor on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja
cmake --build build --target orrimax orrimax-cli
mkdir -p build/demo
demo=build/demo/Demo.ROS
[ -f "$demo" ] || build/cli/orrimax-cli demo -o "$demo" --players 1500
if report=$(build/cli/orrimax-cli check "$demo"); then
  echo "The demo roster $demo is ready: it loads and saves cleanly."
else
  echo "The demo roster $demo has a problem:"
  echo "$report"
fi
cd build/demo && exec ../app/orrimax Demo.ROS
