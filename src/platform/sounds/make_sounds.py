#!/usr/bin/env python3
"""Makes the two built-in sounds: a camera shutter click and a scissors cut.

Both are 16-bit stereo PCM at 44,100 samples per second. The shutter sound carries
12,672 frames followed by a small LIST/INFO chunk; the cut sound 10,000 frames and no
other chunk. The output is deterministic, so running this again gives the committed files.
Run once from this folder: python3 make_sounds.py
"""
import math
import struct

RATE = 44100


class Noise:
    """A small linear congruential generator: the same noise on every run."""

    def __init__(self, seed):
        self.state = seed

    def next(self):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return self.state / 0x3FFFFFFF - 1.0


def burst(t, start, decay, noise, low):
    """A filtered noise click starting at `start` seconds."""
    if t < start:
        return 0.0
    d = t - start
    env = math.exp(-d / decay) * min(1.0, d / 0.0004)
    thump = math.sin(2 * math.pi * 140 * d) * math.exp(-d / 0.012)
    return env * (0.75 * low + 0.25 * noise) + 0.35 * thump


def shutter(frames):
    noise = Noise(20240611)
    low = 0.0
    out = []
    for i in range(frames):
        t = i / RATE
        n = noise.next()
        low += 0.35 * (n - low)
        s = burst(t, 0.004, 0.010, n, low) + 0.8 * burst(t, 0.118, 0.014, n, low)
        s += 0.15 * math.sin(2 * math.pi * 2300 * t) * math.exp(-max(0.0, t - 0.118) / 0.02) * (t > 0.118)
        out.append(s)
    return out


def cut(frames):
    noise = Noise(777)
    band = 0.0
    out = []
    for i in range(frames):
        t = i / RATE
        n = noise.next()
        band += 0.55 * (n - band)
        # Two blades sliding: a rising swish, then the snap and a short metallic ring.
        swish = band * 0.35 * math.sin(math.pi * min(1.0, t / 0.12)) * (t < 0.12)
        snap_t = t - 0.12
        snap = 0.0
        if snap_t >= 0:
            snap = math.exp(-snap_t / 0.008) * (0.7 * n) + 0.3 * math.sin(2 * math.pi * 3150 * snap_t) * math.exp(
                -snap_t / 0.035)
        out.append(swish + snap)
    return out


def fade_out(samples, frames):
    for i in range(frames):
        samples[-1 - i] *= i / frames
    return samples


def pcm_bytes(samples, peak=0.6):
    top = max(abs(s) for s in samples) or 1.0
    data = bytearray()
    for i, s in enumerate(samples):
        v = int(round(s / top * peak * 32767))
        # The right channel a touch later than the left: a little width, nothing more.
        r = samples[i - 6] if i >= 6 else 0.0
        w = int(round(r / top * peak * 32767))
        data += struct.pack('<hh', v, w)
    return bytes(data)


def chunk(ident, body):
    pad = b'\0' if len(body) % 2 else b''
    return ident + struct.pack('<I', len(body)) + body + pad


def wave(data, extra=b''):
    fmt = struct.pack('<HHIIHH', 1, 2, RATE, RATE * 4, 4, 16)
    body = b'WAVE' + chunk(b'fmt ', fmt) + chunk(b'data', data) + extra
    return b'RIFF' + struct.pack('<I', len(body)) + body


def info_chunk():
    items = chunk(b'INAM', b'Picura shutter') + chunk(b'ISFT', b'Picura sound builder')
    return chunk(b'LIST', b'INFO' + items)


if __name__ == '__main__':
    shutter_wav = wave(pcm_bytes(fade_out(shutter(12672), 400)), info_chunk())
    cut_wav = wave(pcm_bytes(fade_out(cut(10000), 400)))
    assert len(shutter_wav) == 50794, len(shutter_wav)
    assert len(cut_wav) == 40044, len(cut_wav)
    with open('shutter.wav', 'wb') as f:
        f.write(shutter_wav)
    with open('cut.wav', 'wb') as f:
        f.write(cut_wav)
