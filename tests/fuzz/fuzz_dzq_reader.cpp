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

    check(file.events.eventDelays.size() == file.events.eventKeys.size());
    check(file.report.linesRead <= MaxRecordingLines);
    check(file.report.skipped.size() <= RecordingFileReport::MaxReportedSkips);
    check(file.report.tempoFactor >= 0.01 && std::isfinite(file.report.tempoFactor));
    for (std::size_t i = 0; i < file.events.size(); ++i) {
        const float delay = file.events.eventDelays[i];
        const float key = file.events.eventKeys[i];
        check(std::isfinite(delay) && delay >= 0);
        check(key == static_cast<float>(ReleaseMarker) || (key >= 0 && key < KeyCount && key == std::floor(key)));
    }

    // Written and read again: the same keys, delays within the three decimals.
    const std::optional<std::string> written = encodeRecording(file.events, codec);
    check(written.has_value());
    const RecordingFile again = parseRecording(*written, codec);
    check(again.events.eventKeys == file.events.eventKeys);
    check(again.report.skippedCount == 0);
    for (std::size_t i = 0; i < file.events.size(); ++i) {
        const double delay = file.events.eventDelays[i];
        check(std::fabs(again.events.eventDelays[i] - delay) <= 0.0005 + delay * 1.2e-7);
    }
    return 0;
}
