#pragma once

#include <array>
#include <functional>
#include <string>

#include "core/keyboard/controls.h"

namespace kelodi {

class KeyMap;
class KeyboardView;

// The three labels a white key can carry, each switched on and off from the
// "显示(&S)" menu (items tishi1(0..2)) or from the check boxes Check2(0..2):
// 0 jianpu digit, 1 note name, 2 computer key. The menu ticks hold the state;
// the boxes mirror them. Every switch rewrites the captions of the 26 white
// keys; black keys stay blank. All three start off, and the captions are left
// alone until the first switch.
class LabelModes {
public:
    LabelModes(KeyboardView& view, const KeyMap& map);
    LabelModes(const LabelModes&) = delete;
    LabelModes& operator=(const LabelModes&) = delete;

    // The check boxes "简谱", "琴键", "键盘按键". The window forwards a click
    // with setChecked; their handlers are check2Click.
    std::array<CheckBox, 3> check2;

    bool isMenuChecked(int index) const;

    // Lets the window mirror a menu tick; called for all three items on
    // every switch.
    std::function<void(int index, bool checked)> displayMenuCheck;

    // Menu item 0..2 chosen: toggles its mode. Other indices do nothing.
    void tishi1Click(int index);
    // Check box 0..2 clicked; it already shows its new state, and the mode
    // follows it. Idempotent: a second call for the same click does nothing.
    void check2Click(int index);

    // A key's caption in the given modes: for a white key eight "\r\n", then
    // each piece that is on followed by "\r\n", in the fixed order jianpu,
    // note name, computer key. Empty for a black key or an index outside 0..43.
    static std::string caption(const KeyMap& map, int key, bool jianpu, bool noteName, bool computerKey);

private:
    KeyboardView& m_view;
    const KeyMap& m_map;
    std::array<bool, 3> m_menuChecked{};
    // Set while the boxes are being made to mirror the menu, so that the
    // mirroring does not count as a click and toggle the mode back.
    bool m_mirroring = false;
};

}  // namespace kelodi
