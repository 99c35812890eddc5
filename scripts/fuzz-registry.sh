#!/usr/bin/env bash
# Fuzzes the registry store parser for a bounded time: builds fuzz/registry_store_fuzzer.cpp
# with clang's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/,
# and runs it on the seed corpus fuzz/corpus/registry plus what earlier runs found.
#
#   scripts/fuzz-registry.sh [SECONDS]     (default 60)
#
# A crash, leak, hang (over 10 s per input) or failed invariant stops the run with a non-zero
# status and leaves the input in build-fuzz/artifacts/; add it to the parser's tests.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
case $seconds in '' | *[!0-9]*) echo "fuzz-registry: SECONDS must be a whole number" >&2; exit 2 ;; esac
cxx=${FOLIVEX_FUZZ_CXX:-$(command -v clang++-14 || command -v clang++ || true)}
if [ -z "$cxx" ]; then
  echo "fuzz-registry: no clang++ (apt-get install clang-14 libclang-rt-14-dev)" >&2
  exit 1
fi

out=build-fuzz
mkdir -p "$out/corpus" "$out/artifacts"
fuzzer=$out/registry_store_fuzzer
sources=(fuzz/registry_store_fuzzer.cpp src/platform/posix/registry_store.cpp)
if [ ! -x "$fuzzer" ] || [ -n "$(find "${sources[@]}" src/platform/posix/registry_store.h \
  src/platform/registry.h -newer "$fuzzer")" ]; then
  echo "fuzz-registry: building $fuzzer with $cxx"
  "$cxx" -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -Wall -Wextra -Wpedantic -Wshadow -Werror -Isrc "${sources[@]}" -o "$fuzzer"
fi

echo "fuzz-registry: running for $seconds s"
"$fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -dict=fuzz/registry.dict -artifact_prefix="$out/artifacts/" -print_final_stats=1 \
  "$out/corpus" fuzz/corpus/registry 2>&1 | tee "$out/last-run.log" |
  grep -E '^(INFO: Seed|INFO: .*corpus|#[0-9]+[[:space:]]+(INITED|DONE)|stat::|==[0-9]+==|SUMMARY|artifact_prefix|Test unit written)' || true
status=${PIPESTATUS[0]}
if [ "$status" -ne 0 ]; then
  echo "fuzz-registry: the fuzzer failed (status $status); see $out/last-run.log and $out/artifacts/" >&2
  exit "$status"
fi
echo "fuzz-registry: no failure; $(find "$out/corpus" -type f | wc -l) inputs in $out/corpus"
