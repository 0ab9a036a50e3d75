#!/usr/bin/env bash
# install_test.sh BUILD_DIR — the README's first command into a temporary
# prefix: scripts/run-sample.sh --prefix TMP installs kavenor as TMP/bin/kavenor
# and analyses the sample with it; the installed program then runs from
# there on its own (`kavenor --version`), outside the build folder.
# BUILD_DIR is this test's own build folder, already built: the script's
# build step finds nothing to do.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

out=$(KAVENOR_BUILD_DIR="$build" "$root/scripts/run-sample.sh" --prefix "$prefix" 2>&1) ||
  { echo "$out"; fail "run-sample.sh --prefix $prefix failed"; }
[ -x "$prefix/bin/kavenor" ] || fail "no $prefix/bin/kavenor"
grep -q "^installed: $prefix/bin/kavenor\$" <<<"$out" || { echo "$out"; fail "no 'installed:' line"; }
grep -q '^Report: .*/index.html$' <<<"$out" || { echo "$out"; fail "the sample analysis gave no report"; }

version=$(cd / && "$prefix/bin/kavenor" --version) || fail "the installed kavenor does not run"
expected="kavenor $(sed -n 's/^project(kavenor VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"
[ "$version" = "$expected" ] || fail "--version printed '$version', not '$expected'"
echo "installed and ran: $prefix/bin/kavenor ($version)"
