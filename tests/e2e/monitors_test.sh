#!/bin/bash
# Two monitors as Wine sees them: an X screen of two heads (Xinerama, which
# Wine reads when it is told not to use RandR) in a copy of the test prefix.
# Kaleidon.exe /E makes one wallpaper of two pictures drawn from one folder,
# both recorded in its history; with the option off it makes one picture.
# monitors_test.sh <Kaleidon.exe> <wine-exec>: runs in the prefix scripts/test
# made ($WINEPREFIX).
set -euo pipefail
exe=$1
wine_exec=$2
base=${WINEPREFIX:?the test prefix}
work=$(mktemp -d)
xvfb_pid=
cleanup() {
  WINEPREFIX="$work/prefix" wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

for n in $(seq 150 200); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
  Xvfb ":$n" +xinerama -screen 0 1024x768x24 -screen 1 800x600x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  export DISPLAY=":$n"
  break
done
[ -n "$xvfb_pid" ] || fail "no free X display"

# The copy shares the prefix's files by hard links; the registry files, which
# Wine rewrites, are its own.
cp -al "$base" "$work/prefix"
for reg in "$work/prefix"/*.reg; do
  rm "$reg"
  cp "$base/$(basename "$reg")" "$reg"
done
export WINEPREFIX="$work/prefix"
wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
wineserver -w
# What the rest needs of the machine: Wine showing both heads.
"$wine_exec" "$(dirname "$exe")/fixtures/machine-check.exe" monitors 2 </dev/null ||
  fail "the machine lacks what two monitors need (above)"

program="$work/program"
pictures="$work/pictures"
mkdir "$program" "$pictures"
cp "$exe" "$program/Kaleidon.exe"
convert -size 64x48 xc:'#c03020' BMP3:"$pictures/red.bmp"
convert -size 64x48 xc:'#2040d0' BMP3:"$pictures/blue.bmp"
folder=$(winepath -w "$pictures" 2>/dev/null)
settings() {
  printf '[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\nCPUUseRate=100\r\nPath=%s\r\n%s' "$folder" "$1" \
    >"$program/Kaleidon.ini"
}
run() { (cd "$program" && timeout 120 "$wine_exec" Kaleidon.exe /E) || fail "Kaleidon.exe /E did not end well"; }
pixel() { convert "$program/WPFile.BMP" -format "%[hex:p{$1,$2}]" info: | cut -c1-6; }
size() { identify -format '%w %h' "$program/WPFile.BMP"; }

desktop_value() {
  wine reg query 'HKCU\Control Panel\Desktop' /v "$1" </dev/null 2>/dev/null | tr -d '\r' |
    awk -v name="$1" '$1 == name { print $3 }'
}

# The pictures stretched over each monitor, on the Windows 7 the prefix
# stands for (tiled from the primary monitor's corner) and on Windows 10
# (spanned). Both heads lie at 0,0: the second monitor covers the top-left
# part of the first.
settings $'ScreenSize=1\r\n'
# The version is a registry value that each new process reads: the Wine
# server (kept warm by wine-exec) need not end for the next run to see it.
for version in win7 win10; do
  wine winecfg -v "$version" </dev/null >/dev/null 2>&1
  rm -f "$pictures/_Buf.RFB"
  run
  [ "$(sort "$pictures/_Buf.RFB" | tr -d '\r' | tr '\n' ' ')" = "blue.bmp red.bmp " ] ||
    fail "$version: the history holds $(cat -A "$pictures/_Buf.RFB")"
  [ "$(size)" = "1024 768" ] || fail "$version: WPFile.BMP is $(size)"
  first=$(pixel 1000 700)
  second=$(pixel 400 300)
  [ "$first" != "$second" ] && [[ "$first $second" =~ ^(C03020|2040D0)\ (C03020|2040D0)$ ]] ||
    fail "$version: the monitors show $first and $second"
  style="$(desktop_value WallpaperStyle) $(desktop_value TileWallpaper)"
  if [ $version = win7 ]; then expected="0 1"; else expected="22 0"; fi
  [ "$style" = "$expected" ] || fail "$version: WallpaperStyle and TileWallpaper are $style"
done

# Off: one picture at its own size, as with one monitor.
rm "$pictures/_Buf.RFB"
settings $'ScreenSize=0\r\nPerMonitor=0\r\n'
run
[ "$(tr -d '\r' <"$pictures/_Buf.RFB" | wc -l)" = 1 ] || fail "the history holds $(cat -A "$pictures/_Buf.RFB")"
[ "$(size)" = "64 48" ] || fail "WPFile.BMP is $(size) with the option off"
echo "two monitors showed $first and $second; the option off made one picture"
