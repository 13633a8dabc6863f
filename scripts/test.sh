#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# makes and checks the Debian package from a release build of the installed programs only, and runs
# every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake --preset test >/dev/null
cmake --build --preset test
scripts/package.sh
packaging/tests/package_test.sh build/release/quorlin_*.deb
ctest --preset test
