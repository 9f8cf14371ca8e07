// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/recording/player.h"

#include <cmath>

#include "core/recording/key_presser.h"

namespace kelodi {

Player::Player(KeyPresser& keys) : m_keys(keys) {}

void Player::start(std::shared_ptr<const RecordingEvents> events, double now)
{
    m_events = events ? std::move(events) : std::make_shared<const RecordingEvents>();
    m_next = 0;
    m_playClock = now;
    m_playing = true;
}

void Player::start(const RecordingEvents& events, double now)
{
    // A shared pointer that owns nothing: the caller keeps the events.
    start(std::shared_ptr<const RecordingEvents>(std::shared_ptr<const void>(), &events), now);
}

void Player::stop()
{
    m_playing = false;
}

double Player::delayOf(std::size_t index) const
{
    // Events can come from anywhere (a file, a test); a negative or non-finite
    // delay must neither wait forever nor fire out of order.
    const double delay = (*m_events)[index].delay;
    return std::isfinite(delay) && delay > 0 ? delay * m_delayScale : 0.0;
}

std::optional<double> Player::nextDueTime() const
{
    if (!m_playing || atEnd())
        return std::nullopt;
    return m_playClock + delayOf(m_next);
}

bool Player::fireDue(double now)
{
    if (!m_playing || atEnd())
        return false;
    if (!(now - m_playClock > delayOf(m_next)))
        return false;
    m_playClock = now;
    const KeyEvent& event = (*m_events)[m_next];
    ++m_next;
    // A press of no key fires as a silent event.
    if (event.isReleaseAll())
        releaseAllKeys(m_keys);
    else if (event.pressedKey() >= 0)
        m_keys.pressKey(event.pressedKey());
    return true;
}

void Player::setDelayScale(double scale)
{
    if (std::isfinite(scale) && scale > 0)
        m_delayScale = scale;
}

void Player::releaseAllKeys(KeyPresser& keys)
{
    // One release for the recorder, however many keys it releases.
    for (int key = 0; key < KeyCount; ++key)
        keys.releaseKey(key, key == 0 ? ReleaseReport::Reported : ReleaseReport::Unreported);
}

}  // namespace kelodi
