#!/usr/bin/env bash
# Times `kipo shotcuts` against ffmpeg's scene-change filter on the same one-minute 1080p
# H.264 clip (shots cut every few seconds), best of three runs each, with the peak memory of
# each, and prints the ratio. Usage: bench/shotcuts_vs_ffmpeg.sh [path/to/kipo] [seconds]
set -euo pipefail
kipo=${1:-build/kipo}
seconds=${2:-60}
command -v ffmpeg >/dev/null || { echo "ffmpeg is not installed"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A moving test pattern whose hue jumps every 4 seconds: a hard cut each time.
ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=s=1920x1080:r=25:d=$seconds" \
  -vf "hue=h='360*floor(t/4)/7'" -c:v libx264 -preset veryfast -pix_fmt yuv420p "$work/clip.mp4"
export KIPO_SETTINGS="$work/settings.ini"
peak_kb() {  # peak resident memory in KiB of "$@"
  if [ -x /usr/bin/time ]; then /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; else echo "?"; fi
}
best() {  # best wall time in ms of three runs of "$@"
  local b=999999
  for _ in 1 2 3; do
    local t0 t1
    t0=$(date +%s%N); "$@" >/dev/null 2>&1; t1=$(date +%s%N)
    local ms=$(( (t1 - t0) / 1000000 ))
    (( ms < b )) && b=$ms
  done
  echo "$b"
}
k=$(best "$kipo" shotcuts "$work/clip.mp4")
f=$(best ffmpeg -nostdin -v error -i "$work/clip.mp4" -vf "select='gt(scene,0.3)',showinfo" -f null -)
echo "clip: ${seconds} s of 1920x1080 H.264 at 25 fps, $(( $(stat -c %s "$work/clip.mp4") / 1024 )) KiB"
echo "kipo shotcuts:      ${k} ms, peak $(peak_kb "$kipo" shotcuts "$work/clip.mp4") KiB"
echo "ffmpeg scene 0.3:   ${f} ms, peak $(peak_kb ffmpeg -nostdin -v error -i "$work/clip.mp4" -vf "select='gt(scene,0.3)',showinfo" -f null -) KiB"
awk -v k="$k" -v f="$f" 'BEGIN { printf "ratio ffmpeg/kipo: %.2f (above 1: kipo faster)\n", (k > 0 ? f / k : 0) }'
"$kipo" shotcuts "$work/clip.mp4" | head -1
