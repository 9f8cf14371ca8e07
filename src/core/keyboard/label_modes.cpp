#include "core/keyboard/label_modes.h"

#include "core/keyboard/key_map.h"
#include "core/keyboard/keyboard_view.h"

namespace kelodi {

namespace {

constexpr std::string_view Crlf = "\r\n";
// Moves the text down to the lower part of the key.
constexpr int LeadingLineBreaks = 8;

bool isMode(int index) { return index >= 0 && index < 3; }

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

LabelModes::LabelModes(KeyboardView& view, const KeyMap& map) : m_view(view), m_map(map)
{
    for (int i = 0; i < 3; ++i)
        check2[static_cast<std::size_t>(i)].handler = [this, i] { check2Click(i); };
}

bool LabelModes::isMenuChecked(int index) const
{
    return isMode(index) && m_menuChecked[static_cast<std::size_t>(index)];
}

// A click has already changed the box; the mode follows it. Running this
// again for the same click (from the box's handler and from the window)
// finds both in step and changes nothing.
void LabelModes::check2Click(int index)
{
    if (m_mirroring || !isMode(index))
        return;
    if (check2[static_cast<std::size_t>(index)].isChecked() != m_menuChecked[static_cast<std::size_t>(index)])
        tishi1Click(index);
}

void LabelModes::tishi1Click(int index)
{
    if (!isMode(index))
        return;
    m_menuChecked[static_cast<std::size_t>(index)] = !m_menuChecked[static_cast<std::size_t>(index)];

    m_mirroring = true;
    for (std::size_t i = 0; i < 3; ++i)
        check2[i].setChecked(m_menuChecked[i]);
    m_mirroring = false;
    if (displayMenuCheck) {
        for (int i = 0; i < 3; ++i)
            displayMenuCheck(i, m_menuChecked[static_cast<std::size_t>(i)]);
    }

    for (const WhiteKey& white : m_map.whiteKeys()) {
        m_view.setKeyCaption(white.keyIndex,
                             caption(m_map, white.keyIndex, m_menuChecked[0], m_menuChecked[1], m_menuChecked[2]));
    }
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
