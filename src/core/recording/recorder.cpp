// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/recording/recorder.h"

#include <cmath>

#include "core/recording/clock.h"
#include "core/recording/recording_events.h"

namespace kelodi {

namespace {

constexpr float FirstEventDelay = 0.1f;
constexpr double PauseFold = 10.0;

}  // namespace

Recorder::Recorder(std::shared_ptr<RecordingEvents>& events, const Clock& clock) : m_events(events), m_clock(clock)
{
}

void Recorder::start()
{
    m_recording = true;
    ++m_takes;
    m_takeStarted = false;
}

void Recorder::stop()
{
    m_recording = false;
}

void Recorder::recordPress(int key)
{
    if (isKeyIndex(key))
        record(KeyEvent::press(0, key));
}

void Recorder::recordRelease()
{
    record(KeyEvent::releaseAll(0));
}

void Recorder::record(KeyEvent event)
{
    if (!m_recording)
        return;
    const double now = m_clock.now();
    // Events put in place while recording (a file loaded meanwhile) are not
    // the take's to extend: it starts again as a new list that replaces them.
    const bool firstEvent = !m_takeStarted || m_take.lock() != m_events;
    m_takeStarted = true;
    event.delay = FirstEventDelay;
    if (firstEvent) {
        m_events = std::make_shared<RecordingEvents>();
        m_take = m_events;
    } else {
        double d = now - m_lastEventTime;
        d -= PauseFold * std::floor(d / PauseFold);
        event.delay = static_cast<float>(d);
    }
    m_events->append(event);
    m_lastEventTime = now;
}

}  // namespace kelodi
