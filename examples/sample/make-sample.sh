#!/usr/bin/env bash
# Makes sample.docx from sample.fodt with LibreOffice, on a profile of its own in a temporary
# folder (so that it neither uses nor disturbs an office the user has running).
#
#   examples/sample/make-sample.sh [OUTPUT-FOLDER]   (default: beside this script)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
out=${1:-$here}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
timeout 180 soffice --headless --norestore --nolockcheck --nodefault --nofirststartwizard \
  "-env:UserInstallation=file://$work/profile" \
  --convert-to docx:"MS Word 2007 XML" --outdir "$work" "$here/sample.fodt" >/dev/null
mkdir -p "$out"
mv "$work/sample.docx" "$out/sample.docx"
echo "$out/sample.docx"
