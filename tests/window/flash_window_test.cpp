#include "flash/record_list.h"
#include "sim_sticks.h"
#include "window/main_window.h"
#include "window/qt_prompts.h"

#include <QPushButton>
#include "window/window_flash_face.h"
#include "window/plot_view.h"
#include "dialogs/records_window.h"
#include "core/history_feed.h"
#include "core/sampling_loop.h"
#include "info/sensor_info_window.h"
#include "script_prompts.h"
#include "settings/settings.h"
#include "stick/config_read.h"
#include "stick/device_change.h"
#include "stick/device_scan.h"
#include "stick/sim_backend.h"
#include "stick/sim_stick.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"
#include "stored_history.h"
#include "wait_for.h"
#include "window_fixture.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(RecordsWindow, ListsAllAndEveryRecordingAndAClickChooses)
{
    vstest::SimSticks sticks;
    ASSERT_TRUE(sticks.attach({{5, 9}}));
    auto& [clock, link, sims] = sticks;
    vs::RecordsWindow w;
    w.RecReq_show(vs::readRecordList(link, 0));
    ASSERT_EQ(w.list()->count(), 4);
    vstest::keepPicture(w, "records.png");
    EXPECT_EQ(w.list()->item(0)->text(), "ALL\n1780");
    EXPECT_EQ(w.list()->item(1)->text(), "Recording 1\n1440");
    EXPECT_EQ(w.list()->item(3)->text(), "Recording 3\n40");
    EXPECT_FALSE(w.chosen());
    w.choose(1, false);
    EXPECT_EQ(w.label()->text(), "Record 1 length 1440");
    EXPECT_EQ(w.chosen(), 0);
    w.choose(0, true);
    EXPECT_EQ(w.label()->text(), "Load record ALL length 1780");
    EXPECT_EQ(w.chosen(), -1);
    EXPECT_EQ(w.result(), QDialog::Accepted);
    w.setListStyle(2);
    EXPECT_EQ(w.list()->viewMode(), QListView::ListMode);
    // "Report": the two columns Record and Length.
    w.show();
    w.setListStyle(3);
    ASSERT_TRUE(w.report()->isVisible());
    EXPECT_FALSE(w.list()->isVisible());
    EXPECT_EQ(w.report()->headerItem()->text(0), "Record");
    EXPECT_EQ(w.report()->headerItem()->text(1), "Length");
    ASSERT_EQ(w.report()->topLevelItemCount(), 4);
    EXPECT_EQ(w.report()->topLevelItem(1)->text(1), "1440");

    // A thumbnail: bands from green at the bottom to red at the top, and the black course.
    const QImage mini = vs::plotmini({10, 20, 15}, 10, 20, QSize(96, 64));
    EXPECT_EQ(mini.pixelColor(48, 60).green(), 255);
    EXPECT_EQ(QColor(mini.pixel(48, 3)), QColor(255, 0, 224));
    EXPECT_EQ(QColor(mini.pixel(5, 58)).lightness() < 60, true) << "the first point, low left";
}

TEST(RequestWindow, ProposesNowClampsTheAverageAnswersOnEnterAndCancelsOnEscapeOrClose)
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    qputenv("XDG_DATA_HOME", (config.path() + "/data").toUtf8());
    vs::SettingsStore store;
    vs::Settings settings(store);
    vs::ManualClock clock{{2026, 12, 6, 13, 5, 0, 0}};
    vs::SensorInfoWindow w(settings, clock);
    QTimer::singleShot(0, &w, [&] {
        EXPECT_EQ(w.windowTitle(), "Log date");
        EXPECT_EQ(w.promptText(), "Enter end time of logging (HH:MM)");
        EXPECT_EQ(w.timeBox()->text(), "13:05") << "the current time: the recording ended now";
        EXPECT_EQ(w.averageBox()->toolTip(), "0...144");
        EXPECT_TRUE(w.hint()->isVisible()) << "a time still to come today means yesterday";
        w.averageBox()->setText("500");
        vstest::press(w.averageBox(), Qt::Key_Return);
        EXPECT_EQ(w.averageBox()->text(), "144") << "clamped to the largest";
        w.timeBox()->setText("11:30");
        vstest::press(w.timeBox(), Qt::Key_Return);
    });
    const auto answer = w.request("Log date", 0, {true, 0, 144});
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->endTime, "11:30");
    EXPECT_EQ(answer->average, 144);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), "Sensor Information");

    // A user backing out gets no download: Escape, or closing the window,
    // with the proposed time still in the box.
    QTimer::singleShot(0, &w, [&] { vstest::press(&w, Qt::Key_Escape); });
    EXPECT_FALSE(w.request("Log date", 0, {}));
    QTimer::singleShot(0, &w, [&] { w.close(); });
    EXPECT_FALSE(w.request("Log date", 0, {}));
}

