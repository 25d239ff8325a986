#!/usr/bin/env bash
# The `make run` demo: opens the workstation on the demo document when a display and the
# desktop app are there; otherwise runs the headless demo through the kipo command.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
demo="$root/examples/demo.kpox"
kipo="$root/$build/kipo"
studio="$root/$build/kipo-studio"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$studio" ] && [ -f "$demo" ]; then
  exec "$studio" "$demo"
fi

echo "== Kipo headless demo (no display: the workstation opens when one is available)"
if [ -f "$demo" ] && "$kipo" info --help >/dev/null 2>&1; then
  echo "== kipo info $demo"
  "$kipo" --no info "$demo"
  echo
  echo "== kipo list $demo --to 5"
  "$kipo" --no list "$demo" --to 5
  echo
  echo "== kipo check $demo   (exit status 1: faults found)"
  "$kipo" --no check "$demo" || true
  echo
  out=$(mktemp -d)
  echo "== kipo convert $demo -o $out/demo.srt --encoding utf8"
  "$kipo" --no convert "$demo" -o "$out/demo.srt" --encoding utf8
  head -n 8 "$out/demo.srt"
  rm -rf "$out"
  echo
fi
echo "== kipo timecode 00:01:00:02 --rate 29.97"
"$kipo" timecode 00:01:00:02 --rate 29.97
echo
echo "== kipo timecode 17982 --rate 29.97"
"$kipo" timecode 17982 --rate 29.97
