// SPDX-License-Identifier: GPL-3.0-or-later
// What the fuzz targets that play the keyboard share: the check that stops
// the run, a view that shows nothing, and the reader of the input bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/keyboard/keyboard_view.h"
#include "core/midi/device_menu.h"

namespace kelodi::fuzz {

inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

class QuietView : public KeyboardView, public DeviceMenuView {
public:
    void setCaption(const std::string&) override {}
    void setKeyColour(int, std::uint32_t) override {}
    void setKeyCaption(int, const std::string&) override {}
    void addDeviceItem(int, const std::string&) override {}
    void setItemChecked(int, bool) override {}
    void showCriticalError(const std::string&, const std::string&) override {}
};

// Reads the input one byte at a time; zeros once it is used up.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool empty() const { return m_at >= m_size; }
    int next() { return m_at < m_size ? m_data[m_at++] : 0; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

}  // namespace kelodi::fuzz
