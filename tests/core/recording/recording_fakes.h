// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/recording/clock.h"
#include "core/recording/key_presser.h"
#include "core/recording/playback_scheduler.h"
#include "core/recording/recording_controller.h"
#include "core/recording/recording_ui.h"

namespace kelodi::test {

// Key path stand-in: a journal of presses and releases with the time they
// happened, and whether each release would have reached the recorder. Releases of all 44 keys are folded into
// one "release-all" entry when they come as one block 0..43.
class JournalKeys : public KeyPresser {
public:
    explicit JournalKeys(const Clock& clock) : m_clock(clock) {}

    struct Entry {
        std::string what;  // "press 5", "release-all"
        double time;
    };

    void pressKey(int key) override
    {
        m_pendingReleases = 0;
        entries.push_back({"press " + std::to_string(key), m_clock.now()});
        if (onPress)
            onPress(key);
    }
    void releaseKey(int key, ReleaseReport report) override
    {
        releaseCalls.push_back(key);
        reported.push_back(m_releasesRecorded && report == ReleaseReport::Reported);
        if (key == 0)
            m_pendingReleases = 0;
        if (key == m_pendingReleases)
            ++m_pendingReleases;
        if (m_pendingReleases == 44) {
            entries.push_back({"release-all", m_clock.now()});
            m_pendingReleases = 0;
        }
    }
    void setReleasesRecorded(bool recorded) override { m_releasesRecorded = recorded; }
    bool releasesRecorded() const override { return m_releasesRecorded; }

    std::vector<std::string> whats() const
    {
        std::vector<std::string> out;
        for (const Entry& e : entries)
            out.push_back(e.what);
        return out;
    }

    std::vector<Entry> entries;
    std::vector<int> releaseCalls;
    std::vector<bool> reported;  // whether each release reached the recorder
    std::function<void(int)> onPress;

private:
    const Clock& m_clock;
    bool m_releasesRecorded = true;
    int m_pendingReleases = 0;
};

// Scheduler stand-in: remembers the one pending request; the test runs it by
// moving the manual clock just past the due time.
class ManualScheduler : public PlaybackScheduler {
public:
    explicit ManualScheduler(ManualClock& clock) : m_clock(clock) {}

    void callAt(double dueTime, std::function<void()> due) override
    {
        m_due = dueTime;
        m_callback = std::move(due);
        ++requests;
    }
    void cancel() override { m_callback = nullptr; }

    bool pending() const { return static_cast<bool>(m_callback); }
    double due() const { return m_due; }

    // Moves the clock `late` seconds past the due time and makes the call.
    // False when nothing was pending.
    bool runNext(double late = 1e-6)
    {
        if (!m_callback)
            return false;
        if (m_clock.now() < m_due + late)
            m_clock.set(m_due + late);
        auto callback = std::move(m_callback);
        m_callback = nullptr;
        callback();
        return true;
    }

    // Runs calls until none is pending or `limit` calls were made.
    int runAll(int limit = 10000)
    {
        int calls = 0;
        while (calls < limit && runNext())
            ++calls;
        return calls;
    }

    int requests = 0;

private:
    ManualClock& m_clock;
    double m_due = 0;
    std::function<void()> m_callback;
};

// The enabled buttons in row order, as a string such as "record play-file",
// so a failure shows the whole row.
inline std::string enabledRow(const RecordingController& c)
{
    std::string row;
    for (const RecorderButtonPlace& place : RecorderButtons) {
        if (!c.isEnabled(place.button))
            continue;
        const char* names[] = {"record", "end", "replay", "stop", "save", "play-file"};
        row += (row.empty() ? "" : " ") + std::string(names[static_cast<std::size_t>(place.button)]);
    }
    return row;
}

class ScriptedUi : public RecordingUi {
public:
    void setButtonEnabled(RecorderButton button, bool enabled) override { enabledStates[button] = enabled; }
    std::optional<std::filesystem::path> chooseSavePath() override
    {
        ++saveDialogs;
        return nextSavePath;
    }
    std::optional<std::filesystem::path> chooseOpenPath() override
    {
        ++openDialogs;
        return nextOpenPath;
    }
    bool askYesNo(std::string_view question) override
    {
        questions.emplace_back(question);
        return answerYes;
    }
    void showMessage(std::string_view text) override { messages.emplace_back(text); }
    bool repeatChecked() const override { return repeat; }

    std::map<RecorderButton, bool> enabledStates;
    std::optional<std::filesystem::path> nextSavePath;
    std::optional<std::filesystem::path> nextOpenPath;
    bool answerYes = true;
    bool repeat = false;
    int saveDialogs = 0;
    int openDialogs = 0;
    std::vector<std::string> questions;
    std::vector<std::string> messages;
};

}  // namespace kelodi::test
