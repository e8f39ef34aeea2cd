#!/bin/bash
# A picture that never comes: a folder on a user-space file system (as a dead
# network share or a cloud file that never downloads shows it) holds two
# pictures and a third that is listed with its size but whose read never
# completes. "Kaleidon.exe /E" gives up that read at its bound and shows
# another picture, then ends; in a window, the main window answers its
# messages while the read waits.
# deadread_test.sh <Kaleidon.exe> <wine-exec>: runs in the prefix scripts/test
# made ($WINEPREFIX). Without /dev/fuse it is skipped (exit code 77).
set -euo pipefail
exe=$1
wine_exec=$2
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }

if [ ! -c /dev/fuse ]; then
  echo "SKIPPED: this machine has no /dev/fuse, so no user-space file system can be mounted"
  exit 77
fi

work=$(mktemp -d)
fs_pid=
program_pid=
cleanup() {
  # The file system goes first: a read it never answered holds its reader
  # until the file system answers or goes.
  fusermount3 -u -z "$work/pictures" 2>/dev/null || umount -l "$work/pictures" 2>/dev/null || true
  [ -n "$fs_pid" ] && kill -9 "$fs_pid" 2>/dev/null
  [ -n "$program_pid" ] && kill -9 "$program_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work" || true
}
trap cleanup EXIT

mkdir "$work/real" "$work/pictures" "$work/program"
convert -size 64x48 xc:'#c03020' BMP3:"$work/real/red.bmp"
convert -size 64x48 xc:'#2040d0' BMP3:"$work/real/blue.bmp"
reads="$work/reads.log"
: >"$reads"
/usr/bin/python3 "$here/deadfs.py" "$work/real" "$work/pictures" dead.bmp "$reads" 2>"$work/fs.log" &
fs_pid=$!
for _ in $(seq 100); do
  mountpoint -q "$work/pictures" && break
  kill -0 "$fs_pid" 2>/dev/null || break
  sleep 0.1
done
mountpoint -q "$work/pictures" || fail "the file system did not mount: $(cat "$work/fs.log")"
[ "$(ls "$work/pictures" | tr '\n' ' ')" = "blue.bmp dead.bmp red.bmp " ] || fail "the folder lists $(ls "$work/pictures")"

program="$work/program"
cp "$exe" "$program/Kaleidon.exe"
folder=$(winepath -w "$work/pictures" 2>/dev/null)
settings() {
  printf '[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\nCPUUseRate=100\r\nTimerChange=0\r\nPath=%s\r\n%s' \
    "$folder" "$1" >"$program/Kaleidon.ini"
}
pixel() { convert "$program/WPFile.BMP" -format '%[hex:p{1,1}]' info: | cut -c1-6; }

# "/E" with red shown already: blue or the dead picture is drawn, and blue
# is shown either way. Run until the draw fell on the dead one.
settings ''
for run in $(seq 10); do
  printf 'red.bmp\r\n' >"$work/real/_Buf.RFB"
  rm -f "$program/WPFile.BMP"
  (cd "$program" && KALEIDON_READ_BOUND_MS=2000 timeout 60 "$wine_exec" Kaleidon.exe /E) ||
    fail "Kaleidon.exe /E did not end (run $run; the dead picture's reads: $(wc -l <"$reads"))"
  [ -f "$program/WPFile.BMP" ] && [ "$(pixel)" = 2040D0 ] ||
    fail "run $run: the wallpaper is not the blue picture but $( [ -f "$program/WPFile.BMP" ] && pixel)"
  [ -s "$reads" ] && break
done
[ -s "$reads" ] || fail "ten draws between two pictures never fell on the dead one"
echo "/E passed over the picture that never came (run $run) and showed the blue one"

# In a window, a start-up change whose draw can only fall on the dead
# picture: the main window answers every message while its read waits.
settings $'StartUpChange=1\r\n'
printf 'blue.bmp\r\nred.bmp\r\n' >"$work/real/_Buf.RFB"
: >"$reads"
(cd "$program" && KALEIDON_READ_BOUND_MS=30000 exec "$wine_exec" Kaleidon.exe) &
program_pid=$!
for _ in $(seq 600); do [ -s "$reads" ] && break; sleep 0.1; done
[ -s "$reads" ] || fail "the start-up change never read the dead picture"
"$wine_exec" "$(dirname "$exe")/fixtures/answer-watch.exe" TMyMainForm 3000 </dev/null ||
  fail "the main window did not answer while the read waited"
echo "the main window answered while the read waited"
