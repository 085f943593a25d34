#!/usr/bin/env bash
# Builds Tervo and runs every test. Installs the packages it needs first.
#   scripts/test.sh              the program's own build (CMake preset "default", build/)
#   scripts/test.sh --sanitize   every test under AddressSanitizer + UndefinedBehaviorSanitizer
#                                with leak detection (preset "asan", build-asan/); a finding fails
# TERVO_WERROR=ON makes every compiler warning an error (CI sets it).
set -euo pipefail
cd "$(dirname "$0")/.."
preset=default
case "${1:-}" in
  --sanitize) preset=asan ;;
  "") ;;
  *) echo "usage: scripts/test.sh [--sanitize]" >&2; exit 2 ;;
esac
scripts/install-deps.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
