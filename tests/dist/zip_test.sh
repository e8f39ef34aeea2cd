#!/bin/bash
# The zip as a user gets it: unpacked into an empty folder of its own (with a
# Japanese name), Kaleidon.exe /E makes the wallpaper from a PNG picture,
# which only the image plug-in shipped beside it reads.
# zip_test.sh <shipped zip> <zip to run> <wine-exec>: runs in the Wine prefix
# scripts/test made. The shipped zip holds the 32-bit program; where the tests
# run on the x86-64 build, the zip to run is that build's zip of the same
# files, and the shipped one is checked file by file.
set -euo pipefail
shipped=$1
zip=$2
wine_exec=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The machine a Windows program or DLL is built for, from its PE header.
pe_machine() {
  local at
  at=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  [ "$(head -c2 "$1")" = MZ ] && [ "$(od -An -c -j"$at" -N4 "$1" | tr -d ' ')" = 'PE\0\0' ] || { echo none; return; }
  case $(od -An -tx2 -j$((at + 4)) -N2 "$1" | tr -d ' ') in
    014c) echo x86 ;; 8664) echo x64 ;; *) echo other ;;
  esac
}

# What the zip holds: the four files, side by side, nothing else; the
# program and its plug-in 32-bit, as the plug-ins and the archive library
# users have are.
for z in "$shipped" "$zip"; do
  listing=$(unzip -Z1 "$z" | sort | tr '\n' ' ')
  [ "$listing" = "Kaleidon.exe Kaleidon.html Readme.txt kaleidon-wic.spi " ] || fail "$z holds: $listing"
done
# What a program's header and manifest tell Windows: the image may be
# loaded anywhere and its data never run as code; the 32-bit program uses
# all 4 GB of addresses on 64-bit Windows (a large picture needs blocks of
# hundreds of megabytes); the manifest asks for the common controls of the
# program's own machine (x86 or amd64), never the other's.
pe_word() { od -An -tu2 -j"$2" -N2 "$1" | tr -d ' '; }
check_image() {
  local exe=$1 arch=$2 other at
  at=$(od -An -tu4 -j60 -N4 "$exe" | tr -d ' ')
  ((($(pe_word "$exe" $((at + 24 + 70))) & 0x140) == 0x140)) || fail "$exe may not be moved or runs its data"
  [ "$arch" = amd64 ] || (($(pe_word "$exe" $((at + 22))) & 0x20)) || fail "$exe is not large-address aware"
  if [ "$arch" = x86 ]; then other=amd64; else other=x86; fi
  grep -aq "processorArchitecture=\"$arch\"" "$exe" && ! grep -aq "processorArchitecture=\"$other\"" "$exe" ||
    fail "the manifest of $exe is not for $arch"
}

mkdir "$work/shipped"
unzip -q "$shipped" -d "$work/shipped"
for f in Kaleidon.exe kaleidon-wic.spi; do
  [ "$(pe_machine "$work/shipped/$f")" = x86 ] || fail "the shipped $f is built for $(pe_machine "$work/shipped/$f")"
done
check_image "$work/shipped/Kaleidon.exe" x86

program="$work/カレイドン"
pictures="$work/写真"
mkdir "$program" "$pictures"
unzip -q "$zip" -d "$program"
if [ "$zip" != "$shipped" ]; then
  for f in Kaleidon.html Readme.txt; do
    cmp -s "$work/shipped/$f" "$program/$f" || fail "$f differs between the shipped zip and $zip"
  done
  check_image "$program/Kaleidon.exe" amd64
  echo "the shipped zip holds the 32-bit program; running the x86-64 build's zip of the same files"
fi

# The read-me opens in Notepad on Japanese Windows: Shift-JIS, CRLF lines.
iconv -f CP932 -t UTF-8 "$program/Readme.txt" >/dev/null || fail "Readme.txt is not Shift-JIS"
lines=$(wc -l <"$program/Readme.txt")
[ "$lines" -gt 10 ] && [ "$(grep -c $'\r$' "$program/Readme.txt")" = "$lines" ] || fail "Readme.txt lines do not end in CRLF"
grep -qi '<meta charset="utf-8">' "$program/Kaleidon.html" || fail "Kaleidon.html names no character set"
iconv -f UTF-8 -t UTF-8 "$program/Kaleidon.html" >/dev/null || fail "Kaleidon.html is not UTF-8"

# A PNG picture, blue on the left and orange on the right.
convert -size 48x32 xc:'#3070c0' -fill '#e0a020' -draw 'rectangle 24,0 47,31' PNG24:"$pictures/夕焼け.png"
# Settings of a user who has started the program before (no greeting), with
# the picture folder chosen; the file is in the system code page.
folder=$(winepath -w "$pictures" 2>/dev/null)
printf '[SysInfo]\r\nProgramVersion=0.6\r\nSplash=0\r\nCPUUseRate=100\r\nPath=%s\r\n' "$folder" |
  iconv -f UTF-8 -t CP932 >"$program/Kaleidon.ini"

(cd "$program" && timeout 120 "$wine_exec" Kaleidon.exe /E) || fail "Kaleidon.exe /E did not end well"

wallpaper="$program/WPFile.BMP"
[ -f "$wallpaper" ] || fail "no WPFile.BMP in the program folder"
[ "$(head -c2 "$wallpaper")" = "BM" ] && [ "$(identify -format '%w %h' "$wallpaper")" = "48 32" ] ||
  fail "WPFile.BMP is $(identify "$wallpaper")"
left=$(convert "$wallpaper" -format '%[hex:p{5,16}]' info:)
right=$(convert "$wallpaper" -format '%[hex:p{40,16}]' info:)
[ "${left:0:6}" = "3070C0" ] && [ "${right:0:6}" = "E0A020" ] || fail "WPFile.BMP shows $left and $right"
[ "$(iconv -f CP932 -t UTF-8 "$pictures/_Buf.RFB")" = $'夕焼け.png\r' ] || fail "the history holds $(cat -A "$pictures/_Buf.RFB")"
echo "the zip unpacked into $program made the wallpaper"
