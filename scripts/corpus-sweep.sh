#!/usr/bin/env bash
# Converts every document of the corpus page by page through the library's exports (with
# folivex-convert and the office server), each within a time limit and with an office of
# its own, checks every page with pagecheck, and prints the figures: how many documents
# converted, failed with a code, ran out of time or crashed, and how many pages match.
#
#   scripts/corpus-sweep.sh [-j JOBS] [-t SECONDS] [-o FOLDER] [-b BUILD] [CORPUS]
#
#   CORPUS   the documents (default: ../shared/corpus beside the project)
#   -b       the build folder with the library, the server and folivex-convert (default: build)
#   -o       where the page files, logs and the summary go (default: a new temporary folder)
#   -t       seconds a document may take (default: 300)
#   -j       documents converted at the same time (default: 1)
#
# The server is registered in a registry of the sweep's own, never the user's. A document
# whose pages do not all match is listed with pagecheck's verdict on each page that fails.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
jobs=1
limit=300
out=
build=$top/build
while getopts "j:t:o:b:h" opt; do
  case $opt in
    j) jobs=$OPTARG ;;
    t) limit=$OPTARG ;;
    o) out=$OPTARG ;;
    b) build=$OPTARG ;;
    h)
      awk 'NR > 1 && /^#/ { sub(/^# ?/, ""); print; next } NR > 1 { exit }' "$0"
      exit 0
      ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
corpus=${1:-$top/../shared/corpus}
corpus=$(cd "$corpus" && pwd)
build=$(cd "$build" && pwd)
pagecheck=${PAGECHECK:-$top/../shared/tools/pagecheck}

convert=$build/tools/folivex-convert/folivex-convert
server=$build/src/automation/office/libfolivex-office.so
for f in "$convert" "$server" "$pagecheck"; do
  [ -x "$f" ] || [ -f "$f" ] || { echo "corpus-sweep: missing $f (build first)" >&2; exit 1; }
done

[ -n "$out" ] || out=$(mktemp -d "${TMPDIR:-/tmp}/corpus-sweep.XXXXXX")
mkdir -p "$out/pages" "$out/logs" "$out/tmp" "$out/registry"
out=$(cd "$out" && pwd)
export FOLIVEX_HKCR=$out/registry/HKEY_CLASSES_ROOT.reg
export FOLIVEX_HKCU=$out/registry/HKEY_CURRENT_USER.reg
"$top/scripts/register-office.sh" "$server" >/dev/null
# Temporary files (the checker's, too) go here rather than to the user's.
export TMPDIR=$out/tmp
export FOLIVEX_CHECK_ANSWER=yes
unset FOLIVEX_OFFICE_PIPE
cache=${PAGECHECK_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/folivex/pagecheck}
mkdir -p "$cache"

# One document: prints "name<TAB>outcome<TAB>matched<TAB>pages<TAB>seconds<TAB>detail".
sweep_one() {
  local doc=$1 name pages log start end status outcome detail matched=0 total=0
  name=$(basename "$doc")
  pages=$out/pages/$name
  log=$out/logs/$name.log
  rm -rf "$pages"
  # Each document's office gets a temporary folder of its own, so that anything it leaves
  # behind shows, also when documents are converted at the same time.
  local tmp=$out/tmp/$name
  mkdir -p "$tmp"
  start=$(date +%s.%N)
  status=0
  TMPDIR=$tmp timeout -k 10 "$((limit + 30))" "$convert" --office=per-file --timeout="$limit" -q -o "$pages" "$doc" \
    >"$log" 2>&1 || status=$?
  end=$(date +%s.%N)
  local files=0
  [ -d "$pages" ] && files=$(find "$pages" -maxdepth 1 -name '[0-9][0-9][0-9][0-9][0-9][0-9].htm' | wc -l)
  case $status in
    0) outcome=converted ;;
    1) if [ "$files" -gt 0 ]; then outcome=partial; else outcome=failed; fi ;;
    124 | 137) outcome=timeout ;;
    *) outcome=crash ;;
  esac
  detail=$(grep -o 'error [0-9]*' "$log" | sort -u | tr '\n' ' ' || true)
  if [ "$files" -gt 0 ]; then
    # Checked on a copy of the sweep's own: a stale lock file beside a corpus document (left by
    # an office that was killed with it open) keeps the checker's office from loading it; so
    # does one beside the copy, left by a checker that was stopped.
    local check copy=$cache/documents/$name
    mkdir -p "$cache/documents"
    cp -p "$doc" "$copy"
    rm -f "$cache/documents/.~lock.$name#"
    check=$("$pagecheck" "$copy" "$pages" --cache "$cache" --timeout 600 2>&1 | tee "$out/logs/$name.pagecheck" |
      sed -n 's/^pages: \([0-9]*\) of \([0-9]*\) match$/\1 \2/p')
    read -r matched total <<<"${check:-0 0}"
  fi
  local left
  left=$(find "$tmp" -maxdepth 1 -name 'folivex-office-*' | wc -l)
  [ "$left" -eq 0 ] || detail="$detail LEFTOVER($left)"
  printf '%s\t%s\t%s\t%s\t%.1f\t%s\n' "$name" "$outcome" "$matched" "$total" \
    "$(echo "$end - $start" | bc)" "$detail"
}
export -f sweep_one
export out limit convert pagecheck cache

find "$corpus" -maxdepth 1 -type f \( -iname '*.doc' -o -iname '*.docx' -o -iname '*.rtf' \) -print0 |
  sort -z | xargs -0 -n 1 -P "$jobs" bash -c 'sweep_one "$0"' | tee "$out/results.tsv"

awk -F'\t' -v out="$out" '
  { docs++; n[$2]++; secs += $5
    if ($2 == "converted" || $2 == "partial") { cdocs++; m += $3; t += $4; if ($3 < $4) short[$1] = $3 " of " $4 }
    if ($6 ~ /LEFTOVER/) left++ }
  END {
    printf "\ndocuments: %d (converted %d, partly %d, failed with a code %d, out of time %d, crashed %d)\n",
      docs, n["converted"], n["partial"], n["failed"], n["timeout"], n["crash"]
    printf "pages of the documents that convert: %d of %d match (%.1f%%)\n", m, t, t ? 100 * m / t : 0
    printf "time: %.0f s in all; leftovers: %d\n", secs, left
    if (length(short)) { print "documents with pages that do not match:"; for (d in short) print "  " d ": " short[d] }
    print "details: " out
  }' "$out/results.tsv" | tee "$out/summary.txt"
