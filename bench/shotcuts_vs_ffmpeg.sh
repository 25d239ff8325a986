#!/usr/bin/env bash
# Times `kipo shotcuts` against ffmpeg's scene-change filter on the same one-minute 1080p
# H.264 clip (shots cut every few seconds). The two run in turns, several times each, so
# that other work on a shared machine weighs on both alike; printed are the medians of
# wall time and processor time (user + system, which such work disturbs less), the
# medians of the ratios of each turn, the peak memory of each and the load average
# before and after. kipo's timecode data file is removed before every run, so each run
# analyses the video; the last line times the run that reuses it.
# Usage: bench/shotcuts_vs_ffmpeg.sh [path/to/kipo] [seconds] [runs]; KIPO_BENCH_CLIP=clip.mp4
# uses an existing clip instead of making one.
set -euo pipefail
kipo=${1:-build/kipo}
seconds=${2:-60}
runs=${3:-5}
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
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
: >"$work/runs"
for _ in $(seq "$runs"); do
  rm -f "$clip.tcd"
  read -r kw kc kp < <(measure "$kipo" shotcuts "$clip")
  read -r fw fc fp < <(measure ffmpeg -nostdin -v error -i "$clip" -vf "select='gt(scene,0.3)',showinfo" -f null -)
  echo "$kw $kc $kp $fw $fc $fp" >>"$work/runs"
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
col() { awk -v c="$1" '{ print $c }' "$work/runs" | median; }
ratio() { awk -v a="$1" -v b="$2" '{ printf "%.4f\n", ($b > 0 ? $a / $b : 0) }' "$work/runs" | median; }
echo "clip: $(ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets,width,height -of csv=p=0 "$clip" | tr ',' ' ') (width height frames), $(( $(stat -c %s "$clip") / 1024 )) KiB"
echo "runs (kipo wall cpu peak, ffmpeg wall cpu peak; ms, KiB):"
sed 's/^/  /' "$work/runs"
echo "kipo shotcuts:      median wall $(col 1) ms, processor $(col 2) ms, peak $(awk '{ print $3 }' "$work/runs" | sort -n | tail -1) KiB"
echo "ffmpeg scene 0.3:   median wall $(col 4) ms, processor $(col 5) ms, peak $(awk '{ print $6 }' "$work/runs" | sort -n | tail -1) KiB"
echo "ratio ffmpeg/kipo (median of the turns): wall $(ratio 4 1), processor $(ratio 5 2) (above 1: kipo faster)"
echo "load average before: $load_before, after: $load_after"
"$kipo" shotcuts "$clip" | head -1
read -r rw rc rp < <(measure "$kipo" shotcuts "$clip")
echo "kipo shotcuts with its timecode data file: wall ${rw} ms, processor ${rc} ms"
