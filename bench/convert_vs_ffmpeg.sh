#!/usr/bin/env bash
# Whole-process conversion of a 32,767-subtitle file, kipo beside ffmpeg, run in turn on
# the same input: SubRip to WebVTT, SubRip to EBU STL and EBU STL to SubRip (ffmpeg
# writes no EBU STL and reads none, so those two rows time kipo alone). Each command runs
# RUNS times (default 7); the medians of wall and CPU time (user + system) and the largest
# peak memory (maximum resident set) are printed, with the ratio kipo/ffmpeg. The memory
# floor is what `kipo --version` takes: the goal is a peak within twice the input's size
# above it; each kipo row prints its peak above that floor as a multiple of the input's
# size, (peak - floor) / input, against the goal of 2. The peak of converting a
# one-subtitle file (what the conversion code takes, however small the input) is printed
# beside the floor.
# Usage: bench/convert_vs_ffmpeg.sh [path/to/kipo]   (default: build/kipo; RUNS=n to change)
set -euo pipefail
kipo=${1:-build/kipo}
runs=${RUNS:-7}
[[ -x /usr/bin/time ]] || { echo "GNU time (/usr/bin/time) is not installed"; exit 1; }
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
"$kipo" convert "$work/in.srt" -o "$work/in.stl" >/dev/null

# One run: prints "wall cpu peakKiB" of "$@". GNU time gives the peak memory, but its CPU
# times come in hundredths of a second, too coarse for a run of a few tens of
# milliseconds; the shell's `times` gives the children's user and system time in
# milliseconds (it counts GNU time itself too, well under a millisecond).
measure() {
  (
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1 || exit 1
    times
  ) > "$work/times" || { echo "failed: $*" >&2; exit 1; }
  # The second line of `times`: children's user and system time, as "0m0.031s 0m0.012s".
  cpu=$(awk 'NR == 2 { split($1, u, /[ms]/); split($2, s, /[ms]/); printf "%.3f", u[1] * 60 + u[2] + s[1] * 60 + s[2] }' "$work/times")
  awk -v cpu="$cpu" '{ printf "%.3f %s %d\n", $1, cpu, $2 }' "$work/time"
}
# RUNS runs: prints "median-wall median-cpu max-peakKiB".
summary() {
  local wall cpu peak
  wall=$(sort -n -k1,1 "$1" | awk -v n="$runs" 'NR == int((n + 1) / 2) { print $1 }')
  cpu=$(sort -n -k2,2 "$1" | awk -v n="$runs" 'NR == int((n + 1) / 2) { print $2 }')
  peak=$(sort -n -k3,3 "$1" | tail -1 | awk '{ print $3 }')
  echo "$wall $cpu $peak"
}
row() { awk -v a="$1" -v b="$2" -v w="$3" -v c="$4" -v p="$5" \
  'BEGIN { printf "%-12s %-7s wall %6.3f s  cpu %6.3f s  peak %6.1f MiB\n", a, b, w, c, p / 1024 }'; }
# compare NAME INPUT OUTPUT-EXT [ffmpeg]: kipo and (when asked) ffmpeg in turn.
compare() {
  local name=$1 in=$2 ext=$3 with=${4:-}
  : > "$work/k"; : > "$work/f"
  for ((r = 0; r < runs; r++)); do
    measure "$kipo" convert "$in" -o "$work/kipo.$ext" >> "$work/k"
    [[ -n $with ]] && measure ffmpeg -nostdin -v error -y -i "$in" "$work/ffmpeg.$ext" >> "$work/f"
  done
  read -r kw kc kp < <(summary "$work/k")
  row "$name" kipo "$kw" "$kc" "$kp"
  awk -v p="$kp" -v f="$floor" -v n="$(stat -c %s "$in")" \
    'BEGIN { r = (p - f) * 1024 / n
      printf "%-12s peak above the floor %.1f MiB, %.1f times the input (goal: at most 2: %s)\n", "", (p - f) / 1024, r,
        (r <= 2 ? "met" : "not met") }'
  if [[ -n $with ]]; then
    read -r fw fc fp < <(summary "$work/f")
    row "" ffmpeg "$fw" "$fc" "$fp"
    awk -v kw="$kw" -v fw="$fw" -v kc="$kc" -v fc="$fc" -v name="" 'BEGIN {
      printf "%-12s ffmpeg/kipo  wall %.1fx  cpu %.1fx\n", name, (kw > 0 ? fw / kw : 0), (kc > 0 ? fc / kc : 0) }'
  fi
}

read -r _ _ floor < <(measure "$kipo" --version)
printf '1\r\n00:00:01,000 --> 00:00:02,000\r\nA line\r\n' > "$work/one.srt"
read -r _ _ convertFloor < <(measure "$kipo" convert "$work/one.srt" -o "$work/one.vtt")
echo "input: 32767 subtitles; in.srt $(( $(stat -c %s "$work/in.srt") / 1024 )) KiB, in.stl $(( $(stat -c %s "$work/in.stl") / 1024 )) KiB"
echo "runs: $runs each, medians; memory floor: kipo --version $(( floor / 1024 )) MiB, a one-subtitle conversion $(( convertFloor / 1024 )) MiB"
compare "srt -> vtt" "$work/in.srt" vtt ffmpeg
compare "srt -> stl" "$work/in.srt" stl
compare "stl -> srt" "$work/in.stl" srt
