#!/usr/bin/env bash
# bench/tool-run.sh TOOL OUTDIR PHOTO... — one run of a reference tool over the photographs, for
# bench/run.sh to time: floor (djpeg at 1/8, fast DCT, decode only), vips (vipsthumbnail),
# im-hint and im (ImageMagick with and without the jpeg:size hint). Single-threaded settings.
set -euo pipefail
tool=$1
out=$2
shift 2
IM=/usr/bin/convert # the real ImageMagick; a stand-in may shadow `convert` on PATH
export MAGICK_THREAD_LIMIT=1 VIPS_CONCURRENCY=1
case $tool in
floor) for f in "$@"; do djpeg -scale 1/8 -dct fast -outfile /dev/null "$f"; done ;;
vips) vipsthumbnail -s 150x150 -o "$out/%s_vips.jpg" "$@" ;;
im-hint)
  for f in "$@"; do
    "$IM" -define jpeg:size=300x300 "$f" -thumbnail 150x150 "$out/$(basename "$f" .jpg)_im.jpg"
  done
  ;;
im) for f in "$@"; do "$IM" "$f" -thumbnail 150x150 "$out/$(basename "$f" .jpg)_im.jpg"; done ;;
*)
  echo "unknown tool $tool" >&2
  exit 2
  ;;
esac
