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
[ ${#harnesses[@]} -gt 0 ] || harnesses=(fuzz_settings fuzz_compare fuzz_image_bmp fuzz_image_jpg fuzz_image_png fuzz_image_gif fuzz_bmp_decoder fuzz_png_decoder fuzz_gif_decoder fuzz_jpeg_decoder
  fuzz_webp_decoder fuzz_avif_decoder fuzz_heif_decoder fuzz_tiff_decoder fuzz_jxl_decoder)

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

made_seeds() {  # made_seeds FORMAT: small pictures made by that format's own encoder
  local dir=$work/seeds-$1
  rm -rf "$dir"; mkdir -p "$dir"
  convert -size 40x24 gradient:red-blue "$dir/plain.png"
  convert -size 24x40 gradient:green-yellow -alpha set -channel A -fx 'i/w' "$dir/alpha.png"
  for p in plain alpha; do
    case $1 in
      webp) cwebp -quiet -q 80 "$dir/$p.png" -o "$dir/$p.webp"; cwebp -quiet -lossless "$dir/$p.png" -o "$dir/$p-ll.webp" ;;
      avif) avifenc -s 10 "$dir/$p.png" "$dir/$p.avif" >/dev/null; avifenc -s 10 -d 10 --irot 1 "$dir/$p.png" "$dir/$p-10.avif" >/dev/null ;;
      heif) heif-enc -q 50 "$dir/$p.png" -o "$dir/$p.heic" >/dev/null ;;
      tiff) convert "$dir/$p.png" -compress lzw "$dir/$p.tif"
            convert "$dir/$p.png" -depth 16 -define tiff:tile-geometry=16x16 -compress zip "$dir/$p-16.tif" ;;
      jxl) cjxl --quiet "$dir/$p.png" "$dir/$p.jxl" 2>/dev/null; cjxl --quiet -d 0 "$dir/$p.png" "$dir/$p-ll.jxl" 2>/dev/null ;;
    esac
    rm -f "$dir/$p.png"
  done
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
    fuzz_webp_decoder|fuzz_avif_decoder|fuzz_heif_decoder|fuzz_tiff_decoder|fuzz_jxl_decoder)
      f=${h#fuzz_}; seeds=$(made_seeds "${f%_decoder}") ;;
  esac
  mkdir -p "$work/$h"
  echo "== $h: $seconds s"
  (cd "$work" && QT_QPA_PLATFORM=offscreen "$root/build-fuzz/fuzz/$h" -max_total_time="$seconds" \
      -rss_limit_mb=2048 -timeout=20 -max_len=1048576 -print_final_stats=1 "$work/$h" "$seeds" \
      > "$work/$h.log" 2>&1) || { echo "$h found a problem: see $work/$h.log"; exit 1; }
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$work/$h.log"
  grep -E 'DONE' "$work/$h.log" | tail -n 1
done
