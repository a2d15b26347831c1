#!/bin/bash
# Makes the sound fixtures the tests share, into the folder given, with
# native tools only (espeak-ng, sox, ffmpeg, sndfile-convert). Everything
# is deterministic; a finished folder is left as it is.
#
# 16-bit PCM WAVs at 44100 Hz with the canonical 44-byte header:
#   speech_mono.wav      espeak-ng speech, about 3 s
#   speech_stereo.wav    two voices, one a channel, about 3 s
#   explosion_mono.wav   a recorded explosion (chromium-bsu-data)
#   music_mono.wav       game music (chromium-bsu-data), 4 s
#   effect_stereo.wav    a recorded stereo effect (sound-theme-freedesktop)
#   sweep_mono.wav       sine sweep 50 Hz - 18 kHz, 2 s
#   square_stereo.wav    square waves, 220 Hz left, 330 Hz right, 1 s
#   noise_mono.wav       white noise at half scale, 1 s
#   clicks_mono.wav      short clicks in digital silence, 1.5 s
#   loud_mono.wav        near full-scale sine with hard clipping, 1 s
#
# IMA ADPCM WAVs of some of them, with their decodings by independent
# reference-arithmetic decoders:
#   NAME.sox-ima.wav     encoded by sox (its own block size)
#   NAME.ff-ima.wav      encoded by ffmpeg with its trellis search (codes of
#                        every kind) in short blocks of 32 bytes a channel
#   NAME.X.sox.wav       X decoded by sox to 16-bit PCM
#   NAME.X.sf.wav        X decoded by sndfile-convert to 16-bit PCM
set -euo pipefail
OUT=${1:?output folder}
mkdir -p "$OUT"
cd "$OUT"
[ -f .complete ] && exit 0

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
touch .complete
