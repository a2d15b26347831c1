#!/bin/bash
# Compares our resampler with sox's (rate -v) and ffmpeg's default
# (aresample with the swr defaults), side by side in one run, on the same
# signals and with the same analysis (bench/resample_tool):
#   pass band: largest gain error in dB of 400 tones up to 20 kHz (or 0.9
#              of the input's Nyquist frequency when lower);
#   folding:   loudest alias (going down) or image (going up) in dB
#              relative to the tone it comes from;
#   THD+N:     of a 1 kHz sine at full scale less one step, after rounding
#              to 16 bits (the resampler's own, before rounding, in
#              brackets).
# Every signal is a 32-bit float WAV resampled to 44100 Hz as 32-bit float.
#   bench/compare_resamplers.sh [BUILD_DIR] [WORK_DIR]
# BUILD_DIR holds the native build (bench/resample_tool). RATES overrides
# the input rates. Prints three Markdown tables.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$ROOT/bench/markdown_table.sh"
BUILD=$(cd "${1:-$ROOT/build/native}" && pwd)
WORK=${2:-$BUILD/compare-resamplers}
TOOL=$BUILD/bench/resample_tool
RATES=${RATES:-"48000 96000 192000 384000 32000 22050 8000 37800 44101"}
RESAMPLERS="ours sox ffmpeg"
mkdir -p "$WORK"
cd "$WORK"

resample() {  # resampler, input, output
  case $1 in
    ours) "$TOOL" resample "$2" 44100 "$3" ;;
    sox) sox -V1 -D "$2" -e floating-point -b 32 "$3" rate -v 44100 ;;
    ffmpeg) ffmpeg -nostdin -loglevel error -y -i "$2" -af aresample=44100 -c:a pcm_f32le "$3" ;;
  esac
}

declare -A PASS FOLD THD
for rate in $RATES; do
  for kind in pass fold sine; do
    "$TOOL" signal $kind "$rate" "$kind-$rate.wav"
    for r in $RESAMPLERS; do
      resample $r "$kind-$rate.wav" "$kind-$rate-$r.wav"
      result=$("$TOOL" measure $kind "$kind-$rate.wav" "$kind-$rate-$r.wav")
      case $kind in
        pass) PASS[$rate,$r]=$result ;;
        fold) FOLD[$rate,$r]=$result ;;
        sine) THD[$rate,$r]=$(echo "$result" | awk '{ printf "%s (%s)", $1, $2 }') ;;
      esac
    done
  done
done

markdown_table "Pass band, largest gain error (dB) up to 20 kHz or 0.9 of the input's Nyquist frequency:" PASS from \
  "$RATES" "$RESAMPLERS"
markdown_table "Folding back, loudest alias or image relative to its tone (dB):" FOLD from "$RATES" "$RESAMPLERS"
markdown_table "THD+N of a 1 kHz sine (dB), rounded to 16 bits (before rounding):" THD from "$RATES" "$RESAMPLERS"