TEST(MessageBoxes, FitTheirTitlesAndEraseFlashDefaultsToNo)
{
    vs::QtPrompts prompts;
    int width = 0, needed = 0;
    bool noIsDefault = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        width = box->width();
        needed = QFontMetrics(QApplication::font()).horizontalAdvance(box->windowTitle());
        box->accept();
    });
    prompts.message("Aborted.", vs::Prompts::Icon::Information, "Ventiscope - flash download of stick 0");
    EXPECT_GT(width, needed + 100) << "the title and the title bar's buttons fit";
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        noIsDefault = static_cast<QAbstractButton*>(box->defaultButton()) == box->button(QMessageBox::No);
        vstest::press(box, Qt::Key_Return); // a reflexive Enter keeps the recordings
    });
    EXPECT_FALSE(prompts.askYesNoDefaultNo("Erase?", vs::Prompts::Icon::Question, "Ventiscope"));
    EXPECT_TRUE(noIsDefault);
}

struct WindowFlash : vstest::WindowFixture {
    void SetUp() override
    {
        TempConfig::SetUp();
        clock.set({2026, 12, 6, 13, 0, 0, 0});
        bus.plug({5, 9});
        startWindow();
    }
    // Channel 0 of what the history holds from before `end` (the live passes come after).
    std::vector<std::pair<int64_t, double>> historyBefore(const vs::LocalDateTime& end)
    {
        std::vector<std::pair<int64_t, double>> out;
        vstest::forEachStored(window->core().history(), [&](const vs::SeriesInfo&, int64_t t, const std::vector<double>& v) {
            if (t < vs::instantOf(end))
                out.emplace_back(t, v[0]);
        });
        return out;
    }
    void answerRequest(const QString& time)
    {
        QTimer::singleShot(0, window.get(), [this, time] {
            window->sensorInfo().timeBox()->setText(time);
            vstest::press(window->sensorInfo().timeBox(), Qt::Key_Return);
        });
    }
};

TEST_F(WindowFlash, DownloadFlashFillsThePlotAndRestartsSampling)
{
    EXPECT_TRUE(window->downloadFlashAction()->isEnabled());
    answerRequest("12:00");
    window->mDownloadFlash_Click();
    EXPECT_TRUE(prompts.shown.empty()) << prompts.shown.front();
    EXPECT_EQ(plot.WriteIndex, 40) << "the latest recording's 40 values";
    // The first stamp is the end time less (interval + 0.02 s) per value; the last
    // is one interval and 0.8 s before the end time.
    EXPECT_EQ(plot.SampleText[39], "11:58:59");
    EXPECT_TRUE(window->core().sampling().running());
    EXPECT_EQ(window->plotView().textBox().TextBuffer, "Downloaded 40 values.\n");
    // The 40 values are in the history with their own times, as plotted.
    const auto stored = historyBefore({2026, 12, 6, 12, 0, 1, 0});
    ASSERT_EQ(stored.size(), 40u);
    EXPECT_EQ(stored[39].first / 1000, vs::instantOf({2026, 12, 6, 11, 58, 59, 0}) / 1000);
    for (int i = 0; i < 40; ++i)
        EXPECT_DOUBLE_EQ(stored[static_cast<size_t>(i)].second, plot.at(i, 0) / 100.0) << i;
    // Progress is one line, written anew.
    window->flashFace().progress(300, 1440, 12);
    window->flashFace().progress(600, 1440, 8);
    EXPECT_EQ(window->plotView().textBox().TextBuffer, "Downloading value 600...\n(1440 values total, 8 s left, ESC to cancel) ");
    vstest::keepPicture(*window, "after_download.png");
}

TEST_F(WindowFlash, ADeviceChangeDuringTheDownloadWaitsForItsEnd)
{
    bool handledAtOnce = true;
    QTimer::singleShot(0, window.get(), [this, &handledAtOnce] {
        bus.plug({1, 9});
        handledAtOnce = window->core().deviceChange().DeviceWindowProc(vs::DeviceEvent::DevNodesChanged);
    });
    answerRequest("12:00");
    window->mDownloadFlash_Click();
    EXPECT_FALSE(handledAtOnce);
    EXPECT_EQ(plot.WriteIndex, 40) << "the download ran to its end";
    EXPECT_TRUE(vstest::waitFor([&] { return link.SlotsReserved == 2; })) << "the new stick came after the download";
}

TEST_F(WindowFlash, EscapeInTheMainWindowAborts)
{
    const int before = plot.WriteIndex;
    answerRequest("12:00");
    QCoreApplication::postEvent(window.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    window->mDownloadFlash_Click();
    ASSERT_FALSE(prompts.shown.empty());
    EXPECT_EQ(prompts.shown.back(), "Aborted.");
    EXPECT_EQ(plot.WriteIndex, before) << "the plot as it was";
    EXPECT_TRUE(historyBefore({2026, 12, 6, 12, 0, 1, 0}).empty()) << "an aborted download adds nothing";
    EXPECT_TRUE(window->core().sampling().running());
}

} // namespace
