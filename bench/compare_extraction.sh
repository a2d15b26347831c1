#!/bin/bash
# Extraction of a 100 MB stereo packed file as a whole process: our
# extract_file (ExtractSoundFile, as the window runs it) against ffmpeg
# decoding the same blocks from a WAV file to a WAV file. Prints wall
# time, CPU time (user + system) and peak memory (/usr/bin/time -v) of
# each, best of three runs. WORK_DIR defaults to a folder in /dev/shm, so
# that the disk does not decide the race.
#   bench/compare_extraction.sh [BUILD_DIR] [WORK_DIR]
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/codec-native}" && pwd)
WORK=${2:-/dev/shm/velkmar-compare-extraction}
mkdir -p "$WORK"
cd "$WORK"
TOOL=$BUILD/bench/codec_tool

# Ten seconds of stereo game music with a little noise (no silent run, so
# the silence cut keeps the whole sound), encoded once; blocks are
# independent, so the packed data is repeated up to 100 MB.
sox() { command sox -V1 -D -R "$@"; }
sox -n -r 22050 -c 1 -b 16 noise.tmp.wav synth 6.5 whitenoise vol 0.05
sox -m /usr/share/games/chromium-bsu/wav/music_game.wav noise.tmp.wav mixed.tmp.wav
sox mixed.tmp.wav -r 44100 -b 16 -e signed-integer -c 2 piece.wav remix 1 1v0.8 repeat 1
rm -f ./*.tmp.wav
"$TOOL" encode search piece.wav piece-ima.wav >/dev/null
tail -c +61 piece-ima.wav > piece.adx
: > big.adx
while [ "$(stat -c %s big.adx)" -lt 100000000 ]; do cat piece.adx >> big.adx; done
head -c $(( 100000000 / 72 * 72 )) big.adx > big.tmp && mv big.tmp big.adx
"$TOOL" wrap 2 big.adx big-ima.wav
sync

measure() {  # label, command...
  local label=$1; shift
  local best="" mem="" cpu=""
  for run in 1 2 3; do
    /usr/bin/time -v "$@" 2> time.txt >/dev/null
    local t m c
    t=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' time.txt)
    m=$(awk -F': ' '/Maximum resident set size/ { print $2 }' time.txt)
    c=$(awk -F': ' '/User time|System time/ { s += $2 } END { print s }' time.txt)
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; mem=$m; cpu=$c; fi
  done
  printf "| %s | %.2f s | %.2f s | %.0f MB |\n" "$label" "$best" "$cpu" "$(awk -v k="$mem" 'BEGIN { print k / 1024 }')"
}

echo "| 100 MB stereo packed file to WAV | wall time | CPU time | peak memory |"
echo "|---|---:|---:|---:|"
measure "ours (extract_file)" "$BUILD/bench/extract_file" stereo big.adx ours.wav
measure "sox big-ima.wav out.wav" sox -V1 -D big-ima.wav -e signed-integer -b 16 sox.wav
measure "ffmpeg -i big-ima.wav out.wav" ffmpeg -nostdin -loglevel error -y -i big-ima.wav -c:a pcm_s16le ffmpeg.wav
echo
echo "input $(stat -c %s big.adx) bytes; ours wrote $(stat -c %s ours.wav) bytes, sox $(stat -c %s sox.wav), ffmpeg $(stat -c %s ffmpeg.wav)"
[ -n "${KEEP:-}" ] || rm -f big.adx big-ima.wav ours.wav sox.wav ffmpeg.wav
