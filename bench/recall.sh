#!/usr/bin/env bash
# recall.sh CORPUS_DIR [BUILD_DIR]
#
# How many of a project's function definitions FILE ALS records. Runs
# `kavenor analyze` on the corpus in a scratch folder, lists the definitions
# FILE ALS records per file of the preprocessed copy (kv_definition_list),
# lists the definitions Universal Ctags finds in the same copy
# (`ctags -x --kinds-C=f`, installed from Debian when missing), and compares
# the two as sets of (file, name). A definition wrapped in a macro call is
# recorded as ISR(TIMER0_OVF_vect) and compared as ISR, the name ctags gives.
#
# Prints the counts, the recall (ctags definitions also recorded) and the
# false positives (recorded definitions ctags does not know). KEEP=1 keeps the
# scratch folder, with misses.txt and extra.txt, and prints its path.
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 CORPUS_DIR [BUILD_DIR]" >&2; exit 2; }
corpus=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${2:-$root/build}" && pwd)
kavenor=$build/src/app/kavenor
lister=$build/src/analysis/kv_definition_list
for b in "$kavenor" "$lister"; do
  [ -x "$b" ] || { echo "missing $b (build the targets kavenor and kv_definition_list)" >&2; exit 1; }
done
if ! command -v ctags >/dev/null || ! ctags --version 2>/dev/null | grep -q 'Universal Ctags'; then
  $([ "$(id -u)" -ne 0 ] && echo sudo) apt-get install -y universal-ctags >&2
fi

scratch=$(mktemp -d /tmp/kavenor-recall.XXXXXX)
if [ -z "${KEEP:-}" ]; then trap 'rm -rf "$scratch"' EXIT; fi
cd "$scratch"
mkdir out
"$kavenor" analyze "$corpus" out > analyze.txt 2>&1 || { echo "analyze failed"; tail -5 analyze.txt; exit 1; }
copy=$scratch/vcwk012345/DEF/$(basename "$corpus")
[ -d "$copy" ] || { echo "no preprocessed copy at $copy" >&2; exit 1; }

# ctags: "name kind line file text"; .h files are C here as well.
(cd "$copy" && ctags -x --languages=C --langmap=C:.c.h.C.H --kinds-C=f -R . 2>/dev/null) |
  awk '{ f = $4; sub(/^\.\//, "", f); print f "\t" $1 }' | LC_ALL=C sort -u > ctags.txt
"$lister" "$copy" > kavenor-all.txt
awk -F'\t' '{ n = $2; sub(/\(.*/, "", n); print $1 "\t" n }' kavenor-all.txt | LC_ALL=C sort -u > kavenor.txt

LC_ALL=C comm -23 ctags.txt kavenor.txt > misses.txt
LC_ALL=C comm -13 ctags.txt kavenor.txt > extra.txt
c=$(wc -l < ctags.txt); k=$(wc -l < kavenor.txt); all=$(wc -l < kavenor-all.txt)
m=$(wc -l < misses.txt); e=$(wc -l < extra.txt)
awk -v c="$c" -v k="$k" -v all="$all" -v m="$m" -v e="$e" -v name="$(basename "$corpus")" 'BEGIN {
  printf "%s: ctags definitions %d, kavenor definitions %d (%d file/name pairs)\n", name, c, all, k
  printf "%s: recall %.1f %% (%d missed), false positives %.2f %% (%d)\n", name,
         c ? 100 * (c - m) / c : 100, m, k ? 100 * e / k : 0, e }'
[ -n "${KEEP:-}" ] && echo "kept $scratch (misses.txt, extra.txt)"
exit 0
