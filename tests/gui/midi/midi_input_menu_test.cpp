// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/midi/midi_input_menu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>

#include <map>
#include <thread>

#include "core/keyboard/keyboard_rig.h"
#include "core/keyboard/midi_keyboard.h"
#include "core/midi/midi_in.h"
#include "gui/midi/midi_menus.h"
#include "gui/midi/modal_helper.h"

namespace kelodi {
namespace {

// Input ports whose handlers the test calls itself.
struct FakeInputs : MidiInputList {
    struct Port : MidiIn {
        explicit Port(FakeInputs& owner) : owner(owner) {}
        void close() override { owner.handler = nullptr; }
        bool disconnected() const override { return owner.gone; }
        FakeInputs& owner;
    };
    std::string apiName() const override { return "Fake"; }
    std::vector<std::string> names() override { return ports; }
    std::unique_ptr<MidiIn> open(const std::string& name, MidiInputHandler h) override
    {
        opened.push_back(name);
        if (std::find(ports.begin(), ports.end(), name) == ports.end())
            return nullptr;
        handler = std::move(h);
        gone = false;
        return std::make_unique<Port>(*this);
    }
    void play(std::initializer_list<std::uint8_t> bytes)
    {
        const std::vector<std::uint8_t> b(bytes);
        handler(b.data(), b.size());
    }

    std::vector<std::string> ports{"kbd:out", "pad & co"};
    std::vector<std::string> opened;
    MidiInputHandler handler;
    bool gone = false;
};

struct MidiInputMenuTest : ::testing::Test {
    QStringList items() const
    {
        QStringList texts;
        for (QAction* action : input->menu()->actions())
            texts << (action->isChecked() ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) + action->text();
        return texts;
    }
    QString remembered() const
    {
        QFile file(choice);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<none>");
    }

    test::KeyboardRig rig;
    MidiKeyboard keyboard{rig.midi.port, rig.panel, rig.keys};
    FakeInputs inputs;
    QTemporaryDir folder;
    QString choice = folder.filePath(QStringLiteral("midi-input.txt"));
    QWidget window;
    QMenu devices;
    std::unique_ptr<MidiInputMenu> input = std::make_unique<MidiInputMenu>(&devices, inputs, keyboard, choice, &window);
};

TEST_F(MidiInputMenuTest, ListsNoneAndEveryPortTicksTheOneInUseAndTheNextStartTakesItUpByName)
{
    EXPECT_EQ(input->menu()->title(), QStringLiteral("MIDI输入(&I)"));
    EXPECT_TRUE(input->start(QString()));
    EXPECT_EQ(items(), (QStringList{"[x] 无", "[ ] kbd:out", "[ ] pad && co"}));

    inputs.ports.push_back("late:out");  // plugged in after start
    emit devices.aboutToShow();
    input->menu()->actions().at(3)->trigger();
    EXPECT_EQ(items(), (QStringList{"[ ] 无", "[ ] kbd:out", "[ ] pad && co", "[x] late:out"}));
    EXPECT_EQ(remembered(), QStringLiteral("late:out\n"));

    // The next start: not there, then there.
    input.reset();
    inputs.ports = {"kbd:out"};
    inputs.opened.clear();
    input = std::make_unique<MidiInputMenu>(&devices, inputs, keyboard, choice, &window);
    EXPECT_TRUE(input->start(QString()));
    EXPECT_TRUE(inputs.opened.empty());
    EXPECT_EQ(remembered(), QStringLiteral("late:out\n")) << "kept for the day it is back";
    input.reset();
    inputs.ports.push_back("late:out");
    input = std::make_unique<MidiInputMenu>(&devices, inputs, keyboard, choice, &window);
    EXPECT_TRUE(input->start(QString()));
    EXPECT_EQ(input->current(), "late:out");

    // The command line wins, and is not remembered.
    input.reset();
    input = std::make_unique<MidiInputMenu>(&devices, inputs, keyboard, choice, &window);
    EXPECT_TRUE(input->start(QStringLiteral("kbd:out")));
    EXPECT_EQ(input->current(), "kbd:out");
    EXPECT_FALSE(input->start(QStringLiteral("nowhere:out")));
    EXPECT_EQ(remembered(), QStringLiteral("late:out\n"));
}

TEST_F(MidiInputMenuTest, AKeyboardThatGoesAwayHasItsNotesReleasedAndIsReportedOnce)
{
    ASSERT_TRUE(input->start(QStringLiteral("kbd:out")));
    inputs.play({0x90, 60, 50});
    inputs.play({0x91});  // a message in two pieces
    inputs.play({62, 70});
    input->deliverPending();
    EXPECT_EQ(rig.messages(), (std::vector<ShortMessage>{0x323C90, 0x463E90}));

    QString text;
    int boxes = 0;
    test::NextModal box([&](QWidget& modal) {
        ++boxes;
        if (auto* message = qobject_cast<QMessageBox*>(&modal))
            text = message->text();
    });
    inputs.gone = true;
    input->checkDevice();
    input->checkDevice();
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(text, QStringLiteral("MIDI输入设备已断开。"));
    EXPECT_EQ(rig.messages(), (std::vector<ShortMessage>{0x323C90, 0x463E90, 0x3C80, 0x3E80}));
    EXPECT_EQ(items(), (QStringList{"[x] 无", "[ ] kbd:out", "[ ] pad && co"}));
}

// A note sounds from the port's own thread while the window thread is busy
// (here: waiting for that thread), on the channel the panel showed last; its
// key lights only when the window thread gets to it.
TEST_F(MidiInputMenuTest, ANoteSoundsFromThePortsThreadWhileTheWindowIsBusyAndItsKeyLightsLater)
{
    ASSERT_TRUE(input->start(QStringLiteral("kbd:out")));
    rig.panel.selectChannel(3);
    rig.recorder.events.clear();
    rig.messages().clear();
    std::thread port([&] { inputs.play({0x90, 60, 50}); });
    port.join();
    EXPECT_EQ(rig.messages(), (std::vector<ShortMessage>{0x323C93}));
    EXPECT_TRUE(rig.view.colours.empty()) << "the window has not shown it yet";
    EXPECT_TRUE(rig.recorder.events.empty());

    QCoreApplication::processEvents();
    EXPECT_EQ(rig.view.colours, (std::map<int, std::uint32_t>{{24, KeyColour::Red}}));
    EXPECT_EQ(rig.recorder.events, (std::vector<int>{24}));
}

// The device menu asks for the outputs again each time it opens.
TEST(DeviceMenuQtRefresh, AnOutputCreatedAfterStartIsListedWhenTheMenuOpens)
{
    struct GrowingDevices : test::RecordingDeviceList {
        int count() const override { return n; }
        MidiDeviceCaps caps(int id) const override
        {
            MidiDeviceCaps caps;
            caps.productName = id == -1 ? "Mapper" : "Port " + std::to_string(id);
            return caps;
        }
        void refresh() override { n = next; }
        int n = 1;
        int next = 1;
    } outputs;
    MidiPort port(outputs);
    port.open(MidiMapperId);
    QWidget window;
    QMenu menu;
    DeviceMenuQt qtMenu(&menu, port, nullptr, &window);
    qtMenu.item(1)->trigger();
    outputs.next = 2;
    emit menu.aboutToShow();
    QStringList texts;
    for (QAction* action : menu.actions())
        texts << (action->isChecked() ? QStringLiteral("[x] ") : QString()) + action->text();
    EXPECT_EQ(texts, (QStringList{"MIDI映射表(&Y)", "[x] Port 0", "Port 1", "", "设备信息(&S)"}));
}

}  // namespace
}  // namespace kelodi
