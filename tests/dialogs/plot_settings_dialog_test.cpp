#include "window/main_window.h"
#include "dialogs/plot_settings_dialog.h"
#include "window/plot_view.h"
#include "core/sampling_loop.h"
#include "script_prompts.h"
#include "settings/plot_settings_io.h"
#include "settings/settings.h"
#include "stick/device_scan.h"
#include "stick/sim_backend.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <QTest>

#include <gtest/gtest.h>

namespace {

struct PlotDialog : vstest::WindowFixture {
    void start(const QByteArray& ini = {})
    {
        EXPECT_TRUE(ini.isEmpty() || vstest::writeFile(this->ini(), ini));
        bus.plug({5, 9});
        startWindow();
        window->mSettings_Click(1);
    }
    vs::PlotSettingsDialog& d() { return window->plotSettingsDialog(); }
    void enter(QLineEdit* box, const QString& text)
    {
        box->setText(text);
        emit box->textEdited(text);
        vstest::press(box, Qt::Key_Return);
    }
};

TEST_F(PlotDialog, RecordLengthIntervalAndBlueAreKeptInRange)
{
    start();
    EXPECT_EQ(d().windowTitle(), "Settings - Plot");
    EXPECT_TRUE(d().isVisible());
    struct Case {
        const char* text;
        int length;
    } lengths[] = {{"50", 100}, {"40000", 20000}, {"150", 150}};
    for (const Case& c : lengths) {
        enter(d().recordLength(), c.text);
        EXPECT_EQ(plot.RecordLength, c.length) << c.text;
        EXPECT_EQ(d().recordLength()->text(), QString::number(c.length));
        EXPECT_TRUE(plot.hasStore()) << "the buffers follow";
    }
    enter(d().interval(), "1");
    EXPECT_EQ(window->core().sampling().timer().interval(), 250);
    enter(d().interval(), "0.01");
    EXPECT_EQ(window->core().sampling().timer().interval(), 2);
    EXPECT_EQ(d().rangeLabel()->text(), "(0.00s...262.14s)");
    enter(d().interval(), "300");
    EXPECT_EQ(prompts.shown.back(), "Timer range is 0.00s ... 262.14s");
    EXPECT_EQ(window->core().sampling().timer().interval(), 2) << "the timer keeps its interval";

    d().blue()->setText("300");
    EXPECT_EQ(d().blue()->text(), "255");
    d().blue()->setText("250");
    d().findChild<QPushButton*>("CmdLight0")->click();
    EXPECT_EQ(d().blue()->text(), "255");
    EXPECT_EQ(plotSettings.GradientBcomponent, 255);
    d().blue()->setText("-5");
    EXPECT_EQ(d().blue()->text(), "0");
}

TEST_F(PlotDialog, EnterInATextBoxStoresItAndPressesNoButton)
{
    start();
    QCoreApplication::processEvents();
    const uint32_t colour = plot.CurveColor[0];
    prompts.colours.assign(8, std::optional<uint32_t>(0x123456u)); // what a colour dialog would answer
    for (QLineEdit* box : {d().title(0), d().penWidth(), d().blue(), d().interval()}) {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Enter);
    }
    EXPECT_EQ(prompts.colours.size(), 8u) << "no colour dialog came up";
    EXPECT_TRUE(prompts.shown.empty()) << "no message came up";
    EXPECT_EQ(plot.CurveColor[0], colour);
    EXPECT_TRUE(d().isVisible());
    d().title(0)->setFocus();
    d().title(0)->selectAll();
    QTest::keyClicks(d().title(0), "Lab air");
    QTest::keyClick(d().title(0), Qt::Key_Return);
    EXPECT_TRUE(stored().contains("Lab air")) << stored().toStdString();
}

TEST_F(PlotDialog, CurvesTakeColourEnableAndWidthAndStoreThem)
{
    start();
    ASSERT_EQ(d().curves()->count(), 5);
    EXPECT_EQ(d().curves()->itemText(1), "1:Temp");
    d().curves()->setCurrentIndex(1);
    EXPECT_FALSE(d().enable()->isChecked());
    d().enable()->click();
    EXPECT_TRUE(plot.CurveEnabled[1]);
    EXPECT_TRUE(stored().contains("ChEnable%5B1%5D=1") || stored().contains("ChEnable[1]=1")) << stored().toStdString();
    prompts.colours = {0x0000FFu};
    d().pickColour();
    EXPECT_EQ(plot.CurveColor[1], 0x0000FFu);
    EXPECT_TRUE(stored().contains("=255")) << stored().toStdString();
    enter(d().penWidth(), "3");
    EXPECT_EQ(plot.CurvePenWidth[1], 3);
    prompts.colours = {std::nullopt};
    d().pickColour();
    EXPECT_EQ(plot.CurveColor[1], 0x0000FFu) << "cancelled: unchanged";
}

TEST_F(PlotDialog, LabelsFontsAndIntervalSurviveARestart)
{
    // A label stored with bytes that are not printable comes back as escapes.
    start("[Plot]\nLabel1=\xc3\xa9\nReadInterval=2\n");
    EXPECT_EQ(d().title(1)->text(), "\\xE9\\x00");
    EXPECT_DOUBLE_EQ(window->core().sampling().readInterval(), 2) << "kept across runs";

    // A Unicode title file: its first bytes as escapes, drawn as text.
    const QString file = dir.path() + "/title.txt";
    const QString title = QString::fromUtf8("Luft \xe2\x98\xba");
    ASSERT_TRUE(vstest::writeFile(file, QByteArray(reinterpret_cast<const char*>(title.utf16()), title.size() * 2)));
    prompts.openFiles = {file.toStdString()};
    d().importTitle(0);
    EXPECT_EQ(d().title(0)->text().left(8), "\\x4C\\x00");
    EXPECT_EQ(prompts.dialogs.back().title, "Select unicode file load");

    prompts.fonts = {vs::PromptFont{"DejaVu Serif", 14, true, false, false}};
    d().changeFont(1);
    EXPECT_EQ(d().fontLabel(1)->text(), "DejaVu Serif");
    d().check(0)->setChecked(true);
    enter(d().interval(), "0.5");
    d().close();
    EXPECT_FALSE(d().isVisible());
    vstest::keepPicture(*window, "unicode_title.png");

    vs::SettingsStore again;
    vs::Settings reread(again);
    const vs::PlotSettings p = vs::loadPlotSettings(reread);
    EXPECT_EQ(p.FontSet[1].name, "DejaVu Serif");
    EXPECT_TRUE(p.FontSet[1].bold);
    EXPECT_TRUE(p.PlotGrid);
    EXPECT_EQ(p.TitleLines[0], title) << "stored as the text itself";
    EXPECT_DOUBLE_EQ(vs::loadReadInterval(reread), 0.5);
}

} // namespace
