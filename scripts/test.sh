#!/usr/bin/env bash
# Runs the tests: the whole suite on the build of setup.sh, then once more on a build with
# AddressSanitizer and UndefinedBehaviorSanitizer, then the registry parser's fuzzer for a
# bounded time, and the Windows build's suite under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

ctest --test-dir build --output-on-failure -j"$jobs" --timeout 600

cmake -S . -B build-sanitize -DFOLIVEX_SANITIZE=ON -DFOLIVEX_BUILD_OFFICE=OFF \
  -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs" --timeout 600 -LE office

if [ -x scripts/test-windows.sh ]; then
  scripts/test-windows.sh
fi

if [ -x scripts/fuzz-registry.sh ]; then
  scripts/fuzz-registry.sh "${FOLIVEX_FUZZ_SECONDS:-60}"
fi
