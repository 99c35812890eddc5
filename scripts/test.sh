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

# The Windows build's suite under 32-bit Wine (docs/windows.md). It always runs: a machine
# that cannot run it (no Wine, no qemu-i386 8+ where the kernel runs no 32-bit code) fails
# here with the reason.
scripts/test-windows.sh

if [ -x scripts/fuzz-registry.sh ]; then
  scripts/fuzz-registry.sh "${FOLIVEX_FUZZ_SECONDS:-60}"
fi
