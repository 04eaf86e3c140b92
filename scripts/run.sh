#!/usr/bin/env bash
# Installs what is missing, builds Orrimax and tries it on a demo roster.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja
cmake --build build
demo=build/demo/Demo.ROS
mkdir -p build/demo
build/cli/orrimax-cli demo -o "$demo" --players 1500
build/cli/orrimax-cli check "$demo"
build/cli/orrimax-cli export "$demo" -o build/demo/players.txt
build/cli/orrimax-cli export --names "$demo" -o build/demo/names.txt
echo "Exported the player table to build/demo/players.txt and the names to build/demo/names.txt"
