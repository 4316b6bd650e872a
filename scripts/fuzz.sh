#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (build/fuzz) and runs each
# one for a bounded time on a scratch copy of its seed corpus, so that the
# committed corpus never grows here.
#
#   scripts/fuzz.sh [seconds-per-target] [target...]
#
# Seconds default to 30; with no target named every one runs. Inputs that
# crash or fail a check are kept under build/fuzz/findings/. To grow the
# committed corpus on purpose, run a program from build/fuzz/fuzz/ by hand on
# fuzz/corpus/<target>/ and review what it adds.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-30}"
shift || true

cc="${RAVELIN_FUZZ_CC:-clang-14}"
cxx="${RAVELIN_FUZZ_CXX:-clang++-14}"
for tool in "$cc" "$cxx"; do
  command -v "$tool" >/dev/null || { echo "fuzz.sh: $tool not found (apt-get install clang-14 libclang-rt-14-dev)" >&2; exit 2; }
done

sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined"
# -O1 with line tables: quick to build, and reports still name the lines.
optimise="-O1 -gline-tables-only -fno-omit-frame-pointer"
cmake -S . -B build/fuzz -G Ninja \
  -DCMAKE_BUILD_TYPE= \
  -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link $sanitizers $optimise" \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link $sanitizers $optimise" \
  -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" \
  -DCMAKE_SHARED_LINKER_FLAGS="$sanitizers" \
  -DRAVELIN_BUILD_TESTS=ON -DRAVELIN_BUILD_BENCHMARKS=OFF -DRAVELIN_BUILD_TOOLS=OFF \
  -DRAVELIN_FUZZ_ENGINE=ON >/dev/null
cmake --build build/fuzz --target fuzz_all -j2

if (($# == 0)); then
  set -- $(cd fuzz/corpus && ls)
fi

# The configuration targets save a file per input; on a memory file system
# the flushes cost nothing, which makes them about ten times faster.
if [[ -d /dev/shm && -w /dev/shm ]]; then
  export TMPDIR=/dev/shm
fi

findings="build/fuzz/findings"
mkdir -p "$findings"
failed=()
for target in "$@"; do
  scratch="$(mktemp -d -p "${TMPDIR:-/tmp}")"
  cp -R "fuzz/corpus/$target/." "$scratch/"
  log="build/fuzz/$target.log"
  echo "== $target: ${seconds}s"
  status=0
  "build/fuzz/fuzz/$target" "$scratch" \
    -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -max_len=65536 \
    -print_final_stats=1 -artifact_prefix="$findings/$target-" >"$log" 2>&1 || status=$?
  rm -rf "$scratch"
  grep -E '^stat::number_of_executed_units|^stat::new_units_added|^Done ' "$log" || true
  if ((status != 0)); then
    echo "!! $target failed (exit $status); see $log and $findings/"
    grep -E 'ERROR|fuzz check failed|SUMMARY' "$log" | head -5 || true
    failed+=("$target")
  fi
done

if ((${#failed[@]})); then
  echo "fuzz targets with findings: ${failed[*]}"
  exit 1
fi
echo "fuzz targets without findings: $#"
