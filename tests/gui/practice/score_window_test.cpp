// SPDX-License-Identifier: GPL-3.0-or-later
// The score window as a player meets it: the song's name in the header, the
// time signature chosen for each song file and kept for it, the practice's
// marks drawn on the notes.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QTest>

#include "core/practice/score.h"
#include "core/recording/recording_controller.h"
#include "core/text/utf8.h"
#include "gui/app/main_window_fixture.h"
#include "gui/practice/practice_panel.h"
#include "gui/practice/score_view.h"
#include "gui/practice/score_window.h"
#include "gui/recording/recording_panel.h"

namespace kelodi {
namespace {

class ScoreWindowTest : public test::MainWindowFixture {
protected:
    ScoreWindow& scoreWindow() { return *window->practice().scoreWindow(); }
    ScoreView& view() { return *scoreWindow().view(); }

    // A jianpu song of six beats in the fixture's folder.
    std::filesystem::path writeSong(const QString& name)
    {
        const QString path = folder.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("简谱倍数:0.01\n音符比例:0.8\n音符最长:2\n1,1|2,1|3,1|4,1|5,1|6,1\n");
        file.close();
        return pathFromUtf8(path.toStdString());
    }
    void play(const std::filesystem::path& song)
    {
        ASSERT_EQ(window->recording().controller().playListedRecording(song), PlayFileOutcome::Played);
    }
    // The bars as their glyph counts.
    std::vector<std::size_t> barSizes()
    {
        std::vector<std::size_t> sizes;
        for (const JianpuBar& bar : view().jianpu().bars)
            sizes.push_back(bar.count);
        return sizes;
    }
    void choose(const QString& time)
    {
        QComboBox* box = scoreWindow().timeSignatureBox();
        const int index = box->findText(time);
        ASSERT_GE(index, 0);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
};

TEST_F(ScoreWindowTest, KeepsTheTimeSignatureChosenForEachSongFile)
{
    const std::filesystem::path waltz = writeSong(QStringLiteral("圆舞曲.dzq"));
    const std::filesystem::path march = writeSong(QStringLiteral("进行曲.dzq"));
    play(waltz);
    EXPECT_EQ(view().headerText(), QStringLiteral("1=C 4/4  圆舞曲"));
    EXPECT_EQ(barSizes(), (std::vector<std::size_t>{4, 2}));

    choose(QStringLiteral("3/4"));
    EXPECT_EQ(view().headerText(), QStringLiteral("1=C 3/4  圆舞曲"));
    EXPECT_EQ(barSizes(), (std::vector<std::size_t>{3, 3}));

    play(march);
    EXPECT_EQ(scoreWindow().timeSignatureBox()->currentText(), QStringLiteral("4/4"));
    EXPECT_EQ(view().headerText(), QStringLiteral("1=C 4/4  进行曲"));
    choose(QStringLiteral("6/8"));
    EXPECT_EQ(barSizes(), (std::vector<std::size_t>{6}));

    play(waltz);
    EXPECT_EQ(scoreWindow().timeSignatureBox()->currentText(), QStringLiteral("3/4"));
    EXPECT_EQ(barSizes(), (std::vector<std::size_t>{3, 3}));
    play(march);
    EXPECT_EQ(view().headerText(), QStringLiteral("1=C 6/8  进行曲"));
}

// A mark (a practice grade) colours the note's cell; the highlight of the
// note being played lies over it; a new score takes the marks away.
TEST_F(ScoreWindowTest, DrawsANoteMarkUntilTheNextScore)
{
    play(writeSong(QStringLiteral("歌.dzq")));
    view().resize(600, 300);
    const QColor green(40, 160, 60);
    view().setNoteMark(2, green);
    EXPECT_EQ(view().noteMark(2), green);
    const QRect cell = view().noteRect(2);
    const QImage image = view().grab().toImage();
    const QColor ground = image.pixelColor(cell.left() + 3, cell.top() + 8);
    EXPECT_EQ(ground.name(), green.lighter(170).name());
    const QColor plain = image.pixelColor(view().noteRect(1).left() + 3, cell.top() + 8);
    EXPECT_EQ(plain.name(), QStringLiteral("#ffffff"));

    play(writeSong(QStringLiteral("歌.dzq")));
    EXPECT_FALSE(view().noteMark(2).isValid());
}

// A click on a note's digit or dash names it, for practice to start there.
TEST_F(ScoreWindowTest, TellsTheNoteClickedWithItsModifiers)
{
    play(writeSong(QStringLiteral("歌.dzq")));
    view().resize(600, 300);
    std::vector<std::pair<std::size_t, Qt::KeyboardModifiers>> clicks;
    QObject::connect(&view(), &ScoreView::noteClicked,
                     [&](std::size_t note, Qt::KeyboardModifiers modifiers) { clicks.emplace_back(note, modifiers); });
    QTest::mouseClick(&view(), Qt::LeftButton, Qt::ShiftModifier, view().noteRect(3).center());
    QTest::mouseClick(&view(), Qt::LeftButton, {}, QPoint(2, 2));  // the margin
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0].first, 3u);
    EXPECT_EQ(clicks[0].second, Qt::ShiftModifier);
}

}  // namespace
}  // namespace kelodi
