#!/usr/bin/env bash
# Installs what is missing, builds the release program and makes its Debian package,
# build/release/quorlin_VERSION_ARCH.deb, whose dependencies dpkg-shlibdeps finds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target installed_files
cd build/release
rm -f quorlin_*.deb
cpack -G DEB >/dev/null
ls "$PWD"/quorlin_*.deb
