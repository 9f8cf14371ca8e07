// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target for the score reader: any bytes must read without a crash, a
// hang or a sanitizer report, every event must be safe to play, and what is
// read must survive the writer and reader unchanged.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/recording/dzq_format.h"
#include "platform/text/system_text_codec.h"

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kelodi;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TextCodec& codec = systemTextCodec();
    const RecordingFile file = parseRecording(bytes, codec);

    check(file.report.linesRead <= MaxRecordingLines);
    check(file.report.skipped.size() <= RecordingFileReport::MaxReportedSkips);
    check(file.report.tempoFactor >= 0.01 && std::isfinite(file.report.tempoFactor));
    for (std::size_t i = 0; i < file.events.size(); ++i) {
        const KeyEvent& event = file.events[i];
        check(std::isfinite(event.delay) && event.delay >= 0);
        check(event.isReleaseAll() || isKeyIndex(event.pressedKey()));
    }

    // Written and read again: the same keys, delays within the three decimals.
    const std::optional<std::string> written = encodeRecording(file.events, codec);
    check(written.has_value());
    const RecordingFile again = parseRecording(*written, codec);
    check(again.events.size() == file.events.size());
    check(again.report.skippedCount == 0);
    for (std::size_t i = 0; i < file.events.size(); ++i) {
        const double delay = file.events[i].delay;
        check(again.events[i].action == file.events[i].action && again.events[i].key == file.events[i].key);
        check(std::fabs(again.events[i].delay - delay) <= 0.0005 + delay * 1.2e-7);
    }
    return 0;
}
