#!/usr/bin/env bash
# Checks that every source is formatted, then builds Tapweave and runs every test: the unit,
# integration and end-to-end tests (the X ones start their own Xvfb), then the thread-sanitizer
# stress tests and a bounded fuzzing run.
# Set TAPWEAVE_QUICK=1 to run only the first group.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc)

# Every source is in the project's format (.clang-format).
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

[ "${TAPWEAVE_QUICK:-0}" = 1 ] && exit 0

# The tests that run threads against each other, again under the thread sanitizer; a race
# report makes the program exit non-zero.
mapfile -t stress < <(grep -v '^#' tests/sanitizer-targets.txt 2>/dev/null | grep . || true)
if [ ${#stress[@]} -gt 0 ]; then
    cmake --preset tsan >/dev/null
    cmake --build --preset tsan -j "$jobs" --target "${stress[@]}"
    for target in "${stress[@]}"; do
        TSAN_OPTIONS="halt_on_error=1 exitcode=66" "build-tsan/bin/$target"
    done
fi

if [ -d tests/fuzz ]; then
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz -j "$jobs"
    for fuzzer in build-fuzz/bin/*_fuzz; do
        [ -x "$fuzzer" ] || continue
        corpus=$(mktemp -d)
        "$fuzzer" -max_total_time="${TAPWEAVE_FUZZ_SECONDS:-60}" -rss_limit_mb=2048 "$corpus"
        rm -rf "$corpus"
    done
fi
