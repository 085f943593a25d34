#!/usr/bin/env bash
# Runs valgrind's memcheck over showing every valid file of the image corpus
# through the library (imagelib_corpus_walk: own size and shrunk to a
# quarter). Fails on any memcheck error; reading uninitialised memory while
# decoding is what this looks for, leaks are LeakSanitizer's job.
# Usage: scripts/memcheck-corpus.sh [CLASS...]   (default: valid)
# Environment: TERVO_CORPUS_DIR (default ../shared/corpus beside the checkout),
#              TERVO_MEMCHECK_BUILD (build folder, default build),
#              TERVO_MEMCHECK_LOG (valgrind's report, default <build>/memcheck-corpus.log)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh valgrind
corpus=${TERVO_CORPUS_DIR:-$PWD/../shared/corpus}
build=${TERVO_MEMCHECK_BUILD:-build}
log=${TERVO_MEMCHECK_LOG:-$build/memcheck-corpus.log}
[ -f "$corpus/MANIFEST.tsv" ] || { echo "no image corpus at $corpus (set TERVO_CORPUS_DIR)" >&2; exit 2; }
# Optimised with debug information: memcheck's reports then name the lines.
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target imagelib_corpus_walk
status=0
# libjpeg-turbo's SIMD routines work on whole vectors, padding included, and
# memcheck cannot follow which lanes end up in the picture: it reports reads
# of uninitialised memory in pixels the plain C routines (which give the same
# pixels, bit for bit) compute from defined data only. Check the C routines.
export JSIMD_FORCENONE=1
QT_QPA_PLATFORM=offscreen valgrind --tool=memcheck --track-origins=yes --error-exitcode=1 --leak-check=no \
  --num-callers=30 --log-fd=2 "$build/tests/imagelib/imagelib_corpus_walk" "$corpus" "$@" \
  >"$log.out" 2>"$log" || status=$?
tail -n 1 "$log.out"
grep -E "ERROR SUMMARY" "$log" | tail -n 1
if [ "$status" -ne 0 ]; then
  echo "memcheck found errors (exit $status); first reports:" >&2
  # Each report under the name of the corpus file being shown.
  grep -E "^(== |==[0-9]+== (Conditional|Use of|Invalid|Syscall|Source and))" "$log" |
    grep -B1 -E "^==[0-9]+== " | grep -v -- "^--$" | head -n 60 >&2 || true
fi
exit "$status"
