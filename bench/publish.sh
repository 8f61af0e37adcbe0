#!/usr/bin/env bash
# bench/publish.sh [CORPUS_DIR]
#
# Times publishing over SFTP against a local OpenSSH server (a throwaway sshd on 127.0.0.1 with
# its own host key; HOME points at a scratch folder whose ~/.ssh is the benchmark's):
#   - a site of BENCH_PHOTOS (10000) small generated photographs, each with a thumbnail, and a
#     page per 20 of them: published once (one run), then again with nothing changed (median of
#     BENCH_RUNS runs);
#   - when CORPUS_DIR is given (made by make-corpus.sh), the site built from its 200 JPEGs:
#     its first publish into an empty folder side by side with `rsync -a -e ssh` and `scp -r`
#     of the same folder over the same server (each the median of BENCH_RUNS runs, the
#     remote folder and the publish record removed before every run).
# Environment: PARVEL_CLI (by default parvel-cli built in Release in BENCH_BUILD_DIR,
# build-bench), BENCH_RUNS (3), BENCH_PHOTOS, BENCH_WORK (a temporary folder, removed at the
# end). Not a test: figures depend on the machine and its load.
set -euo pipefail

CORPUS=${1:-}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
RUNS=${BENCH_RUNS:-3}
PHOTOS=${BENCH_PHOTOS:-10000}
BUILD=${BENCH_BUILD_DIR:-$ROOT/build-bench}

if [ -z "${PARVEL_CLI:-}" ]; then
  echo "== building parvel-cli (Release) in $BUILD"
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DPARVEL_GUI=OFF -DPARVEL_TESTS=OFF \
    >/dev/null
  cmake --build "$BUILD" -j "$(nproc)" --target parvel-cli >/dev/null
fi
CLI=${PARVEL_CLI:-$BUILD/bin/parvel-cli}
echo "   timing $CLI"

WORK=${BENCH_WORK:-$(mktemp -d)}
mkdir -p "$WORK"
SSHD_PID=
cleanup() {
  # The daemon and the sessions it still serves (each in a session of its own).
  if [ -n "$SSHD_PID" ]; then
    for pid in $(ps -o pid= --ppid "$SSHD_PID") "$SSHD_PID"; do
      kill -KILL "$pid" 2>/dev/null || true
    done
  fi
  [ -n "${BENCH_WORK:-}" ] || rm -rf "$WORK"
}
trap cleanup EXIT

# The server.
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
export HOME=$WORK/home
unset SSH_AUTH_SOCK
mkdir -p "$HOME/.ssh"
ssh-keygen -q -t ed25519 -N '' -f "$WORK/hostkey"
ssh-keygen -q -t ed25519 -N '' -f "$HOME/.ssh/id_ed25519"
cat >"$WORK/sshd_config" <<CONFIG
Port $PORT
ListenAddress 127.0.0.1
HostKey $WORK/hostkey
AuthorizedKeysFile $HOME/.ssh/id_ed25519.pub
StrictModes no
PidFile none
UsePAM no
PasswordAuthentication no
Subsystem sftp internal-sftp
CONFIG
# OpenSSH's own tools read ~/.ssh of the password entry, not of $HOME: they are given this file
# with -F, and it names the key and known_hosts file.
printf 'Host benchhost\n  HostName 127.0.0.1\n  Port %s\n  User %s\n  IdentityFile %s\n  UserKnownHostsFile %s\n' \
  "$PORT" "$(id -un)" "$HOME/.ssh/id_ed25519" "$HOME/.ssh/known_hosts" >"$HOME/.ssh/config"
SSH="ssh -F $HOME/.ssh/config"
echo "[127.0.0.1]:$PORT $(cat "$WORK/hostkey.pub")" >"$HOME/.ssh/known_hosts"
[ "$(id -u)" -ne 0 ] || mkdir -p -m 755 /run/sshd
/usr/sbin/sshd -f "$WORK/sshd_config" -D -e 2>"$WORK/sshd.log" &
SSHD_PID=$!
disown "$SSHD_PID"  # killed at the end without a word from the shell
for _ in $(seq 100); do
  $SSH -o BatchMode=yes benchhost true 2>/dev/null && break
  sleep 0.1
