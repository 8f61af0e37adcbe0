#!/usr/bin/env bash
# bench/run.sh CORPUS_DIR
#
# Times 150x150 thumbnails of the corpus's JPEGs (CORPUS_DIR/jpeg/*.jpg, as made by
# make-corpus.sh) with common tools and with our build, and prints one table:
#   floor        libjpeg-turbo djpeg -scale 1/8 -dct fast (decode only), one core
#   vips         vipsthumbnail -s 150x150 (shrink-on-load), one core
#   im-hint      ImageMagick convert -define jpeg:size=300x300 -thumbnail 150x150, one core
#   im           ImageMagick convert -thumbnail 150x150, one core
#   ours-1       parvel-cli build --jobs 1 --remake-thumbnails under taskset -c 0
#   ours-1w      the same with --whole-scans: every scan of a progressive file decoded
#   ours-2       parvel-cli build --jobs 2 --remake-thumbnails on both cores
# The site: every JPEG of the corpus, 150x150 box, quality 70, 5 x 4 per page, text index.
# Each row is the median of BENCH_RUNS runs (default 3): wall clock, processor time (user+sys),
# wall clock against the floor, and peak resident memory of the largest process.
# Then a peak-memory check on a site with every photograph twice (400 images): flat memory means
# at most 10% above the single site. Then the pixel check of the progressive scan skipping
# (jpegscan_check) over the corpus.
#
# Environment: BENCH_RUNS (3), BENCH_TOOLS (all: "floor vips im-hint im ours-1 ours-1w ours-2"),
# BENCH_BUILD_DIR (build-bench), BENCH_WORK (a temporary folder, removed at the end).
# Missing Debian packages (libjpeg-turbo-progs, libvips-tools, imagemagick, time, cmake, ...) are
# installed first. On a shared machine compare the processor-time column; wall clock is only
# meaningful on a quiet one.
set -euo pipefail

CORPUS=${1:?usage: bench/run.sh CORPUS_DIR}
CORPUS=$(cd "$CORPUS" && pwd)
ROOT=$(cd "$(dirname "$0")/.." && pwd)
RUNS=${BENCH_RUNS:-3}
TOOLS=${BENCH_TOOLS:-floor vips im-hint im ours-1 ours-1w ours-2}
BUILD=${BENCH_BUILD_DIR:-$ROOT/build-bench}
TIME=/usr/bin/time

