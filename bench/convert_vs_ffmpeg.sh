#!/usr/bin/env bash
# Times `kipo convert in.srt out.vtt` against `ffmpeg -i in.srt out.vtt` on the same
# 32,767-subtitle file, best of five runs each, and prints the ratio.
# Usage: bench/convert_vs_ffmpeg.sh [path/to/kipo]   (default: build/kipo)
set -euo pipefail
kipo=${1:-build/kipo}
command -v ffmpeg >/dev/null || { echo "ffmpeg is not installed"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
awk 'BEGIN {
  for (i = 0; i < 32767; i++) {
    s = i * 2.4; e = s + 2;
    printf "%d\r\n%02d:%02d:%02d,%03d --> %02d:%02d:%02d,%03d\r\n<i>A subtitle line</i> of ordinary length\r\nand its second row\r\n\r\n",
      i + 1, s / 3600, (s / 60) % 60, s % 60, (s * 1000) % 1000, e / 3600, (e / 60) % 60, e % 60, (e * 1000) % 1000
  }
}' > "$work/in.srt"
export KIPO_SETTINGS="$work/settings.ini"
best() {  # best wall time in ms of five runs of "$@"
  local b=999999
  for _ in 1 2 3 4 5; do
    local t0 t1
    t0=$(date +%s%N); "$@" >/dev/null 2>&1; t1=$(date +%s%N)
    local ms=$(( (t1 - t0) / 1000000 ))
    (( ms < b )) && b=$ms
  done
  echo "$b"
}
k=$(best "$kipo" convert "$work/in.srt" -o "$work/kipo.vtt")
f=$(best ffmpeg -nostdin -v error -y -i "$work/in.srt" "$work/ffmpeg.vtt")
echo "input: 32767 subtitles, $(( $(stat -c %s "$work/in.srt") / 1024 )) KiB"
echo "kipo convert:  ${k} ms"
echo "ffmpeg:        ${f} ms"
awk -v k="$k" -v f="$f" 'BEGIN { printf "ratio kipo/ffmpeg: %.2f\n", (f > 0 ? k / f : 0) }'
