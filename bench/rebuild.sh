#!/usr/bin/env bash
# bench/rebuild.sh [CORPUS_DIR]
#
# Times rebuilds of sites that are already built, with the build dialog's switch "do not create
# thumbnails if they already exist" on (parvel-cli build without --remake-thumbnails):
#   - a site of BENCH_PHOTOS (10000) small photographs (320x240 JPEGs made here by
#     make_bench_photos), and, when CORPUS_DIR is given, a site of the corpus's JPEGs
#     (CORPUS_DIR/jpeg/*.jpg, copied);
#   - each built once, then rebuilt unchanged, then rebuilt after touching one photograph (its
#     modification time set to now before every run).
# The site: 150x150 box, quality 70, 5 x 4 per page, text index, no image display pages, two jobs.
# Prints wall clock and processor time (user+sys) as medians of BENCH_RUNS runs (5), the load
# average around the runs, and the last line the build printed.
#
# Environment: PARVEL_CLI (the program to time; by default parvel-cli built in Release here),
# BENCH_RUNS, BENCH_PHOTOS, BENCH_BUILD_DIR (build-bench), BENCH_WORK (a temporary folder,
# removed at the end). Not a test: figures depend on the machine and its load.
set -euo pipefail

CORPUS=${1:-}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
RUNS=${BENCH_RUNS:-5}
PHOTOS=${BENCH_PHOTOS:-10000}
BUILD=${BENCH_BUILD_DIR:-$ROOT/build-bench}

echo "== building (Release) in $BUILD"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DPARVEL_GUI=OFF -DPARVEL_TESTS=OFF \
  -DPARVEL_BENCH=ON >/dev/null
targets=(make_bench_photos)
[ -n "${PARVEL_CLI:-}" ] || targets+=(parvel-cli)
cmake --build "$BUILD" -j "$(nproc)" --target "${targets[@]}" >/dev/null
CLI=${PARVEL_CLI:-$BUILD/bin/parvel-cli}
echo "   timing $CLI"

WORK=${BENCH_WORK:-$(mktemp -d)}
mkdir -p "$WORK"
[ -n "${BENCH_WORK:-}" ] || trap 'rm -rf "$WORK"' EXIT

# A site over `folder` in its own data directory: name folder.
make_site() {
  local name=$1 folder=$2 data=$WORK/data-$1
  rm -rf "$data"
  mkdir -p "$data"
  cp -r "$ROOT/data/Styles" "$data/"
  "$CLI" --data-dir "$data" new-site "$name" --path "$folder" >/dev/null
  "$CLI" --data-dir "$data" set Site_1 "Style_File=$data/Styles/Sample_With_Index.htm" \
    Thumb_Width=150 Thumb_Height=150 Thumb_JPEG_Quality=70 Horizontal_Thumb_Count=5 \
    Vertical_Thumb_Count=4 DisplayAsImage=True IndexInThumbPages=True \
    Selected_Page_Index_File= Other_Page_Index_File= >/dev/null
}

# One run: "wall cpu" on stdout; the build's last line in $WORK/last.txt.
measure() {
  local t
  t=$({
    TIMEFORMAT='%3R %3U %3S'
    time "$@" >"$WORK/out.txt" 2>/dev/null
  } 2>&1)
  tail -n 1 "$WORK/out.txt" >"$WORK/last.txt"
  awk '{printf "%.3f %.3f\n", $1, $2 + $3}' <<<"$t"
}
median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

# Times `runs` runs of a build of site `name`, running `before` ahead of each; prints one row.
row() { # label name runs before
  local label=$1 name=$2 runs=$3 before=$4 rows=() i
  for ((i = 1; i <= runs; i++)); do
    eval "$before"
    rows+=("$(measure "$CLI" --data-dir "$WORK/data-$name" build Site_1 --jobs 2 --no)")
  done
  local wall cpu
  wall=$(printf '%s\n' "${rows[@]}" | awk '{print $1}' | median)
  cpu=$(printf '%s\n' "${rows[@]}" | awk '{print $2}' | median)
  printf '%-44s %8s %8s   %s\n' "$label" "$wall" "$cpu" "$(cat "$WORK/last.txt")"
}

sites=(many)
mkdir -p "$WORK/many"
"$BUILD/bench/make_bench_photos" "$WORK/many" "$PHOTOS"
make_site many "$WORK/many"
first_many=photo00001.jpg
if [ -n "$CORPUS" ]; then
  shopt -s nullglob
  jpegs=("$CORPUS"/jpeg/*.jpg)
  if [ ${#jpegs[@]} -gt 0 ]; then
    mkdir -p "$WORK/corpus"
    cp "${jpegs[@]}" "$WORK/corpus/"
    make_site corpus "$WORK/corpus"
    first_corpus=$(basename "${jpegs[0]}")
    sites+=(corpus)
  fi
fi

echo "== load average before: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
printf '%-44s %8s %8s   %s\n' "site, run" wall_s cpu_s "last line printed"
for site in "${sites[@]}"; do
  if [ "$site" = many ]; then
    count=$PHOTOS
    touched=$WORK/many/$first_many
  else
    count=${#jpegs[@]}
    touched=$WORK/corpus/$first_corpus
  fi
  row "$site ($count photos): first build" "$site" 1 :
  row "$site: rebuilt unchanged" "$site" "$RUNS" :
  row "$site: rebuilt after touching one photo" "$site" "$RUNS" "touch '$touched'"
done
echo "== load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
