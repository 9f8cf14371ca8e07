#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up of the real program: time from process start to the main window
# shown and to the SoundFont loaded, and resident memory once it has loaded.
# Median of 10 runs. Usage: bench/startup.sh BUILD_DIR [SOUNDFONT]
set -euo pipefail
build=${1:?usage: startup.sh BUILD_DIR [SOUNDFONT]}
soundfont=${2:-/usr/share/sounds/sf2/FluidR3_GM.sf2}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
python3 - "$build/bin/kelodi" "$soundfont" <<'PY'
import os, statistics, subprocess, sys, tempfile, time

kelodi, soundfont = sys.argv[1], sys.argv[2]
shown, loaded, rss = [], [], []
with tempfile.TemporaryDirectory() as work:
    for run in range(10):
        start = time.monotonic()
        p = subprocess.Popen([kelodi, "--startup-report", "--soundfont", soundfont,
                              "--audio-file", os.path.join(work, "out.wav")],
                             stderr=subprocess.PIPE, stdout=subprocess.DEVNULL, text=True)
        got = {}
        # The SoundFont may finish before the window is up: wait for both.
        for line in p.stderr:
            word = line.split(" ")[0]
            if word in ("window-shown", "soundfont-loaded", "soundfont-failed"):
                got[word] = time.monotonic() - start
            if "window-shown" in got and ("soundfont-loaded" in got or "soundfont-failed" in got):
                break
        time.sleep(0.3)
        with open(f"/proc/{p.pid}/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    rss.append(int(line.split()[1]) / 1024)
        p.terminate()
        p.wait()
        shown.append(got.get("window-shown", float("nan")))
        loaded.append(got.get("soundfont-loaded", float("nan")))

print(f"SoundFont: {soundfont}")
print(f"window shown:      median {statistics.median(shown) * 1000:7.1f} ms  (min {min(shown) * 1000:.1f}, max {max(shown) * 1000:.1f})")
print(f"SoundFont loaded:  median {statistics.median(loaded) * 1000:7.1f} ms  (min {min(loaded) * 1000:.1f}, max {max(loaded) * 1000:.1f})")
print(f"resident memory:   median {statistics.median(rss):7.1f} MB  (max {max(rss):.1f})")
PY
