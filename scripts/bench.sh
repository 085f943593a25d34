#!/usr/bin/env bash
# Builds the benchmarks and runs them all; each prints its figures beside a
# baseline measured in the same run. Takes a few minutes.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh imagemagick
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target bench_scan bench_sort bench_imagelib bench_show
echo "== $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
for b in scan/bench_scan sort/bench_sort imagelib/bench_imagelib show/bench_show; do
  echo "== ${b#*/}"
  "build/bench/$b"
done
