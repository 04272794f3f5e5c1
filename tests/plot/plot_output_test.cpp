#include "plot/plot_output.h"
#include "plot/plot_renderer.h"
#include "plot/plot_text_box.h"
#include "plot_fixture.h"
#include "script_prompts.h"

#include <QImageReader>
#include <QMimeData>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using vstest::PlotFixture;

TEST(PlotOutput, DataTextHoldsOnlyWrittenSlots)
{
    PlotFixture f;
    const int s = f.addStick({"a", "b"});
    f.build(100);
    f.setValues(s, {23.5, -1});
    vs::Nymdata2plot(f.plot, f.link, "10:00:00");
    EXPECT_EQ(vs::plot_DataText(f.plot), "10:00:00 \t23.5\t -1\t \r\n");
    f.setValues(s, {1, 2});
    vs::Nymdata2plot(f.plot, f.link, "10:00:01\nsecond line");
    f.plot.CurveEnabled[0] = false;
    EXPECT_EQ(vs::plot_DataText(f.plot), "10:00:00 \t-1\t \r\n10:00:01 \tsecond line \t2\t \r\n");
}

TEST(PlotTextBox, CountdownDrawsThenHides)
{
    vs::PlotTextBox box;
    box.Winprint_init();
    QImage img = vs::makePlotImage(400, 300);
    const QFont font("Sans", 9);
    box.WinPrint("Sensor 0: Reading...\n");
    box.gbWinMessage_TimesToPlot = 3;
    img.fill(Qt::white);
    box.WinPrint_Replot(img, font);
    EXPECT_NE(img.pixelColor(200, 150), QColor(Qt::white)) << "drawn, countdown 2";
    img.fill(Qt::white);
    box.WinPrint_Replot(img, font);
    EXPECT_EQ(img.pixelColor(200, 150), QColor(Qt::white)) << "countdown 1: nothing drawn";
    EXPECT_TRUE(box.TextVisible);
    box.WinPrint_Replot(img, font);
    EXPECT_FALSE(box.TextVisible);

    EXPECT_TRUE(box.WinPrint(QString(QChar(12))));
    EXPECT_TRUE(box.TextBuffer.isEmpty());
    EXPECT_FALSE(box.TextVisible);
}

TEST(PlotTextBox, TooManyLinesScrollTheOldestAway)
{
    vs::PlotTextBox box;
    QImage img = vs::makePlotImage(300, 60);
    const QFont font("Sans", 9);
    for (int i = 0; i < 10; ++i)
        box.WinPrint(QString("line %1\n").arg(i));
    const int before = static_cast<int>(box.TextBuffer.count('\n'));
    box.WinPrint_Replot(img, font);
    EXPECT_EQ(box.TextBuffer.count('\n'), before - 1);
    EXPECT_TRUE(box.TextBuffer.startsWith("line 1\n"));
    int fill = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            fill += img.pixelColor(x, y) == QColor(250, 250, 250);
    EXPECT_GT(fill, 100) << "the box is drawn";
}

struct SaveFixture : PlotFixture {
    QTemporaryDir dir;
    vstest::ScriptPrompts prompts;
    vs::ViewSaver saver{prompts, clock, dir.path() + "/Views"};
    QImage picture = vs::makePlotImage(64, 32);
    std::function<QImage()> draw = [this] { return picture; };
};

TEST(PlotOutput, SaveViewWritesBitmapsAndPngsAndSaysAFolderThatCannotBeWritten)
{
    SaveFixture f;
    f.clock.set({2011, 2, 14, 9, 0, 0, 0});
    f.picture.fill(Qt::red);
    const QString bmp = f.dir.path() + "/a.bmp";
    f.prompts.files = {(f.dir.path() + "/missing/folder/x.bmp").toStdString(), bmp.toStdString(),
                       (f.dir.path() + "/b.png").toStdString(), std::nullopt};
    EXPECT_TRUE(f.saver.SaveView(f.draw).isEmpty());
    ASSERT_EQ(f.prompts.shown.size(), 1u);
    EXPECT_EQ(f.prompts.shown[0].rfind("Error saving file: \r\n\r\n", 0), 0u);
    EXPECT_EQ(f.prompts.icons[0], vs::Prompts::Icon::Critical);
    EXPECT_FALSE(f.saver.ViewSaved());

    EXPECT_EQ(f.saver.SaveView(f.draw), bmp);
    ASSERT_EQ(f.prompts.dialogs.size(), 2u);
    EXPECT_EQ(f.prompts.dialogs[1].proposedName, "view110214.bmp") << "a failed save does not count";
    EXPECT_EQ(QImageReader(bmp).format(), "bmp");
    EXPECT_EQ(QImage(bmp).pixelColor(3, 3), QColor(Qt::red));
    EXPECT_TRUE(f.saver.ViewSaved());

    EXPECT_FALSE(f.saver.SaveView(f.draw).isEmpty());
    EXPECT_EQ(QImageReader(f.dir.path() + "/b.png").format(), "png");
    EXPECT_EQ(f.prompts.dialogs[2].folder, f.dir.path().toStdString()) << "later saves start where the last one was";
    EXPECT_TRUE(f.prompts.dialogs[2].proposedName.empty());

    EXPECT_TRUE(f.saver.SaveView(f.draw).isEmpty()); // cancelled
    EXPECT_EQ(f.prompts.shown.size(), 1u);
}

TEST(PlotOutput, CopyGraphHoldsTextAndPictureOnWhite)
{
    PlotFixture f;
    const int s = f.addStick({"a"});
    f.build(100);
    f.setValues(s, {23.5});
    vs::Nymdata2plot(f.plot, f.link, "12:00:00");
    f.plot.BackColor = vs::rgb(0, 0, 0);
    vs::Rgb backWhileDrawing = 0;
    std::unique_ptr<QMimeData> mime(vs::copyGraphData(f.plot, [&] {
        backWhileDrawing = f.plot.BackColor;
        return vs::makePlotImage(10, 10);
    }));
    EXPECT_EQ(mime->text(), "12:00:00 \t23.5\t \r\n");
    EXPECT_TRUE(mime->hasImage());
    EXPECT_EQ(backWhileDrawing, vs::rgb(255, 255, 255));
    EXPECT_EQ(f.plot.BackColor, vs::rgb(0, 0, 0));
}

} // namespace
