#!/usr/bin/env bash
# Makes a clip that looks more like programme material than a test pattern does, for
# bench_shot_analysis: film grain over everything, moving patterns, a zoom, a pan, flat
# colours (cheap for the encoder), a fade, a dissolve, a cut to black and a white flash
# frame, encoded with x264's default settings (several reference frames, B-pyramid,
# scene-cut keyframes). 1400 frames at 25 fps.
# Usage: bench/real_clip.sh OUT.mp4 [WIDTHxHEIGHT] (default 1280x720; extra x264 options in X264)
set -euo pipefail
out=$1
s=${2:-1280x720}
w=${s%x*}
ffmpeg -nostdin -v error -y \
  -f lavfi -i "testsrc2=s=$s:r=25:d=8" \
  -f lavfi -i "mandelbrot=s=$s:r=25:end_scale=0.02,trim=duration=9" \
  -f lavfi -i "life=s=320x180:r=25:mold=10:ratio=0.5:death_color=#202060:life_color=#e0c040,scale=$s:flags=neighbor,trim=duration=7" \
  -f lavfi -i "color=c=black:s=$s:r=25:d=2" \
  -f lavfi -i "smptehdbars=s=$((2 * w))x${s#*x}:r=25:d=8,crop=w=$w:h=${s#*x}:x='t*$((w / 13))'" \
  -f lavfi -i "cellauto=s=$s:r=25:rule=110,trim=duration=6" \
  -f lavfi -i "color=c=0x405060:s=$s:r=25:d=3" \
  -f lavfi -i "color=c=0x506070:s=$s:r=25:d=3" \
  -f lavfi -i "testsrc=s=$s:r=25:d=8" \
  -f lavfi -i "rgbtestsrc=s=$s:r=25:d=6" \
  -filter_complex "\
[0]format=yuv420p,settb=1/25[a];[1]format=yuv420p,settb=1/25[b];[2]format=yuv420p,settb=1/25[c];\
[3]format=yuv420p,settb=1/25[d];[4]format=yuv420p,settb=1/25[e];[5]format=yuv420p,settb=1/25[f];\
[6]format=yuv420p,settb=1/25[g];[7]format=yuv420p,settb=1/25[h];[8]format=yuv420p,settb=1/25[i];\
[9]format=yuv420p,settb=1/25[j];\
[a][b]xfade=transition=fade:duration=1:offset=7[ab];\
[ab][c][d][e][f][g][h]concat=n=7,settb=1/25[m];\
[m][i]xfade=transition=dissolve:duration=1.5:offset=42[mi];\
[mi][j]concat=n=2,noise=alls=12:allf=t,drawbox=x=0:y=0:w=iw:h=ih:color=white:t=fill:enable='eq(n,300)'[v]" \
  -map "[v]" -c:v libx264 ${X264:-} -pix_fmt yuv420p "$out"
