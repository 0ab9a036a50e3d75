# Sourced by bench/truth.sh and bench/calls.sh (bash, set -euo pipefail)
# with their arguments CORPUS_DIR [BUILD_DIR]. Runs `kavenor analyze` on the
# corpus in a scratch folder under $TMPDIR (or /tmp), then `measure SCRIPT` runs
# bench/SCRIPT (python3, standard library) on the run's work folder and its
# preprocessed copy vcwk012345/DEF/<corpus name>.
#
# KEEP=1 keeps the scratch folder and prints its path; WORK=DIR measures a
# folder a KEEP=1 run left instead of running analyze, so that both scripts
# can share one run (removing the scratch folder of the large corpus, some
# 600,000 files, takes minutes on a busy disk). Installs Universal Ctags from
# Debian when it is missing.
[ $# -ge 1 ] || { echo "usage: $0 CORPUS_DIR [BUILD_DIR]" >&2; exit 2; }
corpus=$(cd "$1" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${2:-$root/build}" && pwd)
if ! command -v ctags >/dev/null || ! ctags --version 2>/dev/null | grep -q 'Universal Ctags'; then
  $([ "$(id -u)" -ne 0 ] && echo sudo) apt-get install -y universal-ctags >&2
fi
command -v python3 >/dev/null || { echo "python3 is needed" >&2; exit 1; }
if [ -n "${WORK:-}" ]; then
  scratch=$(cd "$WORK" && pwd)
else
  kavenor=$build/src/app/kavenor
  [ -x "$kavenor" ] || { echo "missing $kavenor (build the target kavenor)" >&2; exit 1; }
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/kavenor-truth.XXXXXX")
  if [ -z "${KEEP:-}" ]; then trap 'rm -rf "$scratch"' EXIT; fi
  mkdir "$scratch/out"
  (cd "$scratch" && "$kavenor" analyze "$corpus" out > analyze.txt 2>&1) ||
    { echo "analyze failed"; tail -5 "$scratch/analyze.txt"; exit 1; }
fi
copy=$scratch/vcwk012345/DEF/$(basename "$corpus")
[ -d "$copy" ] || { echo "no preprocessed copy at $copy" >&2; exit 1; }

measure() {
  python3 -B "$root/bench/$1" "$scratch/vcwk012345" "$copy" "$(basename "$corpus")"
  if [ -n "${KEEP:-}" ] && [ -z "${WORK:-}" ]; then echo "kept $scratch"; fi
}
