// SPDX-License-Identifier: GPL-3.0-or-later
// The XML half of the MusicXML import: Qt's stream reader walks the document
// once and fills a MusicXmlScore, which core plays out into a song.

#include "platform/import/musicxml_reader.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "core/import/musicxml_score.h"

namespace kelodi {

namespace {

// Entities are refused where they are declared; this bounds what is left
// (the five predefined ones cannot grow).
constexpr int EntityExpansionLimit = 1024;

struct ScorePartInfo {
    std::string name;
    std::string instrument;
    int program = -1;
    int channel = -1;
    QHash<QString, int> unpitched;  // score-instrument id → MIDI note
};

std::optional<int> toInt(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

std::optional<double> toNumber(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? std::optional<double>(value) : std::nullopt;
}

// The first number in a text such as "c. 120" (what <per-minute> may hold).
std::optional<double> firstNumber(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && !text[start].isDigit())
        ++start;
    qsizetype end = start;
    while (end < text.size() && (text[end].isDigit() || text[end] == u'.'))
        ++end;
    return toNumber(text.mid(start, end - start));
}

// Every whole number of an ending's number list ("1, 2"), within the passes
// a repeat can have.
std::vector<int> endingNumbers(const QString& text)
{
    std::vector<int> numbers;
    QString digits;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i].isDigit()) {
            digits += text[i];
            continue;
        }
        if (const std::optional<int> n = toInt(digits); n && *n >= 1 && *n <= MaxRepeatPasses)
            numbers.push_back(*n);
        digits.clear();
    }
    return numbers;
}

// Quarter notes in a <beat-unit>, or 0 for a name MusicXML does not have.
double quarterNotesIn(const QString& unit)
{
    static const QHash<QString, double> Units = {
        {QStringLiteral("maxima"), 32}, {QStringLiteral("long"), 16},     {QStringLiteral("breve"), 8},
        {QStringLiteral("whole"), 4},   {QStringLiteral("half"), 2},      {QStringLiteral("quarter"), 1},
        {QStringLiteral("eighth"), 0.5}, {QStringLiteral("16th"), 0.25},  {QStringLiteral("32nd"), 0.125},
        {QStringLiteral("64th"), 0.0625}, {QStringLiteral("128th"), 0.03125},
    };
    return Units.value(unit.trimmed(), 0);
}

// A note value with its dots: each dot adds half of what the last added.
double dotted(double quarters, int dots)
{
    return quarters * (2.0 - std::pow(0.5, std::clamp(dots, 0, 4)));
}

class ScoreReader {
public:
    explicit ScoreReader(std::string_view bytes)
        : m_xml(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())))
    {
        m_xml.setNamespaceProcessing(false);
        m_xml.setEntityExpansionLimit(EntityExpansionLimit);
    }

    ImportedSong read()
    {
        bool rootSeen = false;
        while (!m_xml.atEnd() && !m_xml.hasError()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            if (token == QXmlStreamReader::DTD && !m_xml.entityDeclarations().isEmpty()) {
                fail(ImportProblem::EntityDeclarations, "the document type declares an entity");
            } else if (token == QXmlStreamReader::StartElement) {
                rootSeen = true;
                if (m_xml.name() == u"score-partwise")
                    readPartwise();
                else if (m_xml.name() == u"score-timewise")
                    fail(ImportProblem::Timewise, "the score is <score-timewise>");
                else
                    fail(ImportProblem::NotMusicXml, "the document is <" + m_xml.name().toString().toStdString() + ">");
            }
        }
        if (m_problem != ImportProblem::None)
            return failedImport(m_problem, m_detail);
        if (m_xml.hasError()) {
            const std::string where = "line " + std::to_string(m_xml.lineNumber()) + ", column " +
                                      std::to_string(m_xml.columnNumber()) + ": " +
                                      m_xml.errorString().toStdString();
            return failedImport(rootSeen ? ImportProblem::Malformed : ImportProblem::NotMusicXml, where);
        }
        if (!rootSeen)
            return failedImport(ImportProblem::NotMusicXml, "the document is empty");
        return musicXmlSong(m_score);
    }

