#!/usr/bin/env bash
# Times `kipo shotcuts` against ffmpeg's scene-change filter on the same one-minute 1080p
# H.264 clip (shots cut every few seconds): best of three runs each, wall time and processor
# time (user + system, which other work on a shared machine disturbs less), the peak memory
# of each, and the ratios. kipo's timecode data file is removed before every run, so each run
# analyses the video; the last line times the run that reuses it.
# Usage: bench/shotcuts_vs_ffmpeg.sh [path/to/kipo] [seconds]; KIPO_BENCH_CLIP=clip.mp4 uses
# an existing clip instead of making one.
set -euo pipefail
kipo=${1:-build/kipo}
seconds=${2:-60}
command -v ffmpeg >/dev/null || { echo "ffmpeg is not installed"; exit 1; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is not installed"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
clip="$work/clip.mp4"
if [ -n "${KIPO_BENCH_CLIP:-}" ]; then
  cp "$KIPO_BENCH_CLIP" "$clip"
else
  # A moving test pattern whose hue jumps every 4 seconds: a hard cut each time.
  ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=s=1920x1080:r=25:d=$seconds" \
    -vf "hue=h='360*floor(t/4)/7'" -c:v libx264 -preset veryfast -pix_fmt yuv420p "$clip"
fi
export KIPO_SETTINGS="$work/settings.ini"
measure() {  # "wall_ms cpu_ms peak_kb" of one run of "$@"
  local t0 t1 out
  t0=$(date +%s%N)
  out=$(/usr/bin/time -f "%U %S %M" "$@" 2>&1 >/dev/null | tail -1)
  t1=$(date +%s%N)
  awk -v w=$(( (t1 - t0) / 1000000 )) -v o="$out" 'BEGIN { split(o, a, " "); printf "%d %d %d\n", w, (a[1] + a[2]) * 1000, a[3] }'
}
best() {  # best wall and best processor time of three runs; "kipo" runs start without tcd
  local bw=999999999 bc=999999999 peak=0
  for _ in 1 2 3; do
    rm -f "$clip.tcd"
    read -r w c p < <(measure "$@")
    (( w < bw )) && bw=$w
    (( c < bc )) && bc=$c
    (( p > peak )) && peak=$p
  done
  echo "$bw $bc $peak"
}
read -r kw kc kp < <(best "$kipo" shotcuts "$clip")
read -r fw fc fp < <(best ffmpeg -nostdin -v error -i "$clip" -vf "select='gt(scene,0.3)',showinfo" -f null -)
echo "clip: $(ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets,width,height -of csv=p=0 "$clip" | tr ',' ' ') (width height frames), $(( $(stat -c %s "$clip") / 1024 )) KiB"
echo "kipo shotcuts:      wall ${kw} ms, processor ${kc} ms, peak ${kp} KiB"
echo "ffmpeg scene 0.3:   wall ${fw} ms, processor ${fc} ms, peak ${fp} KiB"
awk -v kw="$kw" -v fw="$fw" -v kc="$kc" -v fc="$fc" 'BEGIN {
  printf "ratio ffmpeg/kipo: wall %.2f, processor %.2f (above 1: kipo faster)\n", (kw > 0 ? fw / kw : 0), (kc > 0 ? fc / kc : 0) }'
"$kipo" shotcuts "$clip" | head -1
read -r rw rc rp < <(measure "$kipo" shotcuts "$clip")
echo "kipo shotcuts with its timecode data file: wall ${rw} ms, processor ${rc} ms"
