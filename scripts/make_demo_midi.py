#!/usr/bin/env python3
"""Writes tools/demo/demo.mid: a short phrase in A minor for brelix-render.

Format 1, three tracks, all on MIDI channel 1 (the channel Brelix listens on by default):
  1. tempo map: 100 BPM, 112 BPM from bar 5, 84 BPM for the closing bar
  2. chords with varied velocities, a modulation wheel (controller 1) swell and a
     pitch-bend scoop into the last chord
  3. a bass line in eighth notes
About 25 seconds long. Usage: scripts/make_demo_midi.py [OUTPUT]
"""
import struct
import sys
from pathlib import Path

TPQ = 480
BAR = 4 * TPQ
EIGHTH = TPQ // 2
CH = 0  # MIDI channel 1

NOTE = {n: i for i, n in enumerate(["C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"])}


def midi_note(name):  # "A3" -> 57
    return 12 * (int(name[-1]) + 1) + NOTE[name[:-1]]


def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def track_chunk(events):
    """events: (tick, bytes); equal ticks keep their order. Channel messages use running status."""
    data, now, running = bytearray(), 0, None
    for tick, message in sorted(events, key=lambda e: e[0]):
        data += vlq(tick - now)
        now = tick
        status = message[0]
        if status < 0xF0 and status == running:
            data += message[1:]
        else:
            data += message
            running = status if status < 0xF0 else None
    data += vlq(0) + b"\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(data)) + data


def note(events, start, length, pitch, velocity):
    events.append((start, bytes([0x90 | CH, pitch, velocity])))
    events.append((start + length, bytes([0x80 | CH, pitch, 64])))


def tempo(tick, bpm):
    return (tick, b"\xff\x51\x03" + struct.pack(">I", round(60e6 / bpm))[1:])


def conductor():
    return [
        (0, b"\xff\x03\x05Tempo"),
        (0, b"\xff\x58\x04\x04\x02\x18\x08"),  # 4/4
        tempo(0, 100),
        tempo(4 * BAR, 112),
        tempo(9 * BAR, 84),
    ]


# (bar, beat, length in beats, chord); bars and beats count from 0.
CHORDS = [
    (0, 0, 4, "A3 C4 E4 A4"), (1, 0, 4, "A3 C4 F4 A4"), (2, 0, 4, "G3 C4 E4 G4"), (3, 0, 4, "G3 B3 D4 G4"),
    (4, 0, 1.5, "A3 C4 E4 A4"), (4, 1.5, 2.5, "A3 C4 E4 B4"),
    (5, 0, 1.5, "A3 C4 F4 A4"), (5, 1.5, 2.5, "A3 C4 F4 C5"),
    (6, 0, 1.5, "A3 D4 F4 A4"), (6, 1.5, 2.5, "A3 D4 F4 D5"),
    (7, 0, 2, "G#3 B3 D4 E4"), (7, 2, 2, "G#3 B3 E4 B4"),
    (8, 0, 2, "A3 C4 F4 A4"), (8, 2, 2, "B3 D4 G4 B4"),
    (9, 0, 4, "A3 C4 E4 A4 C5"),
]


def chords():
    events = [(0, b"\xff\x03\x06Chords")]
    for i, (bar, beat, beats, names) in enumerate(CHORDS):
        start = bar * BAR + round(beat * TPQ)
        length = round(beats * TPQ) - 24  # a short gap between chords
        base = 70 + 12 * (bar >= 4) + (8 if beat == 0 else 0) - (6 if i % 3 == 2 else 0)
        for k, name in enumerate(names.split()):
            note(events, start, length + (TPQ if bar == 9 else 0), midi_note(name), min(127, base + 3 * k))
    # Modulation wheel: an eighth-note swell over bars 5 to 8, back to rest at the end.
    for step in range(33):
        level = round(100 * (step if step <= 16 else 32 - step) / 16)
        events.append((4 * BAR + step * EIGHTH, bytes([0xB0 | CH, 1, level])))
    # Pitch bend: the last chord scoops up from a quarter of the bend range below.
    for step in range(9):
        value = 8192 - 2048 * (8 - step) // 8
        tick = 9 * BAR - 1 if step == 0 else 9 * BAR + 20 * step
        events.append((tick, bytes([0xE0 | CH, value & 0x7F, value >> 7])))
    return events


BASS = ["A1", "F1", "C2", "G1", "A1", "F1", "D2", "E1", "F1", "A1"]


def bass():
    events = [(0, b"\xff\x03\x04Bass")]
    for bar, root_name in enumerate(BASS):
        root = midi_note(root_name)
        if bar == 9:
            note(events, bar * BAR, 5 * TPQ, root, 100)
            continue
        if bar < 4:  # half notes while the phrase opens
            note(events, bar * BAR, 2 * TPQ - 30, root, 96)
            note(events, bar * BAR + 2 * TPQ, 2 * TPQ - 30, root + 12 if bar % 2 else root + 7, 84)
            continue
        pattern = [0, 0, 12, 0, 7, 0, 12, 10]  # eighths: root, octave, fifth, seventh
        for step, offset in enumerate(pattern):
            velocity = 108 if step % 4 == 0 else 92 if step % 2 == 0 else 74
            note(events, bar * BAR + step * EIGHTH, EIGHTH - 40, root + offset, velocity)
    return events


def main():
    output = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "tools/demo/demo.mid"
    tracks = [conductor(), chords(), bass()]
    header = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), TPQ)
    output.parent.mkdir(parents=True, exist_ok=True)
    output.write_bytes(header + b"".join(track_chunk(t) for t in tracks))
    print(f"wrote {output}")


if __name__ == "__main__":
    main()
