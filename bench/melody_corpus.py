#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Melody corpus: how often `kelodi-dzq from-midi` takes the melody.

Real tunes that others wrote in ABC notation, shipped as examples by Debian's
abcmidi and abcm2ps packages, are turned into MIDI files by abc2midi, as a
user who brings a song would find them:

  multi   abc2midi's own file: the melody voice on a track of its own, chord
          symbols as a bass and a chord channel in another track, further
          voices and drums on tracks of their own;
  single  the same notes in one track (format 0), every channel kept, as
          many sequencers save a song;
  one     one track and one channel for every pitched note (drums stay on
          channel 10): a piano score of melody and accompaniment, where only
          the top line can find the melody.

The melody is known from the source: the tune's first voice (its notes line,
where the chord symbols are written), which abc2midi writes as track 2. Its
reference notes are the highest note at each of its onsets.

For each tune and form the script reports the part taken and the notes right,
for the old rule (the track with the most notes, all its channels, highest
note at each onset: computed here, or run as an older kelodi-dzq given with
--before) and for the kelodi-dzq given:

  part right   the part taken is the melody's (old rule: its track, and
               that track holds no other pitched channel)
  notes        reference notes found at their onset (within 3 ms) and
               pitch (after the octave move) / reference notes, and the
               notes taken that are not in the melody

