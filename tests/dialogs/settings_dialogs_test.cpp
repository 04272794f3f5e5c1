#include "dialogs/advanced_dialog.h"
#include "dialogs/alerts_dialog.h"
#include "dialogs/history_dialog.h"
#include "history/history_reader.h"
#include "history/history_writer.h"
#include "sim_sticks.h"
#include "window/main_window.h"
#include "window/plot_view.h"
#include "core/sampling_loop.h"
#include "core/warning_knobs.h"
#include "script_prompts.h"
#include "settings/settings.h"
#include "stick/config_read.h"
#include "stick/device_scan.h"
#include "stick/knob_flag.h"
#include "stick/sim_backend.h"
#include "stick/sim_stick.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"
#include "wait_for.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(WarningKnobs, WarnInAnyCaseTheLabelAsWritten)
{
    vstest::SimSticks sticks;
    ASSERT_TRUE(sticks.attach({{5, 9}}));
    auto& [clock, link, sims] = sticks;
    EXPECT_EQ(vs::FindWarningLevelKnob(link, 1, 0), 0);
    EXPECT_EQ(vs::FindWarningLevelKnob(link, 2, 0), 1);
    link.slot(0)->Knobs[0].Name = "CO2eq_WARN1";
    link.slot(0)->Knobs[1].Name = "co2eq_warn2"; // the label's case differs: not this channel's
    EXPECT_EQ(vs::FindWarningLevelKnobInChannel(link, 1, 0, 0), 0);
    EXPECT_EQ(vs::FindWarningLevelKnobInChannel(link, 2, 0, 0), -1);
    EXPECT_EQ(vs::FindWarningLevelKnob(link, 2, 0), -1);

    // A level without a knob: SetKnob changes nothing and sends nothing.
    vstest::ScriptPrompts prompts;
    const size_t sent = sims[0]->commands().size();
    EXPECT_FALSE(vs::SetKnob(link, prompts, 0, -1, "1200"));
    EXPECT_EQ(sims[0]->commands().size(), sent);
    EXPECT_TRUE(prompts.shown.empty());
}

struct Dialogs : vstest::WindowFixture {
    void start(int sticks)
    {
        for (int i = 0; i < sticks; ++i)
            bus.plug({5, 9});
        startWindow();
    }
    long sent(int stick, const std::string& command)
    {
        const auto& c = bus.stick("sim:" + std::to_string(stick))->commands();
        return std::count(c.begin(), c.end(), command);
    }
};

TEST_F(Dialogs, AlertsStoreTheirBoxesAtOnceAndSendThresholdsToTheStick)
{
    start(1);
    window->mSettings_Click(2);
    vs::AlertsDialog& d = window->alerts();
    ASSERT_TRUE(d.isVisible());
    EXPECT_EQ(d.windowTitle(), "Settings - Alerts");
    EXPECT_EQ(d.level(0)->text(), "1000");
    EXPECT_EQ(d.levelLabel(1)->text(), "CO2eq_warn2 (0...5000)");

    d.box(1)->setChecked(true);
    EXPECT_TRUE(stored().contains("WarningSounds=1")) << stored().toStdString();
    d.message(0)->setText("Open a window");
    EXPECT_FALSE(stored().contains("Open a window")) << "not without Enter";
    vstest::press(d.message(0), Qt::Key_Return);
    EXPECT_TRUE(stored().contains("Open a window"));

    d.level(0)->setText("6000");
    vstest::press(d.level(0), Qt::Key_Return);
    EXPECT_EQ(prompts.shown.back(), "Value outside limits, not changed.");
    EXPECT_EQ(bus.stick("sim:0")->firmware().knobs()[0].raw, 1000) << "nothing sent";

    d.level(0)->setText("1200");
    d.level(1)->setText("1800");
    vstest::press(d.level(1), Qt::Key_Return);
    EXPECT_EQ(bus.stick("sim:0")->firmware().knobs()[0].raw, 1200);
    EXPECT_EQ(bus.stick("sim:0")->firmware().knobs()[1].raw, 1800);
    EXPECT_EQ(plot.WarnLevels, (std::vector<double>{1200, 1800})) << "the level lines move";

    // An edit left without Enter is sent when the dialog closes.
    d.level(0)->setText("900");
    emit d.level(0)->textEdited("900");
    d.close();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(bus.stick("sim:0")->firmware().knobs()[0].raw, 900);
}

TEST_F(Dialogs, ASettingsFileThatCannotBeWrittenIsSaidOnceAndTheValueStays)
{
    start(1);
    // A folder where the settings file should be: nothing can be written there.
    QFile::remove(ini());
    ASSERT_TRUE(QDir().mkpath(ini()));
    vs::AlertsDialog& d = window->alerts();
    d.box(0)->setChecked(false);
    d.box(1)->setChecked(true);
    const QString text = window->plotView().textBox().TextBuffer;
    EXPECT_EQ(text.count("Settings could not be saved"), 1) << text.toStdString();
    EXPECT_FALSE(d.box(0)->isChecked());
    EXPECT_TRUE(d.box(1)->isChecked());
}

} // namespace

// Settings > History...: each level kept at least as long as the finer one,
// OK starts the history again from what was stored, and a backup is taken
// while the history is written.
TEST_F(Dialogs, HistoryKeepsLevelsInOrderAndBacksUpWhileWriting)
{
    start(1);
    window->core().sampling().Timer1x_Timer();
    window->core().history()->flush();
    window->findChild<QAction*>("mSettings5")->trigger();
    vs::HistoryDialog& dialog = window->historySettings();
    const auto box = [&](const char* name) {
        for (QSpinBox* b : dialog.findChildren<QSpinBox*>())
            if (b->accessibleName() == name)
                return b;
        return static_cast<QSpinBox*>(nullptr);
    };
    QSpinBox *raw = box("Every sample kept for"), *minutes = box("Minutes kept for"), *hours = box("Hours kept for");
    ASSERT_TRUE(raw && minutes && hours);
    EXPECT_EQ(raw->value(), 30);
    EXPECT_EQ(hours->value(), 3650);
    raw->setValue(900);
    EXPECT_EQ(minutes->value(), 900) << "minutes follow every sample up";
    minutes->setValue(10);
    EXPECT_EQ(minutes->value(), 900) << "and cannot go below it";
    raw->setValue(20);
    minutes->setValue(100);
    ASSERT_TRUE(dialog.OK_Click());
    EXPECT_TRUE(stored().contains("RawDays=20") && stored().contains("RollupDays=100")) << stored().toStdString();
    ASSERT_TRUE(window->core().history());
    EXPECT_EQ(window->core().history()->settings().rawDays, 20);

    window->core().sampling().Timer1x_Timer();
    const QString copy = dir.path() + "/backup.sqlite";
    prompts.files.push_back(copy.toStdString());
    dialog.Backup_Click();
    ASSERT_TRUE(vstest::waitFor([&] { return !dialog.message()->text().startsWith("Backing up"); }));
    EXPECT_EQ(dialog.message()->text(), "The history was copied to " + copy + ".");
    vs::SqlDatabase db;
    db.open(copy, true);
    EXPECT_EQ(vs::listSeries(db).size(), 1u);
}
