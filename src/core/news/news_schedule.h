// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string_view>

namespace kelodi {

// What the owner of the news window has to do after one tick of the schedule.
enum class NewsAction {
    None,      // nothing this tick
    Navigate,  // load the news page into the (still hidden) news window
    Show,      // the page carries the marker: show the window; the schedule is over
    Stop,      // the page lacks the marker: show nothing; the schedule is over
};

// What the schedule sees on a tick.
struct NewsTick {
    bool noNewsPopup = false;      // the user opted out of the news window
    bool online = false;           // the computer is online (a failed test counts as offline)
    bool busy = false;             // the news window is still loading its page
    std::string_view bodyHtml;     // the HTML of the loaded page's body
};

// Shows the news window once per run, a few minutes after start: the main
// window feeds it one tick a second. A delay of 180..299 ticks is drawn on the
// first tick the user has not opted out; only online ticks count towards it.
// On count delay + 5 the page is loaded, on delay + 10 a page still loading
// holds the count back by one (so the check repeats on the next online tick),
// and on delay + 12 the page decides: the window is shown only when the body
// carries the marker. Either way that is the only attempt of the run.
class NewsSchedule {
public:
    // `uniform` returns a number r in [0, 1); the delay is r * 120 + 180,
    // rounded down.
    explicit NewsSchedule(std::function<double()> uniform);

    NewsAction tick(const NewsTick& tick);

    bool finished() const { return m_finished; }
    int popupDelay() const { return m_popupDelay; }
    int popupStep() const { return m_popupStep; }

    static constexpr int NavigateAt = 5;
    static constexpr int BusyCheckAt = 10;
    static constexpr int DecideAt = 12;

private:
    std::function<double()> m_uniform;
    int m_popupDelay = 0;
    int m_popupStep = 0;
    bool m_finished = false;
};

// What the help menu's news command does: load the page unless the window
// already shows a page of the news server, then show the window. It ignores
// the opt-out and the schedule.
struct NewsCommand {
    bool navigate;
    bool show;
};
NewsCommand newsCommand(bool showingNewsServerPage);

}  // namespace kelodi
