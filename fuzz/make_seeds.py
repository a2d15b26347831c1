#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora into fuzz/corpus/<target>/.

The seeds are committed; run this only to remake them. Each is small: a
few packed blocks, WAV files of the shapes editors write, images with
zero runs around 4096 bytes."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def tone(channels, frames, amplitude=9000):
    out = []
    for i in range(frames):
        for c in range(channels):
            out.append(int(amplitude * math.sin(0.05 * (c + 1) * i)))
    return struct.pack("<%dh" % len(out), *out)


def block(channels, levels, index=0, codes=b""):
    head = b"".join(struct.pack("<hBB", lv, index, 0) for lv in levels)
    body = (codes * 64)[: 32 * channels]
    return head + body + b"\0" * (32 * channels - len(body))


def chunk(tag, body):
    return tag + struct.pack("<I", len(body)) + body + (b"\0" if len(body) % 2 else b"")


def fmt(tag=1, channels=1, bits=16, size=16, rate=44100):
    body = struct.pack("<HHIIHH", tag, channels, rate, rate * channels * bits // 8, channels * bits // 8, bits)
    return body + b"\0" * (size - 16)


def extensible(channels, sub):
    body = fmt(0xFFFE, channels, 16, 16) + struct.pack("<HHI", 22, 16, 3 if channels == 2 else 4)
    return body + struct.pack("<H", sub) + bytes.fromhex("000000001000800000aa00389b71")


def riff(chunks, form=b"WAVE"):
    body = form + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body)) + body


# Packed files.
put("fuzz_extract", "mono_blocks", block(1, [1000], 20, b"\x17\x9a\x35\xfe") + block(1, [-2000], 40, b"\x81"))
put("fuzz_extract", "stereo_blocks", block(2, [700, -700], 10, b"\x71\x28\x93\x0f") * 2)
put("fuzz_extract", "partial_block", block(1, [300], 5, b"\x33")[:20])
put("fuzz_extract", "long_silence", block(1, [0x0101]) + block(1, [0]) * 32 + block(1, [0x2020], 60, b"\xf7"))
put("fuzz_extract", "high_step_index", block(1, [32767], 200, b"\x77\x77") + block(1, [-32768], 88, b"\xff"))
put("fuzz_extract", "odd_length", block(2, [1, 2], 3, b"\x12")[:43])

# WAV files.
data = tone(1, 200)
stereo = tone(2, 150)
put("fuzz_pack", "canonical_mono", riff([chunk(b"fmt ", fmt()), chunk(b"data", data)]))
put("fuzz_pack", "canonical_stereo", riff([chunk(b"fmt ", fmt(channels=2)), chunk(b"data", stereo)]))
put("fuzz_pack", "list_and_odd_junk", riff([chunk(b"LIST", b"INFOISFT" + b"x" * 9), chunk(b"JUNK", b"\0" * 5),
                                           chunk(b"fmt ", fmt()), chunk(b"data", data[:131])]))
put("fuzz_pack", "fmt18_fact", riff([chunk(b"fmt ", fmt(size=18)), chunk(b"fact", struct.pack("<I", 100)),
                                    chunk(b"data", data[:200])]))
put("fuzz_pack", "extensible_pcm", riff([chunk(b"fmt ", extensible(2, 1)), chunk(b"data", stereo[:300])]))
put("fuzz_pack", "extensible_float", riff([chunk(b"fmt ", extensible(1, 3)), chunk(b"data", data[:64])]))
put("fuzz_pack", "data_first", riff([chunk(b"data", data[:130]), chunk(b"fmt ", fmt())]))
claims = bytearray(riff([chunk(b"fmt ", fmt()), chunk(b"data", data[:100])]))
claims[40:44] = struct.pack("<I", 0xFFFFFFFF)
put("fuzz_pack", "data_size_max", bytes(claims))
put("fuzz_pack", "eight_bit", riff([chunk(b"fmt ", fmt(bits=8)), chunk(b"data", bytes(range(100)))]))
put("fuzz_pack", "float", riff([chunk(b"fmt ", fmt(tag=3, bits=32)), chunk(b"data", b"\0\0\x80\x3f" * 20)]))
put("fuzz_pack", "stereo_24bit_48k", riff([chunk(b"fmt ", fmt(channels=2, bits=24, rate=48000)),
                                          chunk(b"data", bytes((i * 37) % 256 for i in range(6 * 90)))]))
put("fuzz_pack", "double_8k", riff([chunk(b"fmt ", fmt(tag=3, bits=64, rate=8000)),
                                   chunk(b"data", struct.pack("<40d", *[math.sin(i) for i in range(40)]))]))
put("fuzz_pack", "three_channels", riff([chunk(b"fmt ", fmt(channels=3)), chunk(b"data", tone(3, 20))]))

# Images for the silence cut: the first byte picks raw (odd) or runs (even).
header = riff([chunk(b"fmt ", fmt()), b"data" + struct.pack("<I", 0)])


def runs(pairs):
    return b"\0" + b"".join(struct.pack("<BH", value, count - 1) for value, count in pairs)


put("fuzz_silence", "raw_run_4096", b"\x01" + header + b"\x33" * 50 + b"\0" * 4096 + b"\x44" * 20)
put("fuzz_silence", "runs_4095_then_4096", runs([(0x52, 44), (0, 4095), (7, 1), (0, 4096), (9, 3)]))
put("fuzz_silence", "runs_at_end", runs([(0x52, 44), (1, 100), (0, 4096)]))
put("fuzz_silence", "runs_short_at_end", runs([(0x52, 44), (1, 100), (0, 4095)]))
put("fuzz_silence", "runs_broken", runs([(0x52, 44)] + [(0, 4000), (1, 1)] * 6 + [(0, 4097)]))
