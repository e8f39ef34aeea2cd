#!/bin/bash
# Times, on this machine and on the same file in one run:
#   1. the program's preparation of a 6000 x 4000 JPEG fitted to 1920 x 1080
#      (bench_prepare_wallpaper.exe under Wine, in a throwaway prefix),
#   2. libjpeg-turbo's djpeg -bmp decoding the whole file,
#   3. ImageMagick's convert in.jpg -resize 1920x1080! out.bmp.
# Each is run once per round, in turn; the medians are compared.
#   bench/prepare-wallpaper.sh [rounds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-5}
. "$root/scripts/arch"
build=$(build_dir "$kaleidon_arch")
"$root/scripts/build" bench_prepare_wallpaper >/dev/null

work=$(mktemp -d /tmp/kaleidon-bench-XXXXXX)
wine_prefix="$work/wineprefix"
. "$root/scripts/wine-env"
cleanup() { stop_wine; rm -rf "$work"; }
trap cleanup EXIT

# A photo-like picture: smooth shapes with grain, at a camera's quality.
picture="$work/photo.jpg"
convert -size 1500x1000 plasma:fractal -seed 7 -resize '6000x4000!' -attenuate 0.6 +noise Gaussian \
  -quality 92 -sampling-factor 2x2 "$picture"
echo "machine: $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1), $(nproc) cores," \
  "$(wine --version), load $(cut -d' ' -f1-3 /proc/loadavg); $(build_label)"
echo "picture: $(identify -format '%wx%h' "$picture"), $(($(stat -c %s "$picture") / 1024)) KiB"

# The real convert program (not a wrapper script in front of it).
im=$(command -v convert-im6.q16 || command -v convert)

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
time_ms() {  # command... : wall-clock milliseconds of one run
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}

start_xvfb 1024x768x24
make_prefix
win_picture="Z:${picture//\//\\}"

# One run of each per round, in turn, so that a busy moment of the machine
# falls on all three alike.
: > "$work/djpeg" > "$work/convert" > "$work/prepare"
for _ in $(seq "$rounds"); do
  time_ms djpeg -bmp -outfile "$work/djpeg.bmp" "$picture" >> "$work/djpeg"
  time_ms "$im" "$picture" -resize '1920x1080!' "$work/convert.bmp" >> "$work/convert"
  wine "$build/bench_prepare_wallpaper.exe" "$win_picture" 1920 1080 1 |
    awk '/^prepare_ms/ { print $3 }' >> "$work/prepare"
done
djpeg_ms=$(median < "$work/djpeg")
convert_ms=$(median < "$work/convert")
prepare_ms=$(median < "$work/prepare")

# The steps of the preparation, for the record, and its quality.
wine "$build/bench_prepare_wallpaper.exe" "$win_picture" 1920 1080 5 | tee "$work/steps"

spread() { sort -n "$1" | awk '{ v[NR] = $1 } END { printf "(min %s, max %s, %d runs)", v[1], v[NR], NR }'; }
echo "djpeg -bmp (full decode):            ${djpeg_ms} ms $(spread "$work/djpeg")"
echo "convert -resize 1920x1080!:          ${convert_ms} ms $(spread "$work/convert")"
echo "PrepareWallpaperBitmap (under Wine): ${prepare_ms} ms $(spread "$work/prepare")"
awk -v p="$prepare_ms" -v d="$djpeg_ms" -v c="$convert_ms" 'BEGIN {
  printf "preparation / djpeg:   %.2f (goal: at most 0.5)\n", p / d
  printf "preparation / convert: %.2f (goal: at most 0.33)\n", p / c
}'
awk '/^mean_abs_difference/ { printf "quality: %.3f levels from the full decode (goal: under 1)\n", $2 }' "$work/steps"
