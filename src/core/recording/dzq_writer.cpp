// SPDX-License-Identifier: GPL-3.0-or-later
// Writing scores as key-name .dzq files.
#include "core/recording/dzq_format.h"

#include <algorithm>

#include "core/recording/dzq_syntax.h"
#include "core/recording/file_io.h"
#include "core/text/text_codec.h"

namespace kelodi {

using dzq::isStorableDelay;
using dzq::KeyNameHeader;
using dzq::ReleaseWord;

namespace {

void appendCrLf(std::string& text)
{
    text += "\r\n";
}

}  // namespace

std::string formatRecordingText(const RecordingEvents& events, const SongInfo& info)
{
    std::string text;
    text.reserve(16 + events.size() * 16);
    text += KeyNameHeader;
    text += '1';
    appendCrLf(text);
    if (!info.empty()) {
        text += songInfoLine(info);
        appendCrLf(text);
    }
    for (std::size_t i = 0; i < events.size(); ++i) {
        const KeyEvent& event = events[i];
        text += formatDelay(event.delay);
        text += " , ";
        if (event.isReleaseAll()) {
            text += ReleaseWord;
        } else {
            // Key names are padded to four characters so the columns line
            // up; the release word is left as it is.
            std::string name = keyName(event.key);
            name.resize(std::max<std::size_t>(name.size(), 4), ' ');
            text += name;
        }
        text += " | ";
        if ((i + 1) % 4 == 0)
            appendCrLf(text);
    }
    appendCrLf(text);
    return text;
}

std::optional<std::string> encodeRecording(const RecordingEvents& events, const TextCodec& codec,
                                           std::string* error)
{
    return encodeRecording(events, SongInfo{}, codec, error);
}

std::optional<std::string> encodeRecording(const RecordingEvents& events, const SongInfo& info,
                                           const TextCodec& codec, std::string* error)
{
    auto refuse = [error](std::string text) -> std::optional<std::string> {
        if (error)
            *error = std::move(text);
        return std::nullopt;
    };
    if (events.size() > MaxRecordingEvents)
        return refuse(std::to_string(events.size()) + " events are more than a score file holds (" +
                      std::to_string(MaxRecordingEvents) + ")");
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (!isStorableDelay(events[i].delay))
            return refuse("event " + std::to_string(i + 1) + " waits " + formatDelay(events[i].delay) +
                          " s; a score file holds delays from 0 to 86400 s");
    }
    std::optional<std::string> bytes = codec.utf8ToGbk(formatRecordingText(events, info));
    if (!bytes)
        return refuse("the text cannot be encoded as GBK");
    if (bytes->size() > MaxRecordingFileBytes)
        return refuse(std::to_string(bytes->size()) + " bytes are more than a score file holds (" +
                      std::to_string(MaxRecordingFileBytes) + ")");
    return bytes;
}

bool writeRecordingFile(const std::filesystem::path& path, const RecordingEvents& events, const TextCodec& codec,
                        const FileSaver& saver, std::string* error, FileWriteFailure* failure)
{
    return writeRecordingFile(path, events, SongInfo{}, codec, saver, error, failure);
}

bool writeRecordingFile(const std::filesystem::path& path, const RecordingEvents& events, const SongInfo& info,
                        const TextCodec& codec, const FileSaver& saver, std::string* error, FileWriteFailure* failure)
{
    const std::optional<std::string> bytes = encodeRecording(events, info, codec, error);
    if (!bytes) {
        if (failure)
            *failure = FileWriteFailure::Other;
        return false;
    }
    return saver.save(path, *bytes, error, failure);
}

}  // namespace kelodi
