// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/news/news_schedule.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/news/news_page.h"

namespace kelodi {

NewsSchedule::NewsSchedule(std::function<double()> uniform) : m_uniform(std::move(uniform)) {}

NewsAction NewsSchedule::tick(const NewsTick& tick)
{
    if (m_finished || tick.noNewsPopup)
        return NewsAction::None;

    if (m_popupDelay == 0) {
        const double r = m_uniform ? m_uniform() : 0.0;
        // A generator that strays outside [0, 1) must not push the delay out
        // of 180..299.
        const double drawn = std::floor(r * 120 + 180);
        m_popupDelay = drawn >= 180 ? static_cast<int>(std::min(drawn, 299.0)) : 180;
    }

    if (!tick.online)
        return NewsAction::None;

    ++m_popupStep;
    if (m_popupStep == m_popupDelay + NavigateAt)
        return NewsAction::Navigate;
    if (m_popupStep == m_popupDelay + BusyCheckAt) {
        if (tick.busy)
            --m_popupStep;
        return NewsAction::None;
    }
    if (m_popupStep == m_popupDelay + DecideAt) {
        m_finished = true;
        return carriesNewsMarker(tick.bodyHtml) ? NewsAction::Show : NewsAction::Stop;
    }
    return NewsAction::None;
}

NewsCommand newsCommand(bool showingNewsServerPage)
{
    return {!showingNewsServerPage, true};
}

}  // namespace kelodi
