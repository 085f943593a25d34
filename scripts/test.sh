#!/usr/bin/env bash
# Builds Tervo and runs every test. Installs the packages it needs first.
# TERVO_WERROR=ON makes every compiler warning an error (CI sets it).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTERVO_WERROR="${TERVO_WERROR:-OFF}" >/dev/null
cmake --build build
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
