#!/usr/bin/env bash
# check-xlsx-pdf.sh [KAVENOR_BINARY] [OUT_DIR]
#
# Integration check of the spreadsheet design documents: analyses the
# sample project (samples/engine_ctl, whose comments take both header
# forms), runs `kavenor docs` on it and on the seeded records of
# tests/golden/xlsdoc_run, converts every workbook it wrote to PDF with
# LibreOffice (headless) and renders the pages as PNG images for a look by
# eye. Fails when a conversion fails or a PDF has no pages. Installs
# libreoffice-calc-nogui, poppler-utils and a Japanese font
# (fonts-ipafont-gothic) when they are missing.
#
#   KAVENOR_BINARY  default: build/src/app/kavenor
#   OUT_DIR         default: xlsx-pdf-check (PDFs and <workbook>-page-*.png
#                   land here; the sample's workbooks as sample-<name>)
#   SCREENSHOTS=DIR also writes the README's pictures of the sample's
#                   documents there: doc-cover.png (sensor.c's cover),
#                   doc-module.png (motor.c's module-definition sheet),
#                   doc-function.png (the function sheet of motor_update)
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
mkdir -p "$OUT"

# The sample: analysed, then its documents.
mkdir -p "$WORK/sample/out"
cp -r "$ROOT/samples/engine_ctl" "$WORK/sample/"
(cd "$WORK/sample" && "$KAVENOR" analyze engine_ctl out > /dev/null && "$KAVENOR" docs --show out) ||
  die "kavenor analyze/docs of the sample failed"
# The seeded records.
mkdir -p "$WORK/seeded/out"
cp -r "$ROOT/tests/golden/xlsdoc_run/vcwk012345" "$WORK/seeded/"
(cd "$WORK/seeded" && "$KAVENOR" docs --show out) || die "kavenor docs failed"

shopt -s nullglob
mkdir -p "$WORK/books"
for book in "$WORK"/sample/out/*/*.xlsx; do cp "$book" "$WORK/books/sample-$(basename "$book")"; done
for book in "$WORK"/seeded/out/*/*.xlsx; do cp "$book" "$WORK/books/"; done
books=("$WORK"/books/*.xlsx)
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
if [ -n "${SCREENSHOTS:-}" ] && [ $status -eq 0 ]; then
  mkdir -p "$SCREENSHOTS"
  # Pages: cover, module sheet, function template, then the function
  # sheets in the records' order (motor_update is motor.c's third).
  crop() { pdftoppm -r 100 -f "$2" -l "$2" -x 40 -y "$3" -W 750 -H "$4" -png -singlefile "$OUT/$1.pdf" "$SCREENSHOTS/$5"; }
  crop sample-sensor_c 1 60 430 doc-cover
  crop sample-motor_c 2 70 300 doc-module
  crop sample-motor_c 6 60 930 doc-function
  echo "Screenshots: $SCREENSHOTS/doc-cover.png doc-module.png doc-function.png"
fi
exit $status
