#!/usr/bin/env bash
# Builds the tests with AddressSanitizer + UndefinedBehaviorSanitizer (leak
# detection on) and runs them all. A finding fails the run. TERVO_WERROR=ON
# makes every compiler warning an error (CI sets it).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTERVO_SANITIZE=ON -DTERVO_BUILD_BENCH=OFF \
  -DTERVO_WERROR="${TERVO_WERROR:-OFF}" >/dev/null
cmake --build build-asan
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Leaks inside the system's font and graphics libraries are theirs, not ours.
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
cd build-asan
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