private:
    void fail(ImportProblem problem, const std::string& detail)
    {
        if (m_problem == ImportProblem::None) {
            m_problem = problem;
            m_detail = detail;
        }
        m_xml.raiseError(QString::fromStdString(detail));
    }

    QString text() { return m_xml.readElementText(QXmlStreamReader::SkipChildElements); }

    std::string plainText() { return text().simplified().toStdString(); }

    QString attribute(const char* name) const { return m_xml.attributes().value(QLatin1String(name)).toString(); }

    // Counts one thing read into memory (a note, a cursor move, a mark, an
    // instrument) against MaxImportNotes, so that no file can fill memory
    // with things that are small in the file.
    bool countElement()
    {
        if (++m_elements <= MaxImportNotes)
            return true;
        fail(ImportProblem::TooManyElements, "more than " + std::to_string(MaxImportNotes) + " notes");
        return false;
    }

    void add(MusicXmlMeasure& measure, MusicXmlEvent event)
    {
        if (countElement())
            measure.events.push_back(std::move(event));
    }

    void readPartwise()
    {
        while (m_xml.readNextStartElement()) {
            const QStringView name = m_xml.name();
            if (name == u"work")
                readWork();
            else if (name == u"movement-title") {
                const std::string title = plainText();
                if (m_score.title.empty())
                    m_score.title = title;
            } else if (name == u"part-list")
                readPartList();
            else if (name == u"part")
                readPart();
            else
                m_xml.skipCurrentElement();
        }
    }

    void readWork()
    {
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == u"work-title") {
                const std::string title = plainText();
                if (!title.empty())
                    m_score.title = title;
            } else {
                m_xml.skipCurrentElement();
            }
        }
    }

    void readPartList()
    {
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() != u"score-part") {
                m_xml.skipCurrentElement();
                continue;
            }
            if (m_partInfo.size() >= static_cast<qsizetype>(MaxImportParts)) {
                fail(ImportProblem::TooManyElements, "more than " + std::to_string(MaxImportParts) + " parts");
                return;
            }
            const QString id = attribute("id");
            ScorePartInfo info;
            while (m_xml.readNextStartElement()) {
                const QStringView name = m_xml.name();
                if (name == u"part-name")
                    info.name = plainText();
                else if (name == u"score-instrument")
                    readScoreInstrument(info);
                else if (name == u"midi-instrument")
                    readMidiInstrument(info);
                else
                    m_xml.skipCurrentElement();
            }
            m_partInfo.insert(id, std::move(info));
        }
    }

    void readScoreInstrument(ScorePartInfo& info)
    {
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == u"instrument-name" && info.instrument.empty())
                info.instrument = plainText();
            else
                m_xml.skipCurrentElement();
        }
    }

    void readMidiInstrument(ScorePartInfo& info)
    {
        const QString id = attribute("id");
        while (m_xml.readNextStartElement()) {
            const QString name = m_xml.name().toString();
            if (name != u"midi-channel" && name != u"midi-program" && name != u"midi-unpitched") {
                m_xml.skipCurrentElement();
                continue;
            }
            // MusicXML counts channels, programs and notes from 1.
            const std::optional<int> value = toInt(text());
            if (!value || *value < 1)
                continue;
            if (name == u"midi-channel" && info.channel < 0 && *value <= 16)
                info.channel = *value - 1;
            else if (name == u"midi-program" && info.program < 0 && *value <= 128)
                info.program = *value - 1;
            else if (name == u"midi-unpitched" && *value <= 128 && countElement())
                info.unpitched.insert(id, *value - 1);
        }
    }

    void readPart()
    {
        if (m_score.parts.size() >= MaxImportParts) {
            fail(ImportProblem::TooManyElements, "more than " + std::to_string(MaxImportParts) + " parts");
            return;
        }
        const QString id = attribute("id");
        const ScorePartInfo info = m_partInfo.value(id);
        MusicXmlPart& part = m_score.parts.emplace_back();
        part.name = info.name.empty() ? id.simplified().toStdString() : info.name;
        part.instrument = info.instrument;
        part.program = info.program;
        part.channel = info.channel;
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() != u"measure") {
                m_xml.skipCurrentElement();
                continue;
            }
            if (++m_measures > MaxImportMeasures) {
                fail(ImportProblem::TooManyElements, "more than " + std::to_string(MaxImportMeasures) + " measures");
                return;
            }
            readMeasure(part.measures.emplace_back(), info);
        }
    }

    void readMeasure(MusicXmlMeasure& measure, const ScorePartInfo& info)
    {
        while (m_xml.readNextStartElement()) {
            const QStringView name = m_xml.name();
            if (name == u"attributes") {
                readAttributes(measure);
            } else if (name == u"note") {
                readNote(measure, info);
            } else if (name == u"backup" || name == u"forward") {
                const bool back = name == u"backup";
                int duration = 0;
                while (m_xml.readNextStartElement()) {
                    if (m_xml.name() == u"duration")
                        duration = std::max(0, toInt(text()).value_or(0));
                    else
                        m_xml.skipCurrentElement();
                }
                if (back)
                    add(measure, MusicXmlBackup{duration});
                else
                    add(measure, MusicXmlForward{duration});
            } else if (name == u"direction") {
                readDirection(measure);
            } else if (name == u"sound") {
                if (const std::optional<double> tempo = readSound(measure))
                    add(measure, MusicXmlTempo{*tempo});
            } else if (name == u"barline") {
                readBarline(measure);
            } else {
                m_xml.skipCurrentElement();
            }
        }
    }

    void readAttributes(MusicXmlMeasure& measure)
    {
        bool transposed = false;
        while (m_xml.readNextStartElement()) {
            const QStringView name = m_xml.name();
            if (name == u"divisions") {
                if (const std::optional<int> d = toInt(text()); d && *d > 0)
                    add(measure, MusicXmlDivisions{*d});
            } else if (name == u"key") {
                readKey(measure);
            } else if (name == u"time") {
                readTime(measure);
            } else if (name == u"transpose" && !transposed) {
                // One transposition per staff may be given; the first holds.
                transposed = true;
                int chromatic = 0;
                int octaves = 0;
                while (m_xml.readNextStartElement()) {
                    if (m_xml.name() == u"chromatic")
                        chromatic = std::clamp(toInt(text()).value_or(0), -127, 127);
                    else if (m_xml.name() == u"octave-change")
                        octaves = std::clamp(toInt(text()).value_or(0), -10, 10);
                    else
                        m_xml.skipCurrentElement();
                }
                add(measure, MusicXmlTranspose{chromatic + 12 * octaves});
            } else {
                m_xml.skipCurrentElement();
            }
        }
    }

    void readKey(MusicXmlMeasure& measure)
    {
        std::optional<int> fifths;
        bool minor = false;
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == u"fifths")
                fifths = toInt(text());
            else if (m_xml.name() == u"mode")
                minor = text().trimmed() == u"minor";
            else
                m_xml.skipCurrentElement();
        }
        if (fifths && *fifths >= -7 && *fifths <= 7 && !measure.key)
            measure.key = KeySignature{*fifths, minor};
    }

    void readTime(MusicXmlMeasure& measure)
    {
        std::optional<int> beats;
        std::optional<int> unit;
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == u"beats" && !beats) {
                // "3+2" is five beats.
                int sum = 0;
                for (const QString& term : text().split(u'+')) {
                    const std::optional<int> n = toInt(term);
                    sum = n && *n > 0 && sum <= 1000 ? sum + *n : -1'000'000;
                }
                if (sum > 0)
                    beats = sum;
            } else if (m_xml.name() == u"beat-type" && !unit) {
                unit = toInt(text());
            } else {
                m_xml.skipCurrentElement();
            }
        }
        const bool powerOfTwo = unit && *unit >= 1 && *unit <= 128 && (*unit & (*unit - 1)) == 0;
        if (beats && *beats <= 1000 && powerOfTwo && !measure.time)
            measure.time = TimeSignature{*beats, *unit};
    }

    void readNote(MusicXmlMeasure& measure, const ScorePartInfo& info)
    {
        MusicXmlNote note;
        if (const std::optional<double> dynamics = toNumber(attribute("dynamics")); dynamics && *dynamics >= 0)
            note.dynamics = *dynamics;
        QString instrument;
        double writtenValue = 0;
        int dots = 0;
        while (m_xml.readNextStartElement()) {
            const QStringView name = m_xml.name();
            if (name == u"grace") {
                note.grace = true;
                note.slash = attribute("slash") == u"yes";
                m_xml.skipCurrentElement();
            } else if (name == u"type") {
                writtenValue = quarterNotesIn(text());
            } else if (name == u"dot") {
                ++dots;
                m_xml.skipCurrentElement();
            } else if (name == u"cue") {
                note.cue = true;
                m_xml.skipCurrentElement();
            } else if (name == u"chord") {
                note.chord = true;
                m_xml.skipCurrentElement();
            } else if (name == u"rest") {
                note.rest = true;
                m_xml.skipCurrentElement();
            } else if (name == u"pitch") {
                note.pitch = readPitch(u"step", u"octave");
            } else if (name == u"unpitched") {
                note.unpitched = true;
                note.pitch = readPitch(u"display-step", u"display-octave");
            } else if (name == u"duration") {
                note.duration = std::max(0, toInt(text()).value_or(0));
            } else if (name == u"tie") {
                readTie(note);
            } else if (name == u"instrument") {
                instrument = attribute("id");
                m_xml.skipCurrentElement();
            } else if (name == u"voice") {
                note.voice = toInt(text()).value_or(1);
            } else if (name == u"notations") {
                while (m_xml.readNextStartElement()) {
                    if (m_xml.name() == u"tied")
                        readTie(note);
                    else
                        m_xml.skipCurrentElement();
                }
            } else {
                m_xml.skipCurrentElement();
            }
        }
        if (note.grace)
            note.graceQuarters = dotted(writtenValue, dots);
        if (note.unpitched) {
            const QString id = instrument.isEmpty() && info.unpitched.size() == 1 ? info.unpitched.constBegin().key() : instrument;
            note.pitch = info.unpitched.value(id, note.pitch);
        }
        add(measure, note);
    }

    // <tie> and <tied>: "continue" both ends one tie and starts the next.
    void readTie(MusicXmlNote& note)
    {
        const QString type = attribute("type");
        note.tieStart = note.tieStart || type == u"start" || type == u"continue";
        note.tieStop = note.tieStop || type == u"stop" || type == u"continue";
        m_xml.skipCurrentElement();
    }

    int readPitch(QStringView stepName, QStringView octaveName)
    {
        QString step;
        double alter = 0;
        int octave = -100;
        while (m_xml.readNextStartElement()) {
            const QStringView name = m_xml.name();
            if (name == stepName)
                step = text().trimmed();
            else if (name == u"alter")
                alter = toNumber(text()).value_or(0);
            else if (name == octaveName)
                octave = toInt(text()).value_or(-100);
            else
                m_xml.skipCurrentElement();
        }
        if (step.size() != 1)
            return -1;
        return musicXmlPitch(static_cast<char>(step[0].toLatin1()), alter, octave);
    }

    void readDirection(MusicXmlMeasure& measure)
    {
        std::optional<double> soundTempo;
        std::optional<double> metronome;
        while (m_xml.readNextStartElement()) {
            const QStringView name = m_xml.name();
            if (name == u"direction-type") {
                while (m_xml.readNextStartElement()) {
                    if (m_xml.name() == u"metronome" && !metronome)
                        metronome = readMetronome();
                    else
                        m_xml.skipCurrentElement();
                }
            } else if (name == u"sound") {
                soundTempo = readSound(measure);
            } else {
                m_xml.skipCurrentElement();
            }
        }
        // The sound says how fast it plays; the printed mark stands in
        // where it does not.
        if (const std::optional<double> tempo = soundTempo ? soundTempo : metronome)
            add(measure, MusicXmlTempo{*tempo});
    }

    // Quarter notes per minute of a metronome mark "beat-unit = per-minute";
    // nothing for a mark that sets one note value equal to another.
    std::optional<double> readMetronome()
    {
        double unit = 0;
        int dots = 0;
        std::optional<double> perMinute;
        bool secondUnit = false;
        while (m_xml.readNextStartElement()) {
            const QStringView name = m_xml.name();
            if (name == u"beat-unit") {
                if (unit > 0)
                    secondUnit = true;
                else
                    unit = quarterNotesIn(text());
            } else if (name == u"beat-unit-dot") {
                ++dots;
                m_xml.skipCurrentElement();
            } else if (name == u"per-minute") {
                perMinute = firstNumber(text());
            } else {
                m_xml.skipCurrentElement();
            }
        }
        if (secondUnit || unit <= 0 || !perMinute || *perMinute <= 0)
            return std::nullopt;
        return *perMinute * dotted(unit, dots);
    }

    // The attributes of a <sound>: the marks go to the measure, the loudness
    // becomes an event; its tempo is returned.
    std::optional<double> readSound(MusicXmlMeasure& measure)
    {
        const QXmlStreamAttributes attributes = m_xml.attributes();
        auto names = [&](const char* attributeName, std::vector<std::string>& to) {
            const QLatin1String key(attributeName);
            if (attributes.hasAttribute(key))
                if (countElement())
                    to.push_back(attributes.value(key).toString().trimmed().toStdString());
        };
        names("segno", measure.segno);
        names("coda", measure.coda);
        names("tocoda", measure.toCoda);
        names("dalsegno", measure.dalSegno);
        if (attributes.value(QLatin1String("dacapo")) == u"yes")
            measure.daCapo = true;
        if (attributes.hasAttribute(QLatin1String("fine")))
            measure.fine = true;
        if (const std::optional<double> dynamics = toNumber(attributes.value(QLatin1String("dynamics")).toString());
            dynamics && *dynamics >= 0)
            add(measure, MusicXmlDynamics{*dynamics});
        const std::optional<double> tempo = toNumber(attributes.value(QLatin1String("tempo")).toString());
        m_xml.skipCurrentElement();
        return tempo && *tempo > 0 ? tempo : std::nullopt;
    }

    void readBarline(MusicXmlMeasure& measure)
    {
        while (m_xml.readNextStartElement()) {
            const QStringView name = m_xml.name();
            if (name == u"repeat") {
                if (attribute("direction") == u"forward") {
                    measure.repeatForward = true;
                } else if (attribute("direction") == u"backward") {
                    const std::optional<int> times = toInt(attribute("times"));
                    measure.repeatBackward = times ? std::clamp(*times, 1, MaxRepeatPasses) : 2;
                }
                m_xml.skipCurrentElement();
            } else if (name == u"ending") {
                const QString type = attribute("type");
                if (type == u"start" && measure.endingStart.empty())
                    measure.endingStart = endingNumbers(attribute("number"));
                else if (type == u"stop" || type == u"discontinue")
                    measure.endingStop = true;
                m_xml.skipCurrentElement();
            } else {
                m_xml.skipCurrentElement();
            }
        }
    }

    QXmlStreamReader m_xml;
    MusicXmlScore m_score;
    QHash<QString, ScorePartInfo> m_partInfo;
    std::size_t m_elements = 0;
    std::size_t m_measures = 0;  // of all parts
    ImportProblem m_problem = ImportProblem::None;
    std::string m_detail;
};

}  // namespace

bool hasMusicXmlReader()
{
    return true;
}

ImportedSong readMusicXml(std::string_view bytes)
{
    if (bytes.size() > MaxImportFileBytes)
        return failedImport(ImportProblem::TooLarge);
    return ScoreReader(bytes).read();
}

}  // namespace kelodi