shopt -s nullglob
PHOTOS=("$CORPUS"/jpeg/*.jpg)
[ ${#PHOTOS[@]} -gt 0 ] || { echo "no JPEGs in $CORPUS/jpeg" >&2; exit 2; }

# ---- tools ------------------------------------------------------------------------------------
need=()
for p in libjpeg-turbo-progs libvips-tools imagemagick time util-linux g++ cmake make pkg-config \
  libjpeg62-turbo-dev libpng-dev zlib1g-dev libgif-dev libtiff-dev libexif-dev libfontconfig-dev \
  libfreetype-dev libbenchmark-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || need+=("$p")
done
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing missing packages: ${need[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq >/dev/null
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" \
    >/dev/null
fi

echo "== building parvel-cli (Release) in $BUILD"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DPARVEL_GUI=OFF -DPARVEL_TESTS=OFF \
  -DPARVEL_BENCH=ON >/dev/null
cmake --build "$BUILD" -j "$(nproc)" --target parvel-cli jpegscan_check >/dev/null
CLI=$BUILD/bin/parvel-cli

WORK=${BENCH_WORK:-$(mktemp -d)}
mkdir -p "$WORK"
[ -n "${BENCH_WORK:-}" ] || trap 'rm -rf "$WORK"' EXIT
OUT=$WORK/out
mkdir -p "$OUT"

# ---- the sites --------------------------------------------------------------------------------
# Links (or copies, across file systems) of the photographs; the doubled site has each twice.
link() { ln -f "$1" "$2" 2>/dev/null || cp "$1" "$2"; }
make_site() { # name folder copies
  local name=$1 folder=$2 copies=$3 data=$WORK/data-$1
  rm -rf "$folder" "$data"
  mkdir -p "$folder" "$data"
  cp -r "$ROOT/data/Styles" "$data/"
  for f in "${PHOTOS[@]}"; do
    link "$f" "$folder/$(basename "$f")"
    [ "$copies" -lt 2 ] || link "$f" "$folder/twin_$(basename "$f")"
  done
  "$CLI" --data-dir "$data" new-site "$name" --path "$folder" >/dev/null
  "$CLI" --data-dir "$data" set Site_1 "Style_File=$data/Styles/Sample_With_Index.htm" \
    Thumb_Width=150 Thumb_Height=150 Thumb_JPEG_Quality=70 Horizontal_Thumb_Count=5 \
    Vertical_Thumb_Count=4 DisplayAsImage=True IndexInThumbPages=True \
    Selected_Page_Index_File= Other_Page_Index_File= >/dev/null
}
# The build of a site with thumbnails made again: name jobs -> words of the command.
build_command() {
  echo "$CLI --data-dir $WORK/data-$1 build Site_1 --jobs $2 --remake-thumbnails --no"
}
make_site single "$WORK/site" 1

# ---- timing -----------------------------------------------------------------------------------
# One run of a command: "wall cpu maxrss_kb" on stdout.
measure() {
  local t
  t=$("$TIME" -f '%e %U %S %M' -o "$WORK/time.txt" "$@" >/dev/null 2>&1; cat "$WORK/time.txt")
  awk '{printf "%s %.2f %s\n", $1, $2 + $3, $4}' <<<"$t"
}
median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

command_of() { # tool -> words of the command to time
  case $1 in
  ours-1) echo "taskset -c 0 $(build_command single 1)" ;;
  ours-1w) echo "taskset -c 0 $(build_command single 1) --whole-scans" ;;
  ours-2) build_command single 2 ;;
  *) echo "taskset -c 0 bash $ROOT/bench/tool-run.sh $1 $OUT ${PHOTOS[*]}" ;;
  esac
}

declare -A WALL CPU RSS
for tool in $TOOLS; do
  rows=()
  for ((i = 1; i <= RUNS; i++)); do
    # shellcheck disable=SC2046
    rows+=("$(measure $(command_of "$tool"))")
  done
  WALL[$tool]=$(printf '%s\n' "${rows[@]}" | awk '{print $1}' | median)
  CPU[$tool]=$(printf '%s\n' "${rows[@]}" | awk '{print $2}' | median)
  RSS[$tool]=$(printf '%s\n' "${rows[@]}" | awk '{print $3}' | median)
  echo "   $tool: wall ${WALL[$tool]} s, cpu ${CPU[$tool]} s (runs: $(printf '%s; ' "${rows[@]}"))"
done

echo
echo "== ${#PHOTOS[@]} JPEGs of $CORPUS, 150x150, medians of $RUNS runs, $(nproc) cores ($(uname -m))"
floor=${WALL[floor]:-}
floor_cpu=${CPU[floor]:-}
printf '%-9s %-52s %9s %9s %10s %9s %8s\n' tool what wall_s cpu_s wall/floor cpu/floor peak_MB
for tool in $TOOLS; do
  case $tool in
  floor) what="djpeg -scale 1/8 -dct fast (decode only), 1 core" ;;
  vips) what="vipsthumbnail -s 150x150, 1 core" ;;
  im-hint) what="convert -define jpeg:size=300x300 -thumbnail, 1 core" ;;
  im) what="convert -thumbnail 150x150, 1 core" ;;
  ours-1) what="parvel-cli build --jobs 1, taskset -c 0" ;;
  ours-1w) what="the same, --whole-scans (every scan decoded)" ;;
  ours-2) what="parvel-cli build --jobs 2, both cores" ;;
  esac
  ratio=-
  cratio=-
  [ -z "$floor" ] || ratio=$(awk -v a="${WALL[$tool]}" -v b="$floor" 'BEGIN {printf "%.2f", a / b}')
  [ -z "$floor_cpu" ] || cratio=$(awk -v a="${CPU[$tool]}" -v b="$floor_cpu" 'BEGIN {printf "%.2f", a / b}')
  printf '%-9s %-52s %9s %9s %10s %9s %8.0f\n' "$tool" "$what" "${WALL[$tool]}" "${CPU[$tool]}" \
    "$ratio" "$cratio" "$(awk -v k="${RSS[$tool]}" 'BEGIN {print k / 1024}')"
done

# ---- flat memory: the same photographs twice -------------------------------------------------
echo
echo "== peak memory, ${#PHOTOS[@]} against $((2 * ${#PHOTOS[@]})) images"
make_site double "$WORK/site2" 2
for jobs in 1 2; do
  # shellcheck disable=SC2046
  one=$(measure $(build_command single "$jobs") | awk '{print $3}')
  # shellcheck disable=SC2046
  two=$(measure $(build_command double "$jobs") | awk '{print $3}')
  awk -v j="$jobs" -v a="$one" -v b="$two" 'BEGIN {printf "--jobs %d: %.0f MB, doubled corpus %.0f MB (%+.1f%%)\n", j, a / 1024, b / 1024, (b / a - 1) * 100}'
done

# ---- the progressive scan skipping changes no pixel -------------------------------------------
echo
echo "== 1/8 decodes of the progressive files, whole against scans left out"
"$BUILD/bench/jpegscan_check" "$CORPUS/jpeg"
