#!/bin/sh
# `kipo --version` and a text conversion start without the video and picture libraries:
# FFmpeg, Pango, Cairo, FreeImage and libzip come with the plugins, loaded on first use. The
# dynamic loader's own report (LD_DEBUG=files) names every library a run opens.
# Usage: loaded_libraries.sh path/to/kipo
set -eu
kipo=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '1\r\n00:00:01,000 --> 00:00:02,000\r\nA line\r\n' > "$work/a.srt"
export KIPO_SETTINGS="$work/settings.ini" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" \
       XDG_DOCUMENTS_DIR="$work/documents"
status=0
check() {
  LD_DEBUG=files "$@" >/dev/null 2>"$work/log" || { echo "failed: $*"; cat "$work/log"; exit 1; }
  heavy=$(grep -oE 'file=[^ ]*(libav|libsw|libpango|libcairo|libfreeimage|libfontconfig|libzip|kipo-video|kipo-imaging|kipo-zip)[^ ]*' "$work/log" | sort -u)
  if [ -n "$heavy" ]; then
    echo "$* loaded:"; echo "$heavy"; status=1
  fi
}
check "$kipo" --version
check "$kipo" convert "$work/a.srt" -o "$work/a.vtt"
check "$kipo" convert "$work/a.srt" -o "$work/a.stl"
exit $status
