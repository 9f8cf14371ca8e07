// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "core/keyboard/instrument_names.h"
#include "core/keyboard/panel_state.h"

namespace kelodi {

class MidiPort;

// What a MIDI keyboard's own thread reads of the panel: one consistent
// picture, taken whenever the panel changed.
struct LiveTarget {
    int channel = 0;
    bool muted = false;
    int octaveOffset = 0;  // semitones, as octaveOffset() gives them
};

// Shows the panel. Told the whole state after every change; it draws it and
// never calls back into the panel while doing so.
class PanelView {
public:
    virtual ~PanelView() = default;
    virtual void showPanel(const PanelState& state) = 0;
};

// The panel at the top of the main window: channel, controllers, sustain,
// mute, chord, octave and instrument.
//
// Updates flow one way. A control's new value comes in as an operation named
// for what the player did (stepChord, selectChannel, setSustain, ...); the
// operation sends the messages it causes, stores the new state, and then the
// view is shown that state. Nothing runs nested, and an operation that changes
// nothing sends nothing and shows nothing.
//
// Values from code are clamped into their ranges, as the arrows stop at them.
class InstrumentPanel {
public:
    explicit InstrumentPanel(MidiPort& port);
    InstrumentPanel(const InstrumentPanel&) = delete;
    InstrumentPanel& operator=(const InstrumentPanel&) = delete;

    // Not owned; nullptr (the default) for none. The view is shown the state
    // at once.
    void setView(PanelView* view);
    PanelState state() const;

    // An arrow of one of the spinners, `steps` up (positive) or down. The
    // chord spinner steps by stepChord's rule.
    void step(PanelSpinner spinner, int steps);

    // Switches the keys and the controls to channel 0..15. The device learns
    // exactly the controllers (and sustain) in which the new channel differs
    // from the one shown before, on the new channel; the switch itself sends
    // nothing.
    void selectChannel(int channel);
    // Stores a controller of the current channel and sends it there.
    void setController(ChannelControl control, int value);
    // Sustain pedal of the current channel: controller 64 at 127 or 0.
    void setSustain(bool on);
    // Silences the keys on the current channel from now on; sends nothing
    // (notes already sounding go on).
    void setMute(bool on);
    // Octave shift -3..4 of the keys played from now on; sends nothing.
    void setOctave(int octave);

    // The chord arrows. Leaving single notes by the arrows lands on the
    // default chord, so types 1 and 2 are reached only by stepping down.
    void stepChord(int steps);
    // Any chord type 0..10 directly, as a replay's settings give it.
    void setChordType(int type);
    // "单音": single notes. "和弦": the default chord whenever single notes
    // were selected; choosing the option already selected changes nothing.
    void chooseSingleNote();
    void chooseChord();

    // File ▸ New: chord type 3, octave 0, and every channel back to its
    // default instrument and controllers, sent as 16 times the seven messages
    // of sendChannelSettings, channels 0..15. Then the controls move to
    // channel 0, and each controller they showed differently from its reset
    // value is sent once more on channel 0.
    void resetToDefaults();

    // The instrument the program starts with: "钟琴", program 9, on the
    // current channel (channel 0 right after the reset at start-up).
    void setStartupInstrument();

    // The chooser opens only on a melodic channel.
    bool canChooseInstrument() const { return m_currentChannel != PercussionChannel; }

    // After the chooser returned: sends program on the current channel and
    // makes name the channel's instrument. An empty name means the chooser
    // was cancelled or closed, and nothing changes; so does a program outside
    // 0..127 or the percussion channel.
    void applyChosenInstrument(const std::string& name, int program);

    // Puts channel c's settings on the device: program change, controllers
    // 7, 10, 91, 93, 1 and sustain (64), in that order. Nothing for a channel
    // outside 0..15.
    void sendChannelSettings(int channel);

    // Settings of channel 0..15; throws std::out_of_range for another index.
    const ChannelSettings& channel(int c) const { return m_channels.at(static_cast<std::size_t>(c)); }

    int currentChannel() const { return m_currentChannel; }
    int chordType() const { return m_chordType; }
    int octaveOffset() const { return m_octave * 12; }  // semitones, -36..48
    bool currentChannelMuted() const { return current().mute; }
    const std::string& instrumentName() const { return current().instrumentName; }

    // The current channel, its mute and the octave as last published: safe
    // to read from any thread. The panel publishes them after every change.
    LiveTarget liveTarget() const;

private:
    void sendDifferences(const ChannelSettings& shown, const ChannelSettings& next);
    void showState();
    void publishLiveTarget();

    ChannelSettings& current() { return m_channels[static_cast<std::size_t>(m_currentChannel)]; }
    const ChannelSettings& current() const { return m_channels[static_cast<std::size_t>(m_currentChannel)]; }

    MidiPort& m_port;
    PanelView* m_view = nullptr;
    std::array<ChannelSettings, ChannelCount> m_channels;
    int m_currentChannel = 0;
    int m_chordType = DefaultChordType;
    int m_octave = 0;
    // Channel, mute and octave packed in one word, so a reader never sees
    // the channel of one change with the mute of another.
    std::atomic<std::uint32_t> m_liveTarget{0};
};

}  // namespace kelodi
