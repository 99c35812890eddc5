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

# The Windows suite (scripts/test-windows.sh) needs 32-bit Wine, which on a kernel without
# 32-bit support runs only under a recent qemu-i386 (docs/windows.md); it is run when asked
# for with FOLIVEX_WINDOWS_TESTS=1.
if [ "${FOLIVEX_WINDOWS_TESTS:-0}" = 1 ]; then
  scripts/test-windows.sh
else
  echo "test: the Windows suite was not run (FOLIVEX_WINDOWS_TESTS=1 runs it)" >&2
fi

if [ -x scripts/fuzz-registry.sh ]; then
  scripts/fuzz-registry.sh "${FOLIVEX_FUZZ_SECONDS:-60}"
fi
