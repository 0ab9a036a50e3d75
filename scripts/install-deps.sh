#!/usr/bin/env bash
# install-deps.sh [--program] — installs the Debian 12 packages Kavenor
# builds and tests with. With --program only what building and running the
# program needs (scripts/install.sh): no test framework.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
# The program: the build tools, its libraries, and a Japanese font so that
# the window and a browser showing the report on this machine draw the text.
PACKAGES=(cmake ninja-build g++ pkg-config
          libxlsxwriter-dev libminizip-dev libpugixml-dev qt6-base-dev
          libgraphviz-dev fonts-ipafont-gothic)
if [ "${1:-}" != "--program" ]; then
  # The tests, and dpkg-shlibdeps for `cpack -G DEB`.
  PACKAGES+=(libgtest-dev dpkg-dev)
fi
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y "${missing[@]}"
fi
