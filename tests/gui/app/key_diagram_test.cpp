// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/key_diagram.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>

#include <map>
#include <set>

#include "core/keyboard/key_map.h"

namespace kelodi {
namespace {

struct Expected {
    int keyIndex;
    int digit;
    int octave;  // -1 dot below, 0 none, 1 one dot above, 2 two dots above
};

// Which number each computer key carries, as a player reads it off the
// picture: row by row, independent of how the key map stores it.
const std::map<QString, Expected>& expectedPlayingKeys()
{
    static const std::map<QString, Expected> keys = {
        {"Q", {0, 1, -1}},  {"W", {2, 2, -1}},  {"E", {4, 3, -1}},  {"R", {5, 4, -1}},
        {"T", {7, 5, -1}},  {"A", {9, 6, -1}},  {"S", {11, 7, -1}}, {"D", {12, 1, 0}},
        {"F", {14, 2, 0}},  {"G", {16, 3, 0}},  {"H", {17, 4, 0}},  {"J", {19, 5, 0}},
        {"K", {21, 6, 0}},  {"L", {23, 7, 0}},  {";", {24, 1, 1}},  {"'", {26, 2, 1}},
        {"U", {28, 3, 1}},  {"I", {29, 4, 1}},  {"O", {31, 5, 1}},  {"P", {33, 6, 1}},
        {"[", {35, 7, 1}},  {"Z", {36, 1, 2}},  {"X", {38, 2, 2}},  {"C", {40, 3, 2}},
        {"V", {41, 4, 2}},  {"B", {43, 5, 2}},
    };
    return keys;
}

const DiagramKey* findKey(const std::vector<DiagramKey>& keys, const QString& name)
{
    for (const DiagramKey& key : keys)
        if (key.name == name)
            return &key;
    return nullptr;
}

TEST(KeyDiagram, EveryPlayingKeyCarriesItsNumberAndOctave)
{
    const std::vector<DiagramKey> keys = KeyDiagram::layoutKeys(KeyMap());
    int playing = 0;
    for (const DiagramKey& key : keys) {
        const auto expected = expectedPlayingKeys().find(key.name);
        if (expected == expectedPlayingKeys().end()) {
            EXPECT_EQ(key.keyIndex, -1) << key.name.toStdString();
            continue;
        }
        ++playing;
        EXPECT_EQ(key.keyIndex, expected->second.keyIndex) << key.name.toStdString();
        EXPECT_EQ(key.digit, expected->second.digit) << key.name.toStdString();
        EXPECT_EQ(key.octave, expected->second.octave) << key.name.toStdString();
        EXPECT_TRUE(key.legend.isEmpty() && key.shifted.isEmpty()) << key.name.toStdString();
    }
    EXPECT_EQ(playing, 26);

    // Keys that play nothing keep their legends; digits show the shifted symbol too.
    for (const char* name : {"Y", "N", "M", "Tab", "Caps", "Enter"}) {
        const DiagramKey* key = findKey(keys, QString::fromLatin1(name));
        ASSERT_NE(key, nullptr) << name;
        EXPECT_FALSE(key->legend.isEmpty()) << name;
    }
    const DiagramKey* one = findKey(keys, QStringLiteral("1"));
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->legend, QStringLiteral("1"));
    EXPECT_EQ(one->shifted, QStringLiteral("!"));
}

TEST(KeyDiagram, KeysAreOrdinarySizeInRowsInsideTheWindowAndNeverOverlap)
{
    const std::vector<DiagramKey> keys = KeyDiagram::layoutKeys(KeyMap());
    const QRect client(0, 0, KeyDiagram::ClientWidth, KeyDiagram::ClientHeight);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        EXPECT_TRUE(client.contains(keys[i].box)) << keys[i].name.toStdString();
        EXPECT_EQ(keys[i].box.height(), KeyDiagram::KeyHeight);
        for (std::size_t j = i + 1; j < keys.size(); ++j)
            EXPECT_FALSE(keys[i].box.intersects(keys[j].box))
                << keys[i].name.toStdString() << " / " << keys[j].name.toStdString();
    }
    for (const auto& [name, expected] : expectedPlayingKeys())
        EXPECT_EQ(findKey(keys, name)->box.size(), QSize(29, 25)) << name.toStdString();

