#!/usr/bin/env bash
# bench/webcopies.sh CORPUS_DIR [BOX]
#
# Times the display copies of a build (Web_Image_Size=BOX, 2048 by default) over the corpus's
# JPEGs (CORPUS_DIR/jpeg/*.jpg, linked into a site folder; bench/make-corpus.sh in the shared
# folder makes the 200-photograph corpus) and sets them beside:
#   - the floor: libjpeg-turbo's djpeg of each file at the smallest -scale M/8 whose output covers
#     the copy's size, one core, output thrown away;
#   - vipsthumbnail -s BOX of the same files, one thread;
#   - the build's copies with one job and with two jobs (the thumbnails made beforehand, so the
#     time is the copies'), with the peak memory of the two-job run (GNU time);
#   - an unchanged rebuild of BENCH_PHOTOS (10000) small photographs with copies on and off, the
#     median of BENCH_RUNS (9) runs of each, taken in turn;
#   - the quality: SSIM of each of BENCH_SSIM copies (20) against ImageMagick's Lanczos resize of
#     the same picture, turned upright, to the same size, on their grey levels (bench/ssim.cpp:
#     Debian 12's ImageMagick 6 has no SSIM metric in compare); beside it the same reference
#     encoded by cjpeg at the copies' quality, which bounds what a JPEG at that quality reaches.
# Prints a table and the load average around the runs. Not a test: figures depend on the
# machine and its load.
#
# Environment: PARVEL_CLI (build/bin/parvel-cli by default), BENCH_PHOTOS, BENCH_SSIM, BENCH_RUNS,
# BENCH_WORK (a temporary folder, removed at the end). Needs libjpeg-turbo-progs, libvips-tools,
# imagemagick and time (Debian packages).
set -euo pipefail

CORPUS=${1:?usage: bench/webcopies.sh CORPUS_DIR [BOX]}
BOX=${2:-2048}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
CLI=${PARVEL_CLI:-$ROOT/build/bin/parvel-cli}
PHOTOS=${BENCH_PHOTOS:-10000}
SSIM_COUNT=${BENCH_SSIM:-20}
RUNS=${BENCH_RUNS:-9}
WORK=${BENCH_WORK:-$(mktemp -d)}
mkdir -p "$WORK"
[ -n "${BENCH_WORK:-}" ] || trap 'rm -rf "$WORK"' EXIT

