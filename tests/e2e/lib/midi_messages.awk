# SPDX-License-Identifier: GPL-3.0-or-later
# midicsv output to one line per channel message: the tick, then the four
# bytes of the message as the MIDI log writes them (lowest first, upper-case
# hex). Other records are left out.
#   midicsv FILE.mid | awk -f midi_messages.awk
BEGIN { FS = ", *" }
$3 == "Note_on_c"   { printf "%d %02X %02X %02X 00\n", $2, 144 + $4, $5, $6 }
$3 == "Note_off_c"  { printf "%d %02X %02X %02X 00\n", $2, 128 + $4, $5, $6 }
$3 == "Program_c"   { printf "%d %02X %02X 00 00\n", $2, 192 + $4, $5 }
$3 == "Control_c"   { printf "%d %02X %02X %02X 00\n", $2, 176 + $4, $5, $6 }
