// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/keyboard/key_geometry.h"

#include "core/keyboard/key_map.h"

namespace kelodi {

namespace {

// The left edge of white key `key`: the white keys below it each take one pitch.
int whiteKeyLeft(int key)
{
    int whitesBelow = 0;
    for (int k = 0; k < key; ++k)
        whitesBelow += isBlackKey(k) ? 0 : 1;
    return KeyGeometry::FirstWhiteLeft + whitesBelow * KeyGeometry::WhitePitch;
}

}  // namespace

PixelRect keyRect(int key)
{
    using namespace KeyGeometry;
    if (key < 0 || key >= KeyCount)
        return {};
    // A black key is never the last one: the next key is white.
    if (isBlackKey(key))
        return {whiteKeyLeft(key + 1) - BlackShift, Top, BlackWidth, BlackHeight};
    return {whiteKeyLeft(key), Top, WhiteWidth, WhiteHeight};
}

PixelRect visibleKeyRect(int key)
{
    using KeyGeometry::Inset;
    const PixelRect whole = keyRect(key);
    if (whole.width == 0)
        return {};
    return {whole.left + Inset, whole.top + Inset, whole.width - 2 * Inset, whole.height - 2 * Inset};
}

PixelRect keyFrameRect()
{
    const PixelRect first = visibleKeyRect(0);
    const PixelRect last = visibleKeyRect(KeyCount - 1);
    // Both end keys are white, so their visible part spans the whole height.
    return {first.left - 1, first.top - 1, last.right() - first.left + 2, first.height + 2};
}

}  // namespace kelodi
