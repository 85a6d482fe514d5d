#!/usr/bin/env python3
"""ours_workload.py SCHEDULE.txt NVOICES OUTDIR

Writes the "polyN" voice for Korvane from the workload's note schedule:
  OUTDIR/polyN.json   the patch in the text form (built by korvane-patch into a plug-in)
  OUTDIR/notes.mid    the schedule as a standard MIDI file

The voice: "Midi to CV" -> "Oscillator" (saw) -> "Moog Filter" in the 1 V/kHz mode with
its cutoff 0.2 V (200 Hz) plus a filter "ADSR" of 4 V peak (4 kHz) -> "VCA" (linear) on an
amplifier "ADSR" whose level is 10/N V (the workload's 1/N output gain). Resonance 5 V,
half-way to self-oscillation. Envelope rates follow the envelope's own law: a rate voltage
x gives T = 2^(x - 20/3) s for a full-scale change, so the workload's times are set as
x = log2(T) + 20/3 volts (0 V, 9.8 ms, is the shortest attack there is: the workload's
5 ms amplifier attack becomes 9.8 ms).

Every voice of the workload plays on its own (channel, key): channel = voice mod 16. With
the schedule's keys 36 + (7v + 5k) mod 36, two voices on one channel never share a key for
up to 64 voices, so notes never steal each other.
"""
import json
import math
import os
import struct
import sys

# The workload's envelope and filter constants (those at the top of the peers' generator).
AMP_ADSR = (0.005, 0.300, 0.6, 0.200)
FLT_ADSR = (0.010, 0.500, 0.3, 0.200)
CUT_BASE = 200.0
CUT_DEPTH = 4000.0

TICKS_PER_QUARTER = 480
MICROSECONDS_PER_QUARTER = 500000  # 120 bpm: a tick is 1/960 s


def rate_volts(seconds):
    return max(0.0, math.log2(seconds) + 20.0 / 3.0)


def adsr(title, times, level_volts):
    a, d, s, r = times
    return {"type": "ADSR", "title": title,
            "plugs": {"Attack": f"{rate_volts(a):.4f}", "Decay": f"{rate_volts(d):.4f}",
                      "Sustain": f"{s * 10:g}", "Release": f"{rate_volts(r):.4f}",
                      "Overall Level": f"{level_volts:.6g}"}}


def patch(n):
    return {
        "header": {"unique_id": f"Kp{n:02d}"[-4:], "product": f"Korvane poly{n}", "program_count": 1},
        "root": {"title": "Main", "children": [{
            "type": "Container", "title": f"poly{n}",
            "plugs": {"Polyphony": str(n)},
            "children": [
                {"type": "IO Mod", "title": "IO"},
                {"type": "Midi to CV", "title": "Keys"},
                {"type": "Oscillator", "title": "Saw", "plugs": {"Waveform": "1"}},
                {"type": "Moog Filter", "title": "Filter",
                 "plugs": {"Freq Scale": "1", "Resonance": "5"}},
                {"type": "Slider", "title": "Cutoff", "value": CUT_BASE / 1000.0},
                adsr("Filter Env", FLT_ADSR, CUT_DEPTH / 1000.0),
                adsr("Amp Env", AMP_ADSR, 10.0 / n),
                {"type": "VCA", "title": "Amp", "plugs": {"Response Curve": "2"}},
            ],
            "connections": [
                {"from": ["IO", "MIDI In"], "to": ["Keys", "MIDI In"]},
                {"from": ["Keys", "Pitch"], "to": ["Saw", "Pitch"]},
                {"from": ["Saw", "Audio Out"], "to": ["Filter", "Signal"]},
                {"from": ["Cutoff", "Signal Out"], "to": ["Filter", "Pitch"]},
                {"from": ["Filter Env", "Signal Out"], "to": ["Filter", "Pitch"]},
                {"from": ["Keys", "Gate"], "to": ["Filter Env", "Gate"]},
                {"from": ["Keys", "Gate"], "to": ["Amp Env", "Gate"]},
                {"from": ["Filter", "Output"], "to": ["Amp", "Signal"]},
                {"from": ["Amp Env", "Signal Out"], "to": ["Amp", "Volume"]},
                {"from": ["Amp", "Output"], "to": ["IO", "Left Out"]},
            ],
        }]},
    }


def varlen(x):
    out = [x & 0x7F]
    x >>= 7
    while x:
        out.append(0x80 | (x & 0x7F))
        x >>= 7
    return bytes(reversed(out))


def midi_file(notes):
    """notes: (voice, start_s, gate_s, freq_hz) -> a format-0 MIDI file."""
    tick = MICROSECONDS_PER_QUARTER / 1e6 / TICKS_PER_QUARTER
    events = []  # (tick, order, bytes): note-offs before note-ons at one tick
    for v, start, gate, freq in notes:
        key = round(69 + 12 * math.log2(freq / 440.0))
        ch = v % 16
        on, off = round(start / tick), round((start + gate) / tick)
        events.append((on, 1, bytes([0x90 | ch, key, 100])))
        events.append((off, 0, bytes([0x80 | ch, key, 0])))
    events.sort(key=lambda e: (e[0], e[1]))
    track = bytearray(b"\x00\xFF\x51\x03" + MICROSECONDS_PER_QUARTER.to_bytes(3, "big"))
    now = 0
    for t, _, msg in events:
        track += varlen(t - now) + msg
        now = t
    track += b"\x00\xFF\x2F\x00"
    header = b"MThd" + struct.pack(">IHHH", 6, 0, 1, TICKS_PER_QUARTER)
    return header + b"MTrk" + struct.pack(">I", len(track)) + bytes(track)


def main(schedule_path, n, outdir):
    notes = []
    for line in open(schedule_path):
        if not line.strip() or line.startswith("#"):
            continue
        v, start, gate, freq = line.split()[:4]
        notes.append((int(v), float(start), float(gate), float(freq)))
    os.makedirs(outdir, exist_ok=True)
    with open(os.path.join(outdir, f"poly{n}.json"), "w") as fh:
        json.dump(patch(n), fh, indent=1)
    with open(os.path.join(outdir, "notes.mid"), "wb") as fh:
        fh.write(midi_file(notes))


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]), sys.argv[3])
