// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/keyboard/label_modes.h"

#include "core/keyboard/key_map.h"
#include "core/keyboard/keyboard_view.h"

namespace kelodi {

namespace {

constexpr std::string_view Crlf = "\r\n";
// Moves the text down to the lower part of the key.
constexpr int LeadingLineBreaks = 8;

// The scale degree over or under its octave dots: one dot below for the low
// octave, none for the middle, one above for the high octave and a colon
// (two dots) above for the highest.
std::string jianpuPiece(int key, const std::string& jianpuName)
{
    const std::string degree = jianpuName.substr(jianpuName.size() - 1);
    if (key < 12)
        return degree + std::string(Crlf) + "·";
    if (key < 24)
        return degree + std::string(Crlf);
    if (key < 36)
        return "·" + std::string(Crlf) + degree;
    return ":" + std::string(Crlf) + degree;
}

}  // namespace

LabelModes::LabelModes(KeyboardView& keys, const KeyMap& map) : m_keys(keys), m_map(map) {}

void LabelModes::setView(LabelModesView* view)
{
    m_view = view;
    if (m_view)
        m_view->showLabelModes(m_on);
}

void LabelModes::toggle(LabelMode mode)
{
    m_on[index(mode)] = !m_on[index(mode)];
    relabelKeys();
    if (m_view)
        m_view->showLabelModes(m_on);
}

void LabelModes::setMode(LabelMode mode, bool on)
{
    if (isOn(mode) != on)
        toggle(mode);
}

void LabelModes::relabelKeys()
{
    const bool jianpu = isOn(LabelMode::Jianpu);
    const bool noteName = isOn(LabelMode::NoteName);
    const bool computerKey = isOn(LabelMode::ComputerKey);
    for (const WhiteKey& white : m_map.whiteKeys())
        m_keys.setKeyCaption(white.keyIndex, caption(m_map, white.keyIndex, jianpu, noteName, computerKey));
}

std::string LabelModes::caption(const KeyMap& map, int key, bool jianpu, bool noteName, bool computerKey)
{
    const WhiteKey* white = map.whiteKey(key);
    if (!white)
        return {};
    std::string text;
    for (int i = 0; i < LeadingLineBreaks; ++i)
        text += Crlf;
    if (jianpu)
        text += jianpuPiece(key, white->jianpuName) + std::string(Crlf);
    if (noteName)
        text += white->noteName + std::string(Crlf);
    if (computerKey)
        text += white->computerKey + std::string(Crlf);
    return text;
}

}  // namespace kelodi
