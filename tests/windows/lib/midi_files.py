# SPDX-License-Identifier: GPL-3.0-or-later
"""Standard MIDI Files for the import checks, written byte by byte so that
they hold what other programs write and the score tool's own export does not:
several tracks, a drum channel, a tempo change, running status, note-ons of
velocity 0 as note-offs, meta and system-exclusive events, and broken files.

    python3 midi_files.py FOLDER

vlq, track and smf serve as the SMF writer of the benchmarks too.
"""
import pathlib
import struct
import sys


def vlq(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.append(0x80 | (value & 0x7F))
        value >>= 7
    return bytes(reversed(out))


def track(events):
    """events: (delta ticks, bytes) pairs; the end of the track is added."""
    body = b"".join(vlq(delta) + data for delta, data in events) + b"\x00\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(body)) + body


def smf(fmt, division, tracks):
    return b"MThd" + struct.pack(">IHHH", 6, fmt, len(tracks), division) + b"".join(tracks)


def tempo(bpm):
    return b"\xff\x51\x03" + (60000000 // bpm).to_bytes(3, "big")


def notes(channel, pitches, length, gap=0, velocity=90):
    """A note-on and note-off for each pitch (a list plays as a chord)."""
    out = []
    for p in pitches:
        chord = p if isinstance(p, list) else [p]
        for i, n in enumerate(chord):
            out.append((gap if i == 0 else 0, bytes([0x90 | channel, n, velocity])))
        for i, n in enumerate(chord):
            out.append((length if i == 0 else 0, bytes([0x80 | channel, n, 0])))
    return out


def band():
    """Format 1: a tempo track, a chord melody on channel 0 and a busier drum
    track on channel 9; the tempo halves halfway."""
    # Its text holds a line end and the byte a reader in text mode would
    # take for the end of the file.
    conductor = track([(0, tempo(120)), (0, b"\xff\x58\x04\x04\x02\x18\x08"), (0, b"\xff\x01\x04A\r\n\x1a"),
                       (1920, tempo(60))])
    melody = track([(0, b"\xff\x03\x05Piano"), (0, b"\xc0\x00")]
                   + notes(0, [[67, 71, 74], 76, [71, 74], 74, 72, [62, 67, 71], [66, 69, 72]], 480))
    drums = track(notes(9, [36, 38] * 12, 120, gap=40, velocity=100))
    return smf(1, 480, [conductor, melody, drums])


def running_status():
    """Format 0 with running status, velocity-0 note-offs, a system-exclusive
    message and a pitch bend between the notes; notes far above the keys."""
    events = [(0, tempo(90)), (0, b"\xf0\x05\x7e\x7f\x09\x01\xf7"), (0, b"\x91\x54\x40")]
    for pitch in (0x56, 0x58, 0x59, 0x5B, 0x5D):
        events += [(96, bytes([pitch, 0x40])), (0, b"\x54\x00" if pitch == 0x56 else bytes([pitch - 2, 0]))]
    events += [(48, b"\xe1\x00\x40"), (96, b"\x81\x5d\x00")]
    return smf(0, 96, [track(events)])


def broken(folder):
    whole = band()
    (folder / "截断.mid").write_bytes(whole[:-10])
    # A note-on cut off by the end of its track.
    (folder / "半个事件.mid").write_bytes(b"MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\3\0\x90\x3c")
    # Data bytes before any status byte.
    (folder / "无状态.mid").write_bytes(b"MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\4\0\x3c\x64\0")
    (folder / "空.mid").write_bytes(b"")
    (folder / "文本.mid").write_bytes("琴键倍数:1\r\n0.1,C\r\n".encode("gbk"))


def main():
    folder = pathlib.Path(sys.argv[1])
    (folder / "乐队.mid").write_bytes(band())
    (folder / "连续状态.mid").write_bytes(running_status())
    broken(folder)


if __name__ == "__main__":
    main()