shopt -s nullglob
jpegs=("$CORPUS"/jpeg/*.jpg)
[ ${#jpegs[@]} -gt 0 ] || { echo "no JPEGs in $CORPUS/jpeg" >&2; exit 2; }

seconds() { # command... -> wall seconds on stdout
  local t
  t=$({ TIMEFORMAT='%3R'; time "$@" >/dev/null 2>&1; } 2>&1)
  echo "$t"
}

make_site() { # name folder
  local data=$WORK/data-$1
  rm -rf "$data"
  mkdir -p "$data"
  cp -r "$ROOT/data/Styles" "$data/"
  "$CLI" --data-dir "$data" new-site "$1" --path "$2" >/dev/null
  "$CLI" --data-dir "$data" set Site_1 "Style_File=$data/Styles/Sample_With_Index.htm" \
    Thumb_Width=150 Thumb_Height=150 Horizontal_Thumb_Count=5 Vertical_Thumb_Count=4 \
    DisplayAsImage=True Selected_Page_Index_File= Other_Page_Index_File= >/dev/null
}
build() { "$CLI" --data-dir "$WORK/data-$1" build Site_1 --no "${@:2}" 2>/dev/null; }

echo "== load average before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"

# The floor: each file decoded at the smallest eighths scale that covers its copy.
floor_list=$WORK/floor.txt
: >"$floor_list"
for f in "${jpegs[@]}"; do
  read -r w h < <(identify -format '%w %h\n' "$f[0]" | head -n 1)
  long=$((w > h ? w : h))
  m=8
  for k in 1 2 3 4 5 6 7 8; do
    # ceil(long * k / 8) must cover the copy's long side (BOX, or the picture's own).
    if [ $(((long * k + 7) / 8)) -ge $((long < BOX ? long : BOX)) ]; then m=$k; break; fi
  done
  echo "$m $f" >>"$floor_list"
done
floor=$(seconds bash -c "while read -r m f; do taskset -c 0 djpeg -scale \$m/8 -outfile /dev/null \"\$f\"; done <'$floor_list'")
mkdir -p "$WORK/vips"
vips=$(seconds bash -c "for f in $(printf '%q ' "${jpegs[@]}"); do VIPS_CONCURRENCY=1 taskset -c 0 vipsthumbnail -s $BOX -o '$WORK/vips/%s.jpg' \"\$f\"; done")

mkdir -p "$WORK/site"
ln "${jpegs[@]}" "$WORK/site/" 2>/dev/null || cp "${jpegs[@]}" "$WORK/site/"
make_site corpus "$WORK/site"
build corpus --jobs 2 >/dev/null # the thumbnails, so that the copies' runs keep them
"$CLI" --data-dir "$WORK/data-corpus" set Site_1 "Web_Image_Size=$BOX" >/dev/null
rm -rf "$WORK/site/web"
one=$(seconds taskset -c 0 "$CLI" --data-dir "$WORK/data-corpus" build Site_1 --no --jobs 1)
rm -rf "$WORK/site/web"
two=$(seconds "$CLI" --data-dir "$WORK/data-corpus" build Site_1 --no --jobs 2)
rm -rf "$WORK/site/web"
peak=$(/usr/bin/time -f '%M' "$CLI" --data-dir "$WORK/data-corpus" build Site_1 --no --jobs 2 \
  2>&1 >/dev/null | tail -n 1)

# Quality against ImageMagick's Lanczos resize of the upright picture to the copy's size.
g++ -O2 -std=c++20 -o "$WORK/ssim" "$ROOT/bench/ssim.cpp"
# The ceiling beside it: the reference itself encoded by cjpeg at the copies' quality, against
# the reference (what any encoder with the standard tables loses at that quality).
quality=$("$CLI" --data-dir "$WORK/data-corpus" show Site_1 Web_Image_Quality | tail -n 1 | sed 's/.*=//')
ssim_sum=0
ssim_min=1
ceiling_sum=0
gap_max=0
n=0
for f in "${jpegs[@]:0:$SSIM_COUNT}"; do
  name=$(basename "$f" .jpg)
  copy=$WORK/site/web/$name.jpg
  size=$(identify -format '%wx%h' "$copy")
  convert "$f" -auto-orient -filter Lanczos -resize "$size!" -strip "$WORK/ref.ppm"
  convert "$WORK/ref.ppm" -colorspace Gray -depth 8 "$WORK/ref.pgm"
  cjpeg -quality "$quality" -progressive "$WORK/ref.ppm" >"$WORK/ceiling.jpg"
  convert "$WORK/ceiling.jpg" -colorspace Gray -depth 8 "$WORK/ceiling.pgm"
  convert "$copy" -strip -colorspace Gray -depth 8 "$WORK/copy.pgm"
  s=$("$WORK/ssim" "$WORK/copy.pgm" "$WORK/ref.pgm")
  c=$("$WORK/ssim" "$WORK/ceiling.pgm" "$WORK/ref.pgm")
  ssim_sum=$(awk -v a="$ssim_sum" -v b="$s" 'BEGIN {print a + b}')
  ssim_min=$(awk -v a="$ssim_min" -v b="$s" 'BEGIN {print (b < a) ? b : a}')
  ceiling_sum=$(awk -v a="$ceiling_sum" -v b="$c" 'BEGIN {print a + b}')
  gap_max=$(awk -v a="$gap_max" -v s="$s" -v c="$c" 'BEGIN {print (c - s > a) ? c - s : a}')
  n=$((n + 1))
done

# An unchanged rebuild of many small photographs, copies on and off: two sites of the same
# photographs, rebuilt in turn, the median of RUNS each.
djpeg -scale 1/8 "${jpegs[0]}" | cjpeg -quality 85 >"$WORK/small.jpg"
for v in off on; do
  mkdir -p "$WORK/many-$v"
  for ((i = 1; i <= PHOTOS; i++)); do
    ln "$WORK/small.jpg" "$(printf '%s/many-%s/p%05d.jpg' "$WORK" "$v" "$i")"
  done
  make_site "many-$v" "$WORK/many-$v"
done
"$CLI" --data-dir "$WORK/data-many-on" set Site_1 "Web_Image_Size=$BOX" >/dev/null
build many-off --jobs 2 >/dev/null
build many-on --jobs 2 >/dev/null
on_line=$(build many-on --jobs 2 | tail -n 1)
: >"$WORK/rebuilds.txt"
for ((r = 0; r < RUNS; r++)); do
  for v in off on; do
    echo "$v $(seconds "$CLI" --data-dir "$WORK/data-many-$v" build Site_1 --no --jobs 2)" \
      >>"$WORK/rebuilds.txt"
  done
done
median() { awk -v v="$1" '$1 == v {print $2}' "$WORK/rebuilds.txt" | sort -n |
  awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
off=$(median off)
on=$(median on)

printf '\n%-58s %10s\n' "run (${#jpegs[@]} photographs, box $BOX)" "wall s"
printf '%-58s %10s\n' "floor: djpeg -scale M/8, one core" "$floor"
printf '%-58s %10s\n' "vipsthumbnail -s $BOX, one thread" "$vips"
printf '%-58s %10s   (%.2f x floor)\n' "parvel-cli copies, one job, one core" "$one" \
  "$(awk -v a="$one" -v b="$floor" 'BEGIN {print a / b}')"
printf '%-58s %10s   (%.2f x faster than one job)\n' "parvel-cli copies, two jobs" "$two" \
  "$(awk -v a="$one" -v b="$two" 'BEGIN {print a / b}')"
printf '%-58s %10s\n' "peak memory, two jobs (MB)" "$((peak / 1024))"
printf '%-58s %10s\n' "SSIM against ImageMagick Lanczos, mean of $n" \
  "$(awk -v a="$ssim_sum" -v n="$n" 'BEGIN {printf "%.4f", a / n}')"
printf '%-58s %10s\n' "SSIM, lowest" "$ssim_min"
printf '%-58s %10s\n' "SSIM of the reference encoded at quality $quality (ceiling), mean" \
  "$(awk -v a="$ceiling_sum" -v n="$n" 'BEGIN {printf "%.4f", a / n}')"
printf '%-58s %10s\n' "largest shortfall of a copy below its ceiling" \
  "$(awk -v a="$gap_max" 'BEGIN {printf "%.4f", a}')"
printf '%-58s %10s\n' "unchanged rebuild of $PHOTOS photographs, copies off" "$off"
printf '%-58s %10s   (%.2f x off)\n' "unchanged rebuild of $PHOTOS photographs, copies on" "$on" \
  "$(awk -v a="$on" -v b="$off" 'BEGIN {print a / b}')"
echo "   its last line: $on_line"
echo "== load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
