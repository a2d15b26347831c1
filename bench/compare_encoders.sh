#!/bin/bash
# Compares our encoders with sox's and ffmpeg's (default and trellis) on a
# corpus made from Debian packages, side by side in one run: SNR against
# the original (every encoding decoded by sox, whose decoder uses the
# reference arithmetic) and speed (samples per second of the whole
# process's CPU time, user and system, so that other work on the machine
# disturbs it little).
#   bench/compare_encoders.sh [BUILD_DIR] [WORK_DIR]
# BUILD_DIR holds the native build (bench/codec_tool); TRELLIS sets
# ffmpeg's trellis level (16 by default). Prints two Markdown tables.
#
# Block layouts: ours are the game's 36-byte blocks (65 frames); ffmpeg
# accepts only powers of two, so it gets 32 bytes a channel (57 frames,
# a header more often than ours); sox picks its own (256 bytes a channel
# at 44100 Hz).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/bench/markdown_table.sh"
BUILD=$(cd "${1:-$ROOT/build/codec-native}" && pwd)
WORK=${2:-$BUILD/compare}
TRELLIS=${TRELLIS:-16}
TOOL=$BUILD/bench/codec_tool
GAME=/usr/share/games/chromium-bsu/wav
THEME=/usr/share/sounds/freedesktop/stereo
mkdir -p "$WORK"
cd "$WORK"

sox() { command sox -V1 -D -R "$@"; }
PCM="-r 44100 -b 16 -e signed-integer"

# The corpus.
espeak-ng -w a.tmp.wav "Every sound a modder puts back into the game passes through the encoder. \
The game's decoder is fixed, so the only way to make the game sound better is to choose better codes."
espeak-ng -v en+f3 -p 70 -w b.tmp.wav "Each block's header and each four bit code are the encoder's choice, \
and a code can be chosen for the error it causes several samples later."
sox a.tmp.wav $PCM speech.wav
sox -M a.tmp.wav b.tmp.wav $PCM speech-stereo.wav trim 0 6
sox "$GAME/exploBig.wav" $PCM explosion.wav
sox "$GAME/boom.wav" $PCM boom.wav
sox "$GAME/music_game.wav" $PCM music.wav
sox "$GAME/power.wav" $PCM power-up.wav
sox "$THEME/complete.oga" $PCM -c 2 chime-stereo.wav
sox "$THEME/bell.oga" $PCM -c 2 bell-stereo.wav
sox -n $PCM -c 1 noise.wav synth 3 whitenoise vol 0.5
sox -n $PCM -c 1 sweep.wav synth 3 sine 50-18000 vol 0.7
sox -n $PCM -c 2 square-stereo.wav synth 2 square 220 square 330 vol 0.6
sox -n $PCM -c 1 click.tmp.wav synth 0.0008 square 1250 vol 0.8
sox click.tmp.wav clicks.wav pad 0.05 0.25 repeat 9
sox -n $PCM -c 1 full-scale.wav synth 2 sine 150 gain 3
rm -f ./*.tmp.wav
SOUNDS="speech speech-stereo explosion boom music power-up chime-stereo bell-stereo noise sweep square-stereo clicks full-scale"

ENCODERS="ours-search ours-plain sox ffmpeg ffmpeg-trellis$TRELLIS"
# rate SAMPLES COMMAND...: million samples per second of the command's
# CPU time (user and system, from bash's time). Short runs are repeated
# until they add up to half a second.
rate() {
  local samples=$1 runs=0 total=0 took; shift
  while awk -v t="$total" -v r="$runs" 'BEGIN { exit !(t < 0.5 && r < 100) }'; do
    took=$( { TIMEFORMAT='%3U %3S'; time "$@" >/dev/null; } 2>&1 )
    total=$(awk -v t="$total" -v took="$took" 'BEGIN { split(took, a, " "); print t + a[1] + a[2] }')
    runs=$((runs + 1))
  done
  awk -v n="$samples" -v r="$runs" -v t="$total" 'BEGIN { printf "%.2f", n * r / t / 1e6 }'
}
declare -A SNR RATE
for s in $SOUNDS; do
  channels=$(soxi -c "$s.wav")
  samples=$(( $(soxi -s "$s.wav") * channels ))
  for e in $ENCODERS; do
    case $e in
      ours-search) command=("$TOOL" encode search "$s.wav" "$s.$e.wav") ;;
      ours-plain) command=("$TOOL" encode plain "$s.wav" "$s.$e.wav") ;;
      sox) command=(sox -V1 -D -R "$s.wav" -e ima-adpcm "$s.$e.wav") ;;
      ffmpeg) command=(ffmpeg -nostdin -loglevel error -y -i "$s.wav" -c:a adpcm_ima_wav
                       -block_size $((32 * channels)) "$s.$e.wav") ;;
      ffmpeg-trellis*) command=(ffmpeg -nostdin -loglevel error -y -i "$s.wav" -c:a adpcm_ima_wav
                                -trellis "$TRELLIS" -block_size $((32 * channels)) "$s.$e.wav") ;;
    esac
    RATE[$s,$e]=$(rate "$samples" "${command[@]}")
    sox "$s.$e.wav" -e signed-integer -b 16 "$s.$e.decoded.wav"
    SNR[$s,$e]=$("$TOOL" snr "$s.wav" "$s.$e.decoded.wav")
  done
done

markdown_table "SNR against the original, dB (decoded by sox):" SNR sound "$SOUNDS" "$ENCODERS"
markdown_table "Speed, million samples per second (whole process, CPU time):" RATE sound "$SOUNDS" "$ENCODERS"
