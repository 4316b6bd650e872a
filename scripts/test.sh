#!/usr/bin/env bash
# Installs what is missing, builds the dev preset (sanitizers on), runs each
# fuzz target for a bounded time and then every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset dev
cmake --build --preset dev
scripts/fuzz.sh 30
ctest --preset dev
