#!/bin/bash
# Makes the sound fixtures the tests share, into the folder given, with
# native tools only (espeak-ng, sox, ffmpeg, sndfile-convert). Everything
# is deterministic; a folder finished by this very script is left as it
# is.
#
# - 16-bit PCM WAVs at 44100 Hz with the canonical 44-byte header, NAME.wav:
#   speech, recorded effects and music, a sweep, square waves, noise,
#   clicks in silence, near full scale;
# - WAVs as editors write them, fmt_KIND.wav (KIND names bits, encoding,
#   rate and channels), each beside sox's rendering to 16 bits at 44100 Hz
#   in one mode, fmt_KIND.MODE.sox.wav;
# - IMA ADPCM WAVs of some of them, NAME.sox-ima.wav (sox's block size) and
#   NAME.ff-ima.wav (ffmpeg's trellis search, 32-byte blocks a channel),
#   each decoded by sox (NAME.X.sox.wav) and sndfile-convert (NAME.X.sf.wav).
set -euo pipefail
OUT=${1:?output folder}
STAMP=$(sha256sum "$0" | cut -d' ' -f1)
mkdir -p "$OUT"
cd "$OUT"
[ "$(cat .complete 2>/dev/null)" = "$STAMP" ] && exit 0

GAME=/usr/share/games/chromium-bsu/wav
THEME=/usr/share/sounds/freedesktop/stereo
PCM="-r 44100 -b 16 -e signed-integer"
# No dither and a fixed seed: the same bytes on every run.
sox() { command sox -V1 -D -R "$@"; }

espeak-ng -w voice_a.tmp.wav "The quick brown fox jumps over the lazy dog. Packed sounds go back into the game."
espeak-ng -v en+f3 -p 70 -w voice_b.tmp.wav "Sixty five frames a block, four bits a sample, and a header for each channel."
sox voice_a.tmp.wav $PCM speech_mono.wav
sox -M voice_a.tmp.wav voice_b.tmp.wav $PCM speech_stereo.wav
sox "$GAME/exploBig.wav" $PCM explosion_mono.wav
sox "$GAME/music_game.wav" $PCM music_mono.wav trim 0 4
sox "$THEME/complete.oga" $PCM -c 2 effect_stereo.wav
sox -n $PCM -c 1 sweep_mono.wav synth 2 sine 50-18000 vol 0.7
sox -n $PCM -c 2 square_stereo.wav synth 1 square 220 square 330 vol 0.6
sox -n $PCM -c 1 noise_mono.wav synth 1 whitenoise vol 0.5
sox -n $PCM -c 1 click.tmp.wav synth 0.0008 square 1250 vol 0.8
sox click.tmp.wav clicks_mono.wav pad 0.05 0.25 repeat 4
sox -n $PCM -c 1 loud_mono.wav synth 1 sine 150 gain 3

# Below the band a resampler keeps flat at 8000 Hz (0.9 of its Nyquist
# frequency), where two resamplers may differ by design.
sox speech_mono.wav narrow.tmp.wav sinc -3400
sox -n $PCM -c 1 high.tmp.wav synth 1 sine 19000 vol 0.5  # to 44101 Hz: phases blended
# name, source, mode of the rendering, sox output options
while read -r name source mode options; do
  sox "$source" $options "fmt_$name.wav" vol 0.91
  channels=1; [ "$mode" = stereo ] && channels=2
  sox "fmt_$name.wav" -b 16 -e signed-integer -c $channels "fmt_$name.$mode.sox.wav" rate -v 44100
done <<'FORMATS'
u8_44k      speech_mono.wav   mono    -r 44100 -b 8 -e unsigned-integer
s24_44k     speech_mono.wav   mono    -r 44100 -b 24 -e signed-integer
s32_44k     speech_mono.wav   mono    -r 44100 -b 32 -e signed-integer
f32_44k     speech_mono.wav   mono    -r 44100 -b 32 -e floating-point
f64_44k     speech_mono.wav   mono    -r 44100 -b 64 -e floating-point
s16_44k_st  speech_stereo.wav mono    -r 44100 -b 16 -e signed-integer
s24_48k_st  speech_stereo.wav stereo  -r 48000 -b 24 -e signed-integer
f32_96k     speech_mono.wav   mono    -r 96000 -b 32 -e floating-point
u8_22k      speech_mono.wav   stereo  -r 22050 -b 8 -e unsigned-integer
s16_8k      narrow.tmp.wav    mono    -r 8000 -b 16 -e signed-integer
s16_44101   high.tmp.wav      mono    -r 44101 -b 16 -e signed-integer
FORMATS
rm -f ./*.tmp.wav

for name in speech_mono speech_stereo explosion_mono effect_stereo square_stereo noise_mono loud_mono; do
  channels=$(soxi -c "$name.wav")
  sox "$name.wav" -e ima-adpcm "$name.sox-ima.wav"
  ffmpeg -nostdin -loglevel error -y -i "$name.wav" -c:a adpcm_ima_wav -trellis 3 \
    -block_size $((32 * channels)) -map_metadata -1 -fflags +bitexact -flags:a +bitexact \
    "$name.ff-ima.wav"
  for kind in sox-ima ff-ima; do
    sox "$name.$kind.wav" -e signed-integer -b 16 "$name.$kind.sox.wav"
    sndfile-convert -pcm16 "$name.$kind.wav" "$name.$kind.sf.wav"
  done
done
echo "$STAMP" > .complete
