#!/usr/bin/env bash
# Measures folivex-convert on a batch of small documents (copies of the sample, three pages
# each) in three ways: a fresh office for every file (what a host gets by default), one
# office for the whole batch, and one office for each of two jobs. Prints the figures.
#
#   bench/batch.sh [COUNT]     (default 50; needs the office server built in build/, or in
#                               the build folder named by FOLIVEX_BUILD_DIR)
#
# The office server is registered in a store of the benchmark's own, so the user's own
# registration is neither used nor changed.
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-50}
build=${FOLIVEX_BUILD_DIR:-build}
command=$build/tools/folivex-convert/folivex-convert
server=$(realpath -m "$build/src/automation/office/libfolivex-office.so")
[ -x "$command" ] || { echo "batch.sh: build first ($command is missing)" >&2; exit 1; }
[ -f "$server" ] || { echo "batch.sh: the office server is not built ($server)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export FOLIVEX_HKCR=$work/HKEY_CLASSES_ROOT.reg FOLIVEX_HKCU=$work/HKEY_CURRENT_USER.reg
unset FOLIVEX_OFFICE_PIPE FOLIVEX_LIBRARY
scripts/register-office.sh "$server" >/dev/null

mkdir -p "$work/docs"
inputs=()
for i in $(seq -w 1 "$count"); do
  cp examples/sample/sample.docx "$work/docs/doc$i.docx"
  inputs+=("$work/docs/doc$i.docx")
done

# One warm-up file, so that the office server's ready-made profile exists before timing.
"$command" -q --office=per-file -o "$work/warm-up" "${inputs[0]}"

run() { # NAME ARGUMENTS...
  local name=$1
  shift
  local started ended status=0
  started=$(date +%s.%N)
  "$command" -q -o "$work/$name/%n" "$@" "${inputs[@]}" || status=$?
  ended=$(date +%s.%N)
  local files
  files=$(find "$work/$name" -name '*.htm' | wc -l)
  awk -v name="$name" -v s="$started" -v e="$ended" -v n="$count" -v f="$files" -v st="$status" \
    'BEGIN { printf "%-28s %8.1f s  %6.2f s/document  %4d files  exit %d\n", name, e - s, (e - s) / n, f, st }'
}

echo "folivex-convert on $count documents of 3 pages each ($(nproc) cores)"
run "fresh office per file" --office=per-file --jobs 1
run "batch, 1 job" --office=batch --jobs 1
run "batch, 2 jobs" --office=batch --jobs 2
