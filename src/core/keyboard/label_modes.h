// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string>

namespace kelodi {

class KeyMap;
class KeyboardView;

// The three labels a white key can carry.
enum class LabelMode { Jianpu, NoteName, ComputerKey };
inline constexpr int LabelModeCount = 3;

// Which of the three modes are on, indexed by LabelMode.
using LabelModeSet = std::array<bool, LabelModeCount>;

// Shows the modes: the ticks of the "显示(&S)" menu and the boxes of the
// "显示" frame both draw the one set it is given.
class LabelModesView {
public:
    virtual ~LabelModesView() = default;
    virtual void showLabelModes(const LabelModeSet& on) = 0;
};

// The labels of the white keys: the jianpu digit, the note name and the
// computer key, each switched on and off from the "显示(&S)" menu or from the
// boxes of the "显示" frame. Menu and boxes show one and the same state. Every
// switch rewrites the captions of the 26 white keys; black keys stay blank.
// All three start off, and the captions are left alone until the first switch.
class LabelModes {
public:
    LabelModes(KeyboardView& keys, const KeyMap& map);
    LabelModes(const LabelModes&) = delete;
    LabelModes& operator=(const LabelModes&) = delete;

    // Not owned; nullptr (the default) for none. Shown the modes at once and
    // after every switch.
    void setView(LabelModesView* view);

    const LabelModeSet& modes() const { return m_on; }
    bool isOn(LabelMode mode) const { return m_on[index(mode)]; }

    // A menu item was chosen: its mode turns over.
    void toggle(LabelMode mode);
    // A box was clicked and now shows `on`: the mode follows it. One click
    // switches the mode once; told the same again, nothing changes.
    void setMode(LabelMode mode, bool on);

    // A key's caption in the given modes: for a white key eight "\r\n", then
    // each piece that is on followed by "\r\n", in the fixed order jianpu,
    // note name, computer key. Empty for a black key or an index outside 0..43.
    static std::string caption(const KeyMap& map, int key, bool jianpu, bool noteName, bool computerKey);

private:
    static std::size_t index(LabelMode mode) { return static_cast<std::size_t>(mode); }
    void relabelKeys();

    KeyboardView& m_keys;
    const KeyMap& m_map;
    LabelModesView* m_view = nullptr;
    LabelModeSet m_on{};
};

}  // namespace kelodi
