#include "dialogs/knob_flag_grid.h"
#include "window/main_window.h"
#include "dialogs/network_dialog.h"
#include "net/net_link.h"
#include "script_prompts.h"
#include "sim_sticks.h"
#include "settings/settings.h"
#include "stick/config_read.h"
#include "stick/device_scan.h"
#include "stick/sim_backend.h"
#include "stick/sim_stick.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"
#include "sockets.h"
#include "window_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Sticks : ::testing::Test, vstest::SimSticks {
    vstest::ScriptPrompts prompts;
};

TEST_F(Sticks, RowsNameTheirStickWhenThereAreTwoAndMapBackWithUnequalCounts)
{
    ASSERT_TRUE(attach({{5, 9}}));
    auto rows = vs::gridRows(link, vs::GridKind::Knobs);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].cells, (std::vector<std::string>{"CO2eq_warn1", "0", "5000", "1000.00"}));
    EXPECT_EQ(vs::gridRows(link, vs::GridKind::Flags)[1].cells[0], "BURN-IN");

    ASSERT_TRUE(attach({{5, 9}, {1, 33}}));
    link.slot(0)->Knobs.pop_back(); // the first stick has one knob fewer
    link.slot(0)->nKnobs = 3;
    rows = vs::gridRows(link, vs::GridKind::Knobs);
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[2].cells[0], "0:LogInterval");
    EXPECT_EQ(rows[3].cells[0], "1:CO2eq_warn1");
    EXPECT_EQ(rows[3].stick, 1);
    EXPECT_EQ(rows[3].item, 0);
}

TEST_F(Sticks, AKnobChangeIsSentWithinItsLimitsAndReadBack)
{
    ASSERT_TRUE(attach({{5, 9}, {1, 33}}));
    const auto rows = vs::gridRows(link, vs::GridKind::Knobs);
    const vs::GridRow& warn2 = rows[5]; // stick 1, "CO2eq_warn2"
    ASSERT_EQ(warn2.cells[0], "1:CO2eq_warn2");

    prompts.inputs = {std::string("5000.01")};
    EXPECT_FALSE(vs::editGridRow(link, prompts, vs::GridKind::Knobs, warn2));
    EXPECT_EQ(prompts.shown[0], "Enter new 1:CO2eq_warn2 value (0...5000) ppm");
    EXPECT_EQ(prompts.shown[1], "Value outside limits, not changed.");

    prompts.inputs = {std::string("5000")};
    EXPECT_TRUE(vs::editGridRow(link, prompts, vs::GridKind::Knobs, warn2));
    EXPECT_EQ(sims[1]->firmware().knobs()[1].raw, 5000);
    EXPECT_EQ(vs::gridRows(link, vs::GridKind::Knobs)[5].cells[3], "5000.00") << "read back from the stick";
    EXPECT_EQ(link.slot(1)->Channels[0].WarnLevels, (std::vector<double>{1000, 5000}));

    // An empty answer or a cancel changes nothing and says nothing.
    const size_t said = prompts.shown.size();
    prompts.inputs = {std::string(""), std::nullopt};
    EXPECT_FALSE(vs::editGridRow(link, prompts, vs::GridKind::Knobs, warn2));
    EXPECT_FALSE(vs::editGridRow(link, prompts, vs::GridKind::Knobs, warn2));
    EXPECT_EQ(prompts.shown.size(), said + 2) << "only the two questions";
}

TEST_F(Sticks, AFlagChangeTakesTheLeadingNumberAndAReplyOtherThanOkIsShown)
{
    ASSERT_TRUE(attach({{5, 9}}));
    auto rows = vs::gridRows(link, vs::GridKind::Flags);
    prompts.inputs = {std::string("&h0001")};
    EXPECT_TRUE(vs::editGridRow(link, prompts, vs::GridKind::Flags, rows[1]));
    EXPECT_EQ(prompts.shown[0], "Enter new BURN-IN value ");
    EXPECT_EQ(sims[0]->firmware().flags()[1].value, 1);

    link.slot(0)->Flags[1].Name = "NO SUCH FLAG";
    rows = vs::gridRows(link, vs::GridKind::Flags);
    prompts.inputs = {std::string("3")};
    EXPECT_FALSE(vs::editGridRow(link, prompts, vs::GridKind::Flags, rows[1]));
    EXPECT_EQ(prompts.shown.back(),
              "Value was not accepted by " + link.slot(0)->Name + ".\r\nResponse: ERR");
}

