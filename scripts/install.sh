#!/usr/bin/env bash
# install.sh [--prefix DIR] — installs the Debian packages the program needs,
# builds the program alone (no tests, no benchmarks) and installs it as
# DIR/bin/kavenor (default DIR: /usr/local, so that `kavenor` is on PATH).
#
# The build folder is build-release (KAVENOR_BUILD_DIR chooses another; an
# existing build folder is built as it is configured).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
prefix=/usr/local
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) [ $# -ge 2 ] || { echo "install.sh: --prefix needs a folder" >&2; exit 2; }
              prefix=$2; shift 2 ;;
    --prefix=*) prefix=${1#--prefix=}; shift ;;
    *) echo "usage: scripts/install.sh [--prefix DIR]" >&2; exit 2 ;;
  esac
done

"$root/scripts/install-deps.sh" --program
build=${KAVENOR_BUILD_DIR:-$root/build-release}
if [ ! -f "$build/CMakeCache.txt" ]; then
  # -O2, as the tests and benchmarks are built (RelWithDebInfo) without the
  # debug information; -O3 only lengthens the build.
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" \
    -DKAVENOR_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target kavenor --parallel "$(nproc)"

SUDO=""
if [ "$(id -u)" -ne 0 ] && ! { mkdir -p "$prefix" 2>/dev/null && [ -w "$prefix" ]; }; then SUDO="sudo"; fi
$SUDO cmake --install "$build" --prefix "$prefix" >/dev/null
echo "installed: $prefix/bin/kavenor"