    // The physical stagger: W right of Q, S below W, X below S, 1 above Q.
    const auto box = [&](const char* n) { return findKey(keys, QString::fromLatin1(n))->box; };
    EXPECT_LT(box("Q").right(), box("W").left());
    EXPECT_GT(box("S").top(), box("W").bottom());
    EXPECT_GT(box("X").top(), box("S").bottom());
    EXPECT_LT(box("1").bottom(), box("Q").top());
    EXPECT_EQ(box("A").top(), box("'").top());
}

TEST(KeyDiagram, EachNumberAndItsDotsLieInsideTheirKey)
{
    const std::vector<DiagramKey> keys = KeyDiagram::layoutKeys(KeyMap());
    const QFontMetrics metrics(KeyDiagram::digitFont());
    for (const DiagramKey& key : keys) {
        if (key.keyIndex < 0)
            continue;
        const JianpuGlyph glyph = KeyDiagram::jianpuGlyph(key, metrics);
        const QRect inside = key.box.adjusted(1, 1, -1, -1);  // within the border
        EXPECT_TRUE(inside.contains(glyph.digitInk)) << key.name.toStdString();
        ASSERT_EQ(glyph.dots.size(), static_cast<std::size_t>(std::abs(key.octave)))
            << key.name.toStdString();
        for (const QRectF& dot : glyph.dots) {
            EXPECT_TRUE(QRectF(inside).contains(dot)) << key.name.toStdString();
            EXPECT_FALSE(dot.intersects(QRectF(glyph.digitInk))) << key.name.toStdString();
            if (key.octave > 0)
                EXPECT_LE(dot.bottom(), glyph.digitInk.top()) << key.name.toStdString();
            else
                EXPECT_GE(dot.top(), glyph.digitInk.bottom()) << key.name.toStdString();
        }
    }
}

TEST(KeyDiagram, RedIsPaintedOnEveryPlayingKeyAndNowhereElse)
{
    KeyDiagram* diagram = KeyDiagram::show(nullptr);
    ASSERT_NE(diagram, nullptr);
    EXPECT_EQ(diagram->size(), QSize(511, 307));
    EXPECT_EQ(diagram->windowTitle(), QStringLiteral("琴键位置"));
    const QImage image = diagram->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), QSize(511, 307));

    // Pure red, and its blends with the yellow key face, which keep red at
    // 255; the dark red of the notes blended into the window stays below 230.
    const auto isRed = [](QRgb p) { return qRed(p) >= 230 && qGreen(p) <= 80 && qBlue(p) <= 80; };
    std::map<QString, int> redPerKey;
    int redOutside = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!isRed(image.pixel(x, y)))
                continue;
            const DiagramKey* owner = nullptr;
            for (const DiagramKey& key : diagram->keys())
                if (key.box.contains(x, y))
                    owner = &key;
            if (owner && owner->keyIndex >= 0)
                ++redPerKey[owner->name];
            else
                ++redOutside;
        }
    }
    EXPECT_EQ(redOutside, 0);
    for (const auto& [name, expected] : expectedPlayingKeys())
        EXPECT_GE(redPerKey[name], 8) << name.toStdString();  // a digit, not a stray pixel
    diagram->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(KeyDiagram, OneInstanceThatIsMadeAgainAfterClosing)
{
    QWidget owner;
    KeyDiagram* first = KeyDiagram::show(&owner);
    EXPECT_EQ(KeyDiagram::show(&owner), first);
    EXPECT_TRUE(first->isWindow());
    EXPECT_FALSE(first->isModal());
    EXPECT_EQ(first->parentWidget(), &owner);

    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(KeyDiagram::instance(), nullptr);

    KeyDiagram* second = KeyDiagram::show(&owner);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->isVisible());
    second->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace
}  // namespace kelodi