// The dialog as the user sees it, inside the running main window.
struct Dialog : vstest::WindowFixture {
    void SetUp() override
    {
        TempConfig::SetUp();
        bus.plug({5, 9});
        bus.plug({1, 33});
        startWindow();
    }
};

TEST_F(Dialog, EditKnobsShowsEveryStickAndADoubleClickChangesAKnob)
{
    QAction* knobs = window->topMenu(3)->findChild<QAction*>("mKnobs");
    ASSERT_NE(knobs, nullptr);
    knobs->trigger();
    vs::NetworkDialog& d = window->networkDialog();
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.windowTitle(), "Settings - Advanced");
    ASSERT_EQ(d.grid(0)->rowCount(), 8);
    EXPECT_EQ(d.grid(0)->item(0, 0)->text(), "0:CO2eq_warn1");
    EXPECT_EQ(d.grid(1)->item(4, 0)->text(), "1:WARMUP");
    EXPECT_EQ(d.grid(0)->toolTip(), "Double click to change a value");

    prompts.inputs = {std::string("1200")};
    emit d.grid(0)->cellDoubleClicked(0, 0);
    EXPECT_EQ(bus.stick("sim:0")->firmware().knobs()[0].raw, 1200);
    EXPECT_EQ(d.grid(0)->item(0, 3)->text(), "1200.00");
    EXPECT_EQ(plot.WarnLevels, (std::vector<double>{1200, 1500})) << "the plot's warning lines follow";

    // Enter on the grid acts as a double click.
    d.grid(0)->setCurrentCell(1, 0);
    prompts.inputs = {std::string("1400")};
    vstest::press(d.grid(0), Qt::Key_Return);
    EXPECT_EQ(bus.stick("sim:0")->firmware().knobs()[1].raw, 1400);
}

TEST_F(Dialog, TheServerListAndClosingAsServerRestartTheLinkAndStoreTheRole)
{
    vs::NetworkDialog& d = window->networkDialog();
    ASSERT_EQ(d.servers()->count(), 1);
    EXPECT_EQ(d.servers()->itemText(0), "127.0.0.1");
    // Typed and Enter, as a user does: added, never taken by a button.
    d.show();
    QCoreApplication::processEvents();
    for (QPushButton* b : d.findChildren<QPushButton*>())
        EXPECT_FALSE(b->isDefault() || b->autoDefault()) << b->text().toStdString();
    d.servers()->setFocus();
    d.servers()->clearEditText();
    QTest::keyClicks(d.servers(), "airbox.local");
    QTest::keyClick(d.servers(), Qt::Key_Return);
    QTest::keyClick(d.servers(), Qt::Key_Return);
    EXPECT_EQ(d.servers()->count(), 3) << "no check for duplicates, and Enter deletes nothing";
    d.findChild<QPushButton*>("CmdDeleteServer")->click();
    EXPECT_EQ(d.servers()->count(), 2);

    const int port = vstest::freePort();
    d.option(2)->setChecked(true);
    d.localListen()->setText(QString::number(port));
    d.close();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(window->core().network().state(), 2);
    EXPECT_EQ(window->core().network().settings.NetworkMode, 2);
    vs::SettingsStore reread;
    vs::Settings stored(reread);
    EXPECT_EQ(stored.number(vs::keys::NetworkOption), 2);
    EXPECT_EQ(stored.text(vs::keys::LocalPort), QString::number(port));
    EXPECT_EQ(stored.number(vs::keys::nServers), 2);
    EXPECT_EQ(stored.text(vs::keys::Server, 1), "airbox.local");
}

} // namespace