done
REMOTE=$WORK/remote
mkdir -p "$REMOTE"

# Median wall clock of a command run RUNS times; `prepare` runs before each (untimed).
median() {  # prepare command...
  local prepare=$1 t times=()
  shift
  for _ in $(seq "$RUNS"); do
    eval "$prepare"
    t=$({
      TIMEFORMAT='%3R'
      time "$@" >"$WORK/out.txt" 2>"$WORK/err.txt"
    } 2>&1) || {
      echo "failed: $*" >&2
      cat "$WORK/err.txt" >&2
      exit 1
    }
    times+=("$t")
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((RUNS + 1) / 2))p"
}

# A catalogue with one site over `folder`, publishing to REMOTE/name.
make_site() {  # name folder
  local data=$WORK/data-$1
  rm -rf "$data"
  mkdir -p "$data"
  cp -r "$ROOT/data/Styles" "$data/"
  "$CLI" --data-dir "$data" new-site "$1" --path "$2" >/dev/null
  "$CLI" --data-dir "$data" set Site_1 "Style_File=$data/Styles/Sample_With_Index.htm" \
    Thumb_Width=150 Thumb_Height=150 Horizontal_Thumb_Count=5 Vertical_Thumb_Count=4 \
    DisplayAsImage=True >/dev/null
  "$CLI" --data-dir "$data" set Site_1 "Publish_URL=sftp://benchhost$REMOTE/$1" >/dev/null
}

if [ "$PHOTOS" -gt 0 ]; then
echo "== $PHOTOS generated photographs"
SITE=$WORK/many
mkdir -p "$SITE/thumbs"
python3 - "$SITE" "$PHOTOS" <<'PY'
import os, random, sys
site, count = sys.argv[1], int(sys.argv[2])
rng = random.Random(1)
for i in range(count):
    with open(f"{site}/photo_{i:05d}.jpg", "wb") as f: f.write(rng.randbytes(rng.randint(20000, 60000)))
    with open(f"{site}/thumbs/photo_{i:05d}_thb.jpg", "wb") as f: f.write(rng.randbytes(6000))
for p in range(0, count, 20):
    links = "".join(f'<img src="thumbs/photo_{i:05d}_thb.jpg">' for i in range(p, min(p + 20, count)))
    name = "Index.html" if p == 0 else f"Index{p // 20 + 1}.html"
    with open(f"{site}/{name}", "w") as f: f.write(f"<html><body>{links}</body></html>\r\n")
PY
make_site many "$SITE"
files=$(find "$SITE" -type f | wc -l)
t=$(RUNS=1 median ':' "$CLI" --data-dir "$WORK/data-many" publish Site_1 --no)
echo "first publish ($files files, $(du -sh "$SITE" | cut -f1)): $t s  ($(tail -n 1 "$WORK/out.txt"))"
t=$(median ':' "$CLI" --data-dir "$WORK/data-many" publish Site_1 --no)
echo "unchanged republish: $t s  ($(tail -n 1 "$WORK/out.txt"))"
fi

if [ -n "$CORPUS" ]; then
  echo "== the corpus site ($CORPUS/jpeg)"
  CSITE=$WORK/corpus
  mkdir -p "$CSITE"
  cp "$CORPUS"/jpeg/*.jpg "$CSITE/"
  make_site corpus "$CSITE"
  "$CLI" --data-dir "$WORK/data-corpus" build Site_1 --yes >/dev/null 2>&1
  echo "site: $(find "$CSITE" -type f | wc -l) files, $(du -sh "$CSITE" | cut -f1)"
  fresh="rm -rf $REMOTE/corpus $REMOTE/rsync $REMOTE/scp $WORK/data-corpus/Published"
  t=$(median "$fresh" "$CLI" --data-dir "$WORK/data-corpus" publish Site_1 --no)
  echo "parvel-cli publish: $t s"
  t=$(median "$fresh" rsync -a -e "$SSH" "$CSITE/" "benchhost:$REMOTE/rsync/")
  echo "rsync -a -e ssh:    $t s"
  t=$(median "$fresh" scp -F "$HOME/.ssh/config" -q -r "$CSITE" "benchhost:$REMOTE/scp")
  echo "scp -r:             $t s"
fi
