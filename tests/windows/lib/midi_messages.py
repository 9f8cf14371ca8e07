# SPDX-License-Identifier: GPL-3.0-or-later
"""The channel messages of a Standard MIDI File, one line each: the time in
seconds (tempo changes followed), then the message's bytes as the loopback
driver logs them, lowest first in upper-case hex, padded to four.

    python3 midi_messages.py FILE.mid
"""
import struct
import sys

DATA_BYTES = {0x80: 2, 0x90: 2, 0xA0: 2, 0xB0: 2, 0xC0: 1, 0xD0: 1, 0xE0: 2}


def vlq(data, pos):
    value = 0
    while True:
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, pos


def messages(data):
    _, _, _, division = struct.unpack(">IHHH", data[4:14])
    pos = 14
    found = []  # (tick, order, bytes); tempo changes as (tick, order, None, tempo)
    tempos = [(0, 500000)]
    while pos < len(data):
        length = struct.unpack(">I", data[pos + 4:pos + 8])[0]
        end = pos + 8 + length
        pos, tick, status = pos + 8, 0, 0
        while pos < end:
            delta, pos = vlq(data, pos)
            tick += delta
            if data[pos] >= 0x80:
                status = data[pos]
                pos += 1
            if status == 0xFF:
                kind = data[pos]
                size, pos = vlq(data, pos + 1)
                if kind == 0x51:
                    tempos.append((tick, int.from_bytes(data[pos:pos + 3], "big")))
                pos += size
            elif status in (0xF0, 0xF7):
                size, pos = vlq(data, pos)
                pos += size
            else:
                count = DATA_BYTES[status & 0xF0]
                found.append((tick, len(found), bytes([status]) + data[pos:pos + count]))
                pos += count
        pos = end
    tempos.sort()

    def seconds(tick):
        total, last_tick, tempo = 0.0, 0, 500000
        for at, value in tempos:
            if at > tick:
                break
            total += (at - last_tick) * tempo / 1e6 / division
            last_tick, tempo = at, value
        return total + (tick - last_tick) * tempo / 1e6 / division

    for tick, _, message in sorted(found):
        yield seconds(tick), message


for time, message in messages(open(sys.argv[1], "rb").read()):
    print("%.6f %s" % (time, " ".join("%02X" % b for b in message.ljust(4, b"\0"))))
