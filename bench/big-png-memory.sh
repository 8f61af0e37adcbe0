#!/usr/bin/env bash
# bench/big-png-memory.sh [WORK_DIR]
#
# Peak memory of a build whose photographs are all huge: eight 300-megapixel PNGs (20000 x 15000,
# about 110 MB each, made by make_big_png into WORK_DIR/png and kept there for the next run)
# built with parvel-cli build --jobs 8. The thumbnail workers' memory budget lets one such decode
# run at a time, so the peak resident memory stays below BIG_PNG_LIMIT_MB; the script prints the
# peak, wall clock and processor time, and fails when the peak is not below the limit.
# Opt-in: it needs about 1 GB of disk, 2 GB of memory and a few minutes.
#
# Environment: BIG_PNG_COUNT (8), BIG_PNG_SIZE (20000x15000), BIG_PNG_JOBS (8),
# BIG_PNG_LIMIT_MB (1536), BENCH_BUILD_DIR (build-bench, configured as bench/run.sh does),
# PARVEL_CLI (a parvel-cli to measure instead of the one built here, e.g. an older one).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
WORK=${1:-$ROOT/build-bench/big-png}
COUNT=${BIG_PNG_COUNT:-8}
SIZE=${BIG_PNG_SIZE:-20000x15000}
JOBS=${BIG_PNG_JOBS:-8}
LIMIT_MB=${BIG_PNG_LIMIT_MB:-1536}
BUILD=${BENCH_BUILD_DIR:-$ROOT/build-bench}

[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 2; }
targets=()
[ -n "${PARVEL_CLI:-}" ] || targets+=(parvel-cli)
for ((i = 1; i <= COUNT; i++)); do
  [ -s "$WORK/png/big_$i.png" ] || { targets+=(make_big_png); break; }
done
if [ ${#targets[@]} -gt 0 ]; then
  echo "== building ${targets[*]} (Release) in $BUILD"
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DPARVEL_GUI=OFF -DPARVEL_TESTS=OFF \
    -DPARVEL_BENCH=ON >/dev/null
  cmake --build "$BUILD" -j "$(nproc)" --target "${targets[@]}" >/dev/null
fi
CLI=${PARVEL_CLI:-$BUILD/bin/parvel-cli}

mkdir -p "$WORK/png"
for ((i = 1; i <= COUNT; i++)); do
  f=$WORK/png/big_$i.png
  [ -s "$f" ] || { echo "making $f"; "$BUILD/bench/make_big_png" "$f" "${SIZE%x*}" "${SIZE#*x}" "$i"; }
done

# The site: the PNGs (links), 150x150 thumbnails, every thumbnail made again at each run. A site
# lists only GIF and JPEG names, so each PNG is linked under a .gif name: the general loader
# chooses its reader by the file's signature, as the memory estimate does.
site=$WORK/site
data=$WORK/data
rm -rf "$site" "$data"
mkdir -p "$site" "$data"
cp -r "$ROOT/data/Styles" "$data/"
for ((i = 1; i <= COUNT; i++)); do
  ln -f "$WORK/png/big_$i.png" "$site/big_$i.gif" 2>/dev/null ||
    cp "$WORK/png/big_$i.png" "$site/big_$i.gif"
done
"$CLI" --data-dir "$data" new-site big --path "$site" >/dev/null
"$CLI" --data-dir "$data" set Site_1 "Style_File=$data/Styles/Sample_With_Index.htm" \
  Thumb_Width=150 Thumb_Height=150 Thumb_JPEG_Quality=70 Horizontal_Thumb_Count=5 \
  Vertical_Thumb_Count=4 DisplayAsImage=True IndexInThumbPages=True \
  Selected_Page_Index_File= Other_Page_Index_File= >/dev/null

echo "== $COUNT PNGs of $SIZE ($(du -sm "$WORK/png" | cut -f1) MB), parvel-cli build --jobs $JOBS"
/usr/bin/time -v -o "$WORK/time.txt" "$CLI" --data-dir "$data" build Site_1 --jobs "$JOBS" \
  --remake-thumbnails --no >/dev/null
thumbs=$(find "$site" -name '*_thb.jpg' | wc -l)
peak_kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$WORK/time.txt")
wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$WORK/time.txt")
cpu=$(awk -F': ' '/User time/ {u = $2} /System time/ {s = $2} END {printf "%.1f", u + s}' \
  "$WORK/time.txt")
echo "thumbnails: $thumbs of $COUNT; peak resident: $((peak_kb / 1024)) MB (limit $LIMIT_MB MB);" \
  "wall clock $wall; processor time $cpu s ($(nproc) cores)"
[ "$thumbs" -eq "$COUNT" ] || { echo "FAIL: not every thumbnail was made" >&2; exit 1; }
[ $((peak_kb / 1024)) -lt "$LIMIT_MB" ] || { echo "FAIL: peak not below the limit" >&2; exit 1; }
echo "OK"
