// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace kelodi {

// Key background colours, as red + 256 * green + 65536 * blue.
namespace KeyColour {
inline constexpr std::uint32_t White = 16777215;
inline constexpr std::uint32_t Black = 0;
inline constexpr std::uint32_t Red = 255;
}  // namespace KeyColour

// What the key path and the label modes change on the main window. The window
// implements it; core never sees a widget.
class KeyboardView {
public:
    virtual ~KeyboardView() = default;

    // The main window's caption.
    virtual void setCaption(const std::string& caption) = 0;
    // Background colour of key 0..43.
    virtual void setKeyColour(int key, std::uint32_t colour) = 0;
    // Text on key 0..43; lines separated by "\r\n".
    virtual void setKeyCaption(int key, const std::string& caption) = 0;
};

}  // namespace kelodi
