// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/midi/device_catalog.h"

#include "platform/midi/fluidsynth_out.h"
#include "platform/midi/jack_watch.h"
#include "platform/midi/soundfont_search.h"
#include "platform/midi/system_ports.h"

namespace kelodi {

namespace {

constexpr int NoDevice = -2;

// The mapper outside Windows is the embedded synthesizer (or, without one,
// the first system port) under another name; it reports itself the way the
// Windows mapper does: all channels, no voices of its own.
MidiDeviceCaps synthMapperCaps(const MidiDeviceCaps& synth)
{
    MidiDeviceCaps caps;
    caps.productName = "MIDI Mapper";
    caps.technology = MidiTechnology::Mapper;
    caps.channelMask = 0xFFFF;
    caps.driverVersion = synth.driverVersion;
    return caps;
}

}  // namespace

std::string truncateProductName(const std::string& name)
{
    constexpr std::size_t Limit = 31;
    if (name.size() <= Limit)
        return name;
    std::size_t end = Limit;
    // Step back over continuation bytes (10xxxxxx) to the start of the
    // character that does not fit whole.
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    return name.substr(0, end);
}

MidiDeviceCatalog::MidiDeviceCatalog(std::shared_ptr<FluidSynthEngine> synth,
                                     std::unique_ptr<SystemPorts> ports, SynthDiagnosis missingSynth)
    : m_synth(std::move(synth)), m_ports(std::move(ports)), m_missingSynth(std::move(missingSynth))
{
    m_systemMapper = m_ports && m_ports->hasMapper();
    listEntries();
}

void MidiDeviceCatalog::refresh()
{
    listEntries();
}

void MidiDeviceCatalog::listEntries()
{
    m_entries.clear();
    // Where there is no system mapper the synth stands in for it and is
    // listed first; otherwise the system's devices keep their own numbers.
    if (m_synth && !m_systemMapper)
        m_entries.push_back({true, m_synth->caps().productName, 0, m_synth->caps()});
    if (m_ports) {
        for (SystemPortInfo& port : m_ports->list()) {
            int occurrence = 0;
            for (const Entry& earlier : m_entries)
                if (!earlier.synth && earlier.name == port.name)
                    ++occurrence;
            m_entries.push_back({false, std::move(port.name), occurrence, std::move(port.caps)});
        }
    }
    if (m_synth && m_systemMapper)
        m_entries.push_back({true, m_synth->caps().productName, 0, m_synth->caps()});
}

MidiDeviceCatalog::~MidiDeviceCatalog()
{
    if (m_synth)
        m_synth->removeListeners(this);
}

const MidiDeviceCatalog::Entry* MidiDeviceCatalog::entry(int id) const
{
    if (id < 0 || id >= static_cast<int>(m_entries.size()))
        return nullptr;
    return &m_entries[static_cast<std::size_t>(id)];
}

int MidiDeviceCatalog::count() const
{
    return static_cast<int>(m_entries.size());
}

MidiDeviceCaps MidiDeviceCatalog::caps(int id) const
{
    if (id == MidiMapperId) {
        if (m_systemMapper)
            return m_ports->mapperCaps();
        if (m_synth || m_entries.empty())
            return synthMapperCaps(m_synth ? m_synth->caps() : MidiDeviceCaps{});
        return synthMapperCaps(m_entries.front().caps);
    }
    const Entry* e = entry(id);
    return e ? e->caps : MidiDeviceCaps{};
}

std::string MidiDeviceCatalog::deviceName(int id) const
{
    if (id == MidiMapperId)
        return caps(id).productName;
    const Entry* e = entry(id);
    return e ? e->name : std::string();
}

std::unique_ptr<MidiOut> MidiDeviceCatalog::open(int id)
{
    if (id == MidiMapperId) {
        if (m_systemMapper)
            return m_ports->openMapper();
        // Without a synthesizer (no SoundFont) the mapper leads to the first
        // system port, as a mapper leads to the default device: a machine
        // with a MIDI port still plays.
        if (!m_synth)
            return m_entries.empty() ? nullptr : open(0);
        return m_synth->open();
    }
    const Entry* e = entry(id);
    if (!e)
        return nullptr;
    if (e->synth)
        return m_synth->open();
    return m_ports ? m_ports->open(e->name, e->occurrence) : nullptr;
}

int MidiDeviceCatalog::synthDeviceId() const
{
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].synth)
            return static_cast<int>(i);
    return NoDevice;
}

std::string MidiDeviceCatalog::soundFontPath() const
{
    return m_synth ? m_synth->soundFontPath() : std::string();
}

SoundFontState MidiDeviceCatalog::soundFontState() const
{
    return m_synth ? m_synth->state() : SoundFontState::None;
}

bool MidiDeviceCatalog::waitForSoundFont(std::chrono::milliseconds timeout) const
{
    return m_synth && m_synth->waitForLoad(timeout);
}

void MidiDeviceCatalog::onSoundFontLoaded(std::function<void(bool)> done)
{
    if (!done)
        return;
    if (!m_synth) {
        done(false);
        return;
    }
    m_synth->addLoadListener(this, std::move(done));
}

std::string MidiDeviceCatalog::audioOutput() const
{
    return m_synth ? m_synth->audioOutput() : std::string();
}

std::string MidiDeviceCatalog::synthProblem() const
{
    return describeSynthProblem(synthDiagnosis());
}

SynthDiagnosis MidiDeviceCatalog::synthDiagnosis() const
{
    return m_synth ? m_synth->diagnosis() : m_missingSynth;
}

std::string MidiDeviceCatalog::portApi() const
{
    return m_ports ? m_ports->apiName() : std::string();
}

std::unique_ptr<MidiDeviceCatalog> createMidiDeviceList(const MidiSetup& setup)
{
    JackWatch::quietLibraryMessages();
    std::string soundFont;
    SynthDiagnosis problem;
    if (!hasEmbeddedSynth()) {
        problem.problem = SynthDiagnosis::Problem::NotInBuild;
    } else if (!setup.soundFont.empty()) {
        // A SoundFont the user named is used or nothing is: quietly taking
        // another one would hide the mistake.
        if (isSoundFont(setup.soundFont)) {
            soundFont = setup.soundFont;
        } else {
            problem.problem = SynthDiagnosis::Problem::UnusableSoundFont;
            problem.soundFont = setup.soundFont;
        }
    } else {
        soundFont = findSoundFont(setup.programFolder);
        if (soundFont.empty()) {
            problem.problem = SynthDiagnosis::Problem::NoSoundFont;
            problem.searched = soundFontSearchPlaces(setup.programFolder);
        }
    }
    std::shared_ptr<FluidSynthEngine> synth;
    if (!soundFont.empty())
        synth = FluidSynthEngine::acquire({soundFont, setup.audioDriver, setup.audioFile});
    return std::make_unique<MidiDeviceCatalog>(std::move(synth), createSystemPorts(), problem);
}

std::vector<std::string> availableAudioDrivers()
{
    return FluidSynthEngine::availableAudioDrivers();
}

}  // namespace kelodi
