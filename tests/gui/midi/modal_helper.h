// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace kelodi::test {

// Arranges for `act` to run on the next modal window once its loop runs,
// then closes that window if `act` left it open. seen() tells how often it
// ran. It looks for the window for about `patienceMs` of running event loop.
// The state lives in a shared block, so the object may be copied; the watch
// ends with the last copy, so a watch that saw nothing cannot act on a later
// test's window (or on the locals its `act` refers to).
class NextModal {
public:
    explicit NextModal(std::function<void(QWidget&)> act, int patienceMs = 30000)
        : m_state(std::make_shared<State>())
    {
        m_state->act = std::move(act);
        m_state->maxTries = patienceMs / 5;
        poll(m_state);
    }
    int seen() const { return m_state->seen; }

private:
    struct State {
        std::function<void(QWidget&)> act;
        int seen = 0;
        int tries = 0;
        int maxTries = 400;
    };

    static void poll(const std::shared_ptr<State>& watched)
    {
        std::weak_ptr<State> weak = watched;
        QTimer::singleShot(watched->tries == 0 ? 0 : 5, [weak] {
            const std::shared_ptr<State> state = weak.lock();
            if (!state)
                return;
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) {
                if (++state->tries < state->maxTries)
                    poll(state);
                return;
            }
            ++state->seen;
            state->act(*modal);
            if (modal->isVisible())
                modal->close();
        });
    }

    std::shared_ptr<State> m_state;
};

}  // namespace kelodi::test
