#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, ASan + UBSan) and runs each for a
# while, seeded from the shared image corpus and fuzz/seeds/.
# Usage: scripts/fuzz.sh [seconds-per-harness (default 600)] [harness ...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-600}
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(fuzz_settings fuzz_compare fuzz_image_bmp fuzz_image_jpg fuzz_image_png fuzz_image_gif fuzz_bmp_decoder fuzz_png_decoder fuzz_gif_decoder fuzz_jpeg_decoder)

scripts/install-deps.sh clang libclang-rt-14-dev
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${harnesses[@]}"

corpus=$root/../shared/corpus
work=$root/build-fuzz/runs
mkdir -p "$work"

seed_dir() {  # seed_dir NAME FORMAT: links the corpus files of one format
  local dir=$work/seeds-$1
  rm -rf "$dir"; mkdir -p "$dir"
  [ -f "$corpus/MANIFEST.tsv" ] || { echo "$dir"; return; }
  awk -F'\t' -v f="$2" '$2 == f && $7 == "test" { print $1 }' "$corpus/MANIFEST.tsv" |
    while read -r p; do ln -sf "$corpus/$p" "$dir/$(echo "$p" | tr / _)"; done
  echo "$dir"
}

for h in "${harnesses[@]}"; do
  case $h in
    fuzz_settings) seeds=$root/fuzz/seeds/settings ;;
    fuzz_compare) seeds=$root/fuzz/seeds/compare ;;
    fuzz_image_bmp|fuzz_bmp_decoder) seeds=$(seed_dir bmp bmp) ;;
    fuzz_image_jpg|fuzz_jpeg_decoder) seeds=$(seed_dir jpg jpeg) ;;
    fuzz_image_png|fuzz_png_decoder) seeds=$(seed_dir png png) ;;
    fuzz_image_gif|fuzz_gif_decoder) seeds=$(seed_dir gif gif) ;;
  esac
  mkdir -p "$work/$h"
  echo "== $h: $seconds s"
  (cd "$work" && QT_QPA_PLATFORM=offscreen "$root/build-fuzz/fuzz/$h" -max_total_time="$seconds" \
      -rss_limit_mb=2048 -timeout=20 -max_len=1048576 -print_final_stats=1 "$work/$h" "$seeds" \
      > "$work/$h.log" 2>&1) || { echo "$h found a problem: see $work/$h.log"; exit 1; }
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$work/$h.log"
  grep -E 'DONE' "$work/$h.log" | tail -n 1
done
