#!/usr/bin/env bash
# Builds the benchmarks and runs them all; each prints its figures beside a
# baseline measured in the same run. Takes a few minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh imagemagick
cmake --preset default >/dev/null
cmake --build --preset default --target bench_scan bench_sort bench_imagelib bench_show bench_long_show
echo "== $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
for b in scan/bench_scan sort/bench_sort imagelib/bench_imagelib show/bench_show show/bench_long_show; do
  echo "== ${b#*/}"
  "build/bench/$b"
done
