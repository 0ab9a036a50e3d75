#!/usr/bin/env bash
# check-xlsx-pdf.sh [KAVENOR_BINARY] [OUT_DIR]
#
# Integration check of the spreadsheet design documents: runs `kavenor docs`
# on the seeded records of tests/golden/xlsdoc_run, converts every workbook
# it wrote to PDF with LibreOffice (headless) and renders the pages as PNG
# images for a look by eye. Fails when a conversion fails or a PDF has no
# pages. Installs libreoffice-calc-nogui, poppler-utils and a Japanese font
# (fonts-ipafont-gothic) when they are missing.
#
#   KAVENOR_BINARY  default: build/src/app/kavenor
#   OUT_DIR         default: xlsx-pdf-check (PDFs and page-*.png land here)
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
KAVENOR=$(realpath "${1:-$ROOT/build/src/app/kavenor}")
OUT=$(realpath -m "${2:-xlsx-pdf-check}")

die() { echo "check-xlsx-pdf: $*" >&2; exit 1; }
[ -x "$KAVENOR" ] || die "no kavenor binary at $KAVENOR (build first)"

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
PACKAGES=(libreoffice-calc-nogui poppler-utils fonts-ipafont-gothic)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cp -r "$ROOT/tests/golden/xlsdoc_run/vcwk012345" "$WORK/"
mkdir -p "$WORK/out" "$OUT"
(cd "$WORK" && "$KAVENOR" docs --show out) || die "kavenor docs failed"

shopt -s nullglob
books=("$WORK"/out/*/*.xlsx)
[ ${#books[@]} -gt 0 ] || die "kavenor docs wrote no workbook"

# LibreOffice keeps its profile in HOME; give it a private one.
export HOME="$WORK/home"
status=0
for book in "${books[@]}"; do
  name=$(basename "$book" .xlsx)
  if ! soffice --headless --convert-to pdf --outdir "$OUT" "$book" > "$WORK/soffice.log" 2>&1; then
    cat "$WORK/soffice.log" >&2
    echo "FAIL $name: conversion failed" >&2
    status=1
    continue
  fi
  pages=$(pdfinfo "$OUT/$name.pdf" 2>/dev/null | awk '/^Pages:/ {print $2}')
  if [ -z "$pages" ] || [ "$pages" -lt 1 ]; then
    echo "FAIL $name: no pages in $OUT/$name.pdf" >&2
    status=1
    continue
  fi
  pdftoppm -r 80 -png "$OUT/$name.pdf" "$OUT/$name-page"
  echo "ok   $name.xlsx -> $name.pdf ($pages pages)"
done
echo "PDFs and page images: $OUT"
exit $status