usage: melody_corpus.py KELODI_DZQ [--before OLD_KELODI_DZQ] [--keep DIR]
Needs abc2midi (Debian package abcmidi) and the examples of abcm2ps.
"""

import os
import re
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "windows", "lib"))
from midi_files import smf, track, vlq  # noqa: E402  (the SMF writer the Windows checks use too)

ABCMIDI = "/usr/share/doc/abcmidi/examples"
ABCM2PS = "/usr/share/doc/abcm2ps/examples"

# (folder, file, tune number X, title, melody voice as the ABC names it)
TUNES = [
    (ABCMIDI, "araber.abc", 47, "Araber tants", "notes line, chord symbols"),
    (ABCMIDI, "baym_rebin.abc", 63, "Baym Rebin's Sude", "V:1, chord symbols, drum voice"),
    (ABCMIDI, "boys.abc", 3, "The Boys of Carrigallen", "V:1, drum voice"),
    (ABCMIDI, "coleraine.abc", 8, "Coleraine", "V:1, chord symbols, drum voice, drums"),
    (ABCMIDI, "dergasn.abc", 145, "der Gasn Nigun", "notes line, chord symbols, drums"),
    (ABCMIDI, "demo.abc", 4, "Candlemas Eve", "V:1 soprano of four voices"),
    (ABCMIDI, "demo.abc", 6, "The Friendly Visit", "notes line, chord symbols"),
    (ABCMIDI, "demo.abc", 7, "The First Slip", "notes line, drones"),
    (ABCMIDI, "demo.abc", 8, "Roddy McCawley", "notes line, chord symbols"),
    (ABCMIDI, "demo.abc", 10, "Heights of Alma", "notes line, chord symbols"),
    (ABCMIDI, "demo.abc", 12, "Cuckoo's Nest", "notes line, chord symbols, drums"),
    (ABCM2PS, "accordion.abc", 3, "Andro à Patrice Corbel", "notes line, chord symbols"),
    (ABCM2PS, "accordion.abc", 51, "Jeune fille de quinze ans", "notes line, chord symbols"),
    (ABCM2PS, "chinese.abc", 1, "Green Island Serenade", "notes line, chord symbols"),
    (ABCM2PS, "sample.abc", 13, "Vocals", "notes line, chord symbols"),
    (ABCM2PS, "sample4.abc", 3, "Yesterday", "V:melody1 of two melodies and a chord voice"),
    (ABCM2PS, "sample5.abc", 2, "Romance sans paroles", "V:M of melody and two accompaniments"),
    (ABCM2PS, "voices.abc", 1, "Song for a guy", "V:RH of right and left hand"),
    (ABCM2PS, "voices.abc", 2, "8th Sonata for piano", "V:1 of right and left hand"),
    (ABCM2PS, "voices.abc", 3, "Praeludium II", "V:RH of right and left hand"),
    (ABCM2PS, "voices.abc", 4, "Allegro grazioso", "V:1 of three voices"),
    (ABCM2PS, "voices.abc", 5, "Tridal a ra va c'halon", "V:S soprano of four voices"),
    (ABCM2PS, "voices.abc", 6, "Wär Gott nicht mit uns diese Zeit", "V:1 of four organ voices"),
    (ABCM2PS, "voices.abc", 7, "Qui Tolis (Trio)", "V:Pos1 of a trio"),
]

MELODY_TRACK = 2  # abc2midi: track 1 holds the tempo map, the first voice is track 2
SAME_ONSET = 0.030
ONSET_TOLERANCE = 0.003
PERCUSSION = 9


# --- Standard MIDI Files -----------------------------------------------------

def read_varlen(data, pos):
    value = 0
    while True:
        byte = data[pos]
        pos += 1
        value = (value << 7) | (byte & 0x7F)
        if not byte & 0x80:
            return value, pos


def read_midi(path):
    """(division, tracks): each track a list of (tick, bytes of the event)."""
    data = open(path, "rb").read()
    assert data[:4] == b"MThd"
    _, count, division = struct.unpack(">HHH", data[8:14])
    pos = 8 + struct.unpack(">I", data[4:8])[0]
    tracks = []
    while len(tracks) < count:
        kind, length = data[pos:pos + 4], struct.unpack(">I", data[pos + 4:pos + 8])[0]
        chunk = data[pos + 8:pos + 8 + length]
        pos += 8 + length
        if kind != b"MTrk":
            continue
        events, p, tick, running = [], 0, 0, 0
        while p < len(chunk):
            delta, p = read_varlen(chunk, p)
            tick += delta
            status = chunk[p]
            if status & 0x80:
                p += 1
            else:
                status = running
            if status == 0xFF:
                kind = chunk[p]
                length, q = read_varlen(chunk, p + 1)
                events.append((tick, bytes([0xFF, kind]) + vlq(length) + chunk[q:q + length]))
                p = q + length
                if kind == 0x2F:
                    break
            elif status in (0xF0, 0xF7):
                length, q = read_varlen(chunk, p)
                events.append((tick, bytes([status]) + vlq(length) + chunk[q:q + length]))
                p = q + length
            else:
                running = status
                size = 1 if status & 0xF0 in (0xC0, 0xD0) else 2
                events.append((tick, bytes([status]) + chunk[p:p + size]))
                p += size
        tracks.append(events)
    return division, tracks


def write_midi(path, division, tracks):
    """tracks: lists of (tick, bytes of the event), as read_midi gives them."""
    chunks = []
    for events in tracks:
        timed = [e for e in events if e[1][:2] != b"\xff\x2f"]  # track() ends every track
        ticks = [0] + [tick for tick, _ in timed]
        chunks.append(track([(tick - last, event) for last, (tick, event) in zip(ticks, timed)]))
    open(path, "wb").write(smf(0 if len(tracks) == 1 else 1, division, chunks))


def merged(tracks):
    """All events in one track, in time order (stable: track order within a tick)."""
    events = [e for track in tracks for e in track if e[1][:2] != b"\xff\x2f"]
    return sorted(events, key=lambda e: e[0])


def one_channel(events, channel):
    """Every pitched note and control on `channel`; drums stay where they are."""
    out = []
    for tick, event in events:
        status = event[0]
        if status < 0xF0 and (status & 0x0F) != PERCUSSION:
            if status & 0xF0 == 0xC0 and (status & 0x0F) != channel:
                continue  # one instrument for the one part
            event = bytes([(status & 0xF0) | channel]) + event[1:]
        out.append((tick, event))
    return out


class Tempo:
    def __init__(self, division, tracks):
        changes = sorted((t, e) for track in tracks for t, e in track if e[:3] == b"\xff\x51\x03")
        self.per_quarter = division
        self.segments = [(0, 0.0, 0.5)]
        for tick, event in changes:
            us = int.from_bytes(event[3:6], "big") / 1e6
            t0, s0, q0 = self.segments[-1]
            if tick == t0:
                self.segments[-1] = (t0, s0, us)
            else:
                self.segments.append((tick, s0 + (tick - t0) / division * q0, us))

    def seconds(self, tick):
        seg = [s for s in self.segments if s[0] <= tick][-1]
        return seg[1] + (tick - seg[0]) / self.per_quarter * seg[2]


def notes_of(tempo, events):
    """(start, end, pitch, channel) of every note, first on first off."""
    started, notes = {}, []
    for tick, event in events:
        kind = event[0] & 0xF0
        if kind not in (0x80, 0x90):
            continue
        key = (event[0] & 0x0F, event[1])
        if kind == 0x90 and event[2] > 0:
            started.setdefault(key, []).append(tick)
        elif started.get(key):
            on = started[key].pop(0)
            notes.append((tempo.seconds(on), tempo.seconds(tick), event[1], key[0]))
    return sorted(notes)


def highest_at_onsets(notes):
    """(onset, pitch): the highest note of each onset of SAME_ONSET."""
    line, i = [], 0
    notes = sorted(notes, key=lambda n: (n[0], -n[2]))
    while i < len(notes):
        j, best = i, notes[i][2]
        while j < len(notes) and notes[j][0] - notes[i][0] < SAME_ONSET:
            best = max(best, notes[j][2])
            j += 1
        line.append((notes[i][0], best))
        i = j
    return line


# --- the rules -----------------------------------------------------------------

def old_rule(tempo, tracks):
    """The track with the most notes off channel 10, all its channels."""
    def count(track):
        return sum(1 for _, e in track if e[0] & 0xF0 == 0x90 and e[2] > 0 and e[0] & 0x0F != PERCUSSION)
    best = max(range(len(tracks)), key=lambda t: (count(tracks[t]), -t))
    notes = [n for n in notes_of(tempo, tracks[best]) if n[3] != PERCUSSION]
    channels = {n[3] for n in notes}
    return best + 1, channels, highest_at_onsets(notes)


def new_rule(tool, path, work, keep_key=True):
    """What kelodi-dzq takes: (track, channel, [(onset, key)]); the channel
    is None when it took every channel of the track (the old rule)."""
    out = os.path.join(work, "out.dzq")
    run = subprocess.run([tool, "from-midi", path, out] + (["--transpose", "keep"] if keep_key else []),
                         capture_output=True, text=True)
    if run.returncode != 0:
        return None, None, []
    said = re.search(r": track (\d+)(?:, channel (-?\d+))?:", run.stderr)
    track = int(said.group(1))
    channel = int(said.group(2)) if said.group(2) is not None else None
    events = subprocess.run([tool, "events", out], capture_output=True, text=True).stdout.split("\n")
    clock, presses = 0.0, []
    for line in filter(None, events):
        delay, key = line.split("\t")
        clock += float(delay)
        if key != "9999":
            presses.append((clock, int(key)))
    return track, channel, presses


def key_said(tool, path, work):
    """(key, semitones moved to read in C, 0..11) as from-midi tells them; the
    octave move that follows is left out."""
    run = subprocess.run([tool, "from-midi", path, os.path.join(work, "out.dzq")], capture_output=True, text=True)
    key = re.search(r", key (\S+) \(", run.stderr)
    moved = re.search(r"moved (\d+) (semitone|octave)s? (up|down)", run.stderr)
    semitones = 0
    if moved:
        semitones = int(moved.group(1)) * (12 if moved.group(2) == "octave" else 1) * (1 if moved.group(3) == "up" else -1)
    return (key.group(1) if key else "-", semitones % 12)


def fold(pitch):
    while pitch < 36:
        pitch += 12
    while pitch > 79:
        pitch -= 12
    return pitch


def score_notes(reference, taken, on_keys):
    """(found, extra): reference notes found in `taken`, taken notes not in the reference.
    `taken` holds (onset, key) when on_keys, else (onset, pitch)."""
    ref_at = {}
    for onset, pitch in reference:
        ref_at.setdefault(round(onset * 1000), []).append(pitch)

    def reference_near(onset):
        ms = round(onset * 1000)
        for d in range(-round(ONSET_TOLERANCE * 1000), round(ONSET_TOLERANCE * 1000) + 1):
            if ms + d in ref_at:
                return ref_at[ms + d]
        return None

    # The octave move is the one most notes agree on.
    shift = 0
    if on_keys:
        votes = {}
        for onset, key in taken:
            for pitch in reference_near(onset) or []:
                d = key + 36 - pitch
                if d % 12 == 0:
                    votes[d] = votes.get(d, 0) + 1
        shift = max(votes, key=votes.get) if votes else 0
    found = 0
    for onset, value in taken:
        pitches = reference_near(onset) or []
        expected = [fold(p + shift) - 36 if on_keys else p for p in pitches]
        found += value in expected
    return found, len(taken) - found


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    tool = os.path.abspath(sys.argv[1])
    options = dict(zip(sys.argv[2::2], sys.argv[3::2]))
    keep = options.get("--keep")
    before = os.path.abspath(options["--before"]) if "--before" in options else None
    work = keep or tempfile.mkdtemp(prefix="melody-corpus-")
    os.makedirs(work, exist_ok=True)
    forms = ("multi", "single", "one")
    totals = {(form, rule): [0, 0, 0, 0, 0] for form in forms for rule in ("old", "new")}  # parts, found, ref, extra, tunes all right
    tunes = 0
    keys = []  # (title, (key, move) by the signature, (key, move) estimated)
    print("%-34s %-6s %-22s %-22s" % ("tune", "form", "old: part notes", "new: part notes"))
    for folder, name, number, title, voice in TUNES:
        source = os.path.join(folder, name)
        if not os.path.exists(source):
            print("%-34s missing %s (install abcmidi and abcm2ps)" % (title[:34], source))
            continue
        stem = "%s-%d" % (os.path.splitext(name)[0], number)
        multi = os.path.join(work, stem + "-multi.mid")
        subprocess.run(["abc2midi", source, str(number), "-o", multi], capture_output=True)
        division, tracks = read_midi(multi)
        tempo = Tempo(division, tracks)
        melody_notes = [n for n in notes_of(tempo, tracks[MELODY_TRACK - 1]) if n[3] != PERCUSSION]
        melody_channel = melody_notes[0][3]
        reference = highest_at_onsets([n for n in melody_notes if n[3] == melody_channel])
        single = os.path.join(work, stem + "-single.mid")
        write_midi(single, division, [merged(tracks)])
        one = os.path.join(work, stem + "-one.mid")
        write_midi(one, division, [one_channel(merged(tracks), melody_channel)])
        tunes += 1
        # The key estimate: the same file without its key signature.
        unsigned = os.path.join(work, stem + "-unsigned.mid")
        write_midi(unsigned, division, [[e for e in t if e[1][:2] != b"\xff\x59"] for t in tracks])
        signed, estimated = key_said(tool, multi, work), key_said(tool, unsigned, work)
        keys.append((title, signed, estimated))
        for form, path in zip(forms, (multi, single, one)):
            f_division, f_tracks = read_midi(path)
            f_tempo = Tempo(f_division, f_tracks)
            melody_track = MELODY_TRACK if form == "multi" else 1
            cells = []
            if before:
                track, channel, presses = new_rule(before, path, work, keep_key=False)
                channels = {n[3] for n in notes_of(f_tempo, f_tracks[track - 1]) if n[3] != PERCUSSION} \
                    if channel is None else {channel}
                found, extra = score_notes(reference, presses, True)
            else:
                track, channels, line = old_rule(f_tempo, f_tracks)
                found, extra = score_notes(reference, line, False)
            part_right = track == melody_track and channels == {melody_channel}
            cells.append((part_right, found, extra))
            track, channel, presses = new_rule(tool, path, work)
            part_right = track == melody_track and channel == melody_channel
            found, extra = score_notes(reference, presses, True)
            cells.append((part_right, found, extra))
            texts = []
            for rule, (right, found, extra) in zip(("old", "new"), cells):
                t = totals[(form, rule)]
                t[0] += right
                t[1] += found
                t[2] += len(reference)
                t[3] += extra
                t[4] += right and found == len(reference) and extra == 0
                texts.append("%-5s %3d/%-3d +%-3d" % ("right" if right else "WRONG", found, len(reference), extra))
            print("%-34s %-6s %-22s %-22s" % (title[:34], form, texts[0], texts[1]))
    print()
    print("%d tunes (%s)" % (tunes, ", ".join(sorted({os.path.basename(t[0].rstrip("/").rsplit("/", 1)[0]) for t in TUNES}))))
    for form in forms:
        for rule in ("old", "new"):
            parts, found, ref, extra, whole = totals[(form, rule)]
            print("%-6s %-3s parts right %2d/%d, notes right %4d/%d (%.1f%%), notes not in the melody %4d, tunes all right %2d/%d"
                  % (form, rule, parts, tunes, found, ref, 100.0 * found / max(ref, 1), extra, whole, tunes))
    print()
    print("key estimated without the key signature: %d/%d the key of the signature, %d/%d the same move to C (in semitones up, 0..11)"
          % (sum(s[0] == e[0] for _, s, e in keys), len(keys), sum(s[1] == e[1] for _, s, e in keys), len(keys)))
    for title, signed, estimated in keys:
        if signed != estimated:
            print("  %-34s signature %-3s (moved %2d), estimate %-3s (moved %2d)"
                  % (title[:34], signed[0], signed[1], estimated[0], estimated[1]))
    if not keep:
        for f in os.listdir(work):
            os.remove(os.path.join(work, f))
        os.rmdir(work)
    return 0


if __name__ == "__main__":
    sys.exit(main())
