#!/usr/bin/env bash
# The main job: installs what is missing, builds the release preset and runs
# `ravelin demo` on the folder venue-demo/ (or the folder given).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release
cmake --build --preset release --target ravelin
build/release/tools/ravelin/ravelin demo "${1:-venue-demo}"
