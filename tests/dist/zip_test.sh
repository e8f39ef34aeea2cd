#!/bin/bash
# The zip as a user gets it: unpacked into an empty folder of its own (with a
# Japanese name), Kaleidon.exe /E makes the wallpaper from a PNG picture,
# which only the image plug-in shipped beside it reads.
# zip_test.sh <zip> <wine-exec>: runs in the Wine prefix scripts/test made.
set -euo pipefail
zip=$1
wine_exec=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# What the zip holds: the four files, side by side, nothing else.
listing=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
[ "$listing" = "Kaleidon.exe Kaleidon.html Readme.txt kaleidon-wic.spi " ] || fail "the zip holds: $listing"

program="$work/カレイドン"
pictures="$work/写真"
mkdir "$program" "$pictures"
unzip -q "$zip" -d "$program"

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
