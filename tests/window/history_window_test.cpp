// The history window on a generated database, and "File > History..." over
// what the running program stored.
#include "history/history_export.h"
#include "history/history_reader.h"
#include "history/history_store.h"
#include "core/sampling_loop.h"
#include "stick/channel_state.h"
#include "window/history_window.h"
#include "wait_for.h"
#include "window_fixture.h"

#include <QApplication>
#include <QDateTime>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

using namespace vs;

namespace {

constexpr int64_t kMinute = 60000, kHour = 60 * kMinute;

void waitFor(HistoryWindow& w)
{
    vstest::waitFor([&] { return !w.busy(); });
    QCoreApplication::processEvents();
}

void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, at, w->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// How many pixels of a pixel column are near the colour.
int pixelsNear(const QImage& image, int x, QColor colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        const QColor c = image.pixelColor(x, y);
        if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) + std::abs(c.blue() - colour.blue()) < 40)
            ++n;
    }
    return n;
}

// Three hours of one stick at 10 s, with half an hour missing, and a stick
// read once three weeks ago.
struct GeneratedHistory : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.path() + "/history.sqlite";
        HistoryStore store;
        store.open(path);
        std::vector<HistorySample> samples;
        for (int64_t t = start; t <= now; t += 10000)
            if (t < gapFrom || t >= gapTo)
                samples.push_back({office, t, {co2At(t), 21.5}});
        samples.push_back({{"OLD1", "Cellar", {"CO2eq"}, {"ppm"}}, now - 21 * 24 * kHour, {600}});
        store.add(samples);
    }
    double co2At(int64_t t) const { return 400 + ((t - start) / 10000) % 97 + 0.25; }

    QTemporaryDir dir;
    QString path;
    const int64_t now = QDateTime::currentMSecsSinceEpoch() / 10000 * 10000;
    const int64_t start = now - 3 * kHour;
    const int64_t gapFrom = now - 2 * kHour, gapTo = now - 90 * kMinute;
    const SeriesIdentity office{"A1B2C3", "Office", {"CO2eq", "Temp"}, {"ppm", "C"}};
};

} // namespace

TEST_F(GeneratedHistory, PresetsGapsAndTheCursorShowWhatIsStored)
{
    HistoryWindow window(path, {});
    window.resize(1200, 600);
    window.show();
    window.refresh();
    waitFor(window);
    ASSERT_EQ(window.series().size(), 2u);
    // Each stick's first channel is shown at first.
    QStringList checked;
    for (int i = 0; i < window.channelList().count(); ++i)
        if (window.channelList().item(i)->checkState() == Qt::Checked)
            checked << window.channelList().item(i)->text();
    checked.sort();
    EXPECT_EQ(checked, (QStringList{"Cellar (OLD1): CO2eq [ppm]", "Office (A1B2C3): CO2eq [ppm]"}))
        << "each stick by its name and serial";

    HistoryPlot& plot = window.plot();
    window.showPreset(HistoryWindow::LastHour);
    waitFor(window);
    EXPECT_NEAR(plot.toMs() - plot.fromMs(), kHour, 1000);
    EXPECT_NEAR(plot.toMs(), QDateTime::currentMSecsSinceEpoch(), 5000);
    window.showPreset(HistoryWindow::Everything);
    waitFor(window);
    EXPECT_LE(plot.fromMs(), now - 21 * 24 * kHour);

    // Three hours: the lost half hour is a gap, no line across it.
    window.showRange(start, now);
    waitFor(window);
    const QImage picture = plot.grab().toImage();
    const QColor colour = window.channelList()
                              .findItems("Office (A1B2C3): CO2eq [ppm]", Qt::MatchExactly)
                              .at(0)
                              ->data(Qt::DecorationRole)
                              .value<QColor>();
    const auto xOf = [&](int64_t t) {
        return plot.area().left() + static_cast<int>((t - start) * plot.area().width() / (now - start));
    };
    EXPECT_GT(pixelsNear(picture, xOf(now - 150 * kMinute), colour), 0) << "recorded";
    EXPECT_EQ(pixelsNear(picture, xOf(now - 105 * kMinute), colour), 0) << "nothing recorded";
    EXPECT_GT(pixelsNear(picture, xOf(now - 60 * kMinute), colour), 0) << "recorded";
    vstest::keepPicture(window, "history_window.png");

    // The export holds the shown range and channels, every stored sample once.
    const QString csv = dir.path() + "/shown.csv";
    window.exportTo(csv, true);
    vstest::waitFor([&] { return window.statusText().startsWith("Exported"); });
    const QList<QByteArray> rows = vstest::readFile(csv).split('\n');
    ASSERT_GT(rows.size(), 2) << window.statusText().toStdString();
    EXPECT_EQ(rows[0], "time,A1B2C3:CO2eq[ppm],OLD1:CO2eq[ppm]\r");
    const int64_t inRange = (now - start) / 10000 - (gapTo - gapFrom) / 10000; // [start, now) less the gap
    EXPECT_EQ(rows.size() - 2, inRange);
    EXPECT_TRUE(rows[1].endsWith("," + numberText(co2At(start)).toUtf8() + ",\r")) << rows[1].toStdString();

    // The summary of the shown range: the least and greatest value are the generated ones.
    window.findChild<QPushButton*>("cmdSummary")->click();
    waitFor(window);
    auto* summary = window.findChild<QDialog*>("frmHistorySummary");
    ASSERT_TRUE(summary && summary->isVisible()) << window.statusText().toStdString();
    const QTableWidget* table = summary->findChild<QTableWidget*>("grdSummary");
    QStringList whole;
    for (int r = 0; r < table->rowCount(); ++r)
        if (table->item(r, 0)->text() == "whole range" && table->item(r, 2)->text() == "CO2eq [ppm]")
            for (int c : {1, 4, 5})
                whole << table->item(r, c)->text();
    EXPECT_EQ(whole.join("|"), "Office (A1B2C3)|400.25|496.25");
    vstest::keepPicture(*summary, "history_summary.png");

    // The cursor reads the stored sample nearest to it, value for value.
    const int x = xOf(now - 40 * kMinute);
    mouse(&plot, QEvent::MouseMove, {x, plot.area().center().y()}, Qt::NoButton, Qt::NoButton);
    const int64_t nearest = (plot.timeAt(x) - start + 5000) / 10000 * 10000 + start;
    const QString expected = "A1B2C3:CO2eq [ppm]: " + numberText(co2At(nearest)) + "  (" +
                             QDateTime::fromMSecsSinceEpoch(nearest).toString("HH:mm:ss") + ")";
    EXPECT_TRUE(plot.readoutText().contains(expected)) << plot.readoutText().toStdString() << "\n" << expected.toStdString();
    EXPECT_TRUE(plot.readoutText().contains("OLD1:CO2eq [ppm]: -"));
    // In the gap: no value.
    mouse(&plot, QEvent::MouseMove, {xOf(now - 105 * kMinute), plot.area().center().y()}, Qt::NoButton, Qt::NoButton);
    EXPECT_TRUE(plot.readoutText().contains("A1B2C3:CO2eq [ppm]: -")) << plot.readoutText().toStdString();
}

TEST_F(GeneratedHistory, TheWheelZoomsAroundThePointerDraggingPansAndADoubleClickGoesBack)
{
    HistoryWindow window(path, {});
    window.resize(1200, 600);
    window.show();
    window.refresh();
    window.showPreset(HistoryWindow::LastHour);
    waitFor(window);
    HistoryPlot& plot = window.plot();
    const int x = plot.area().left() + plot.area().width() / 4;
    const int64_t pivot = plot.timeAt(x), span = plot.toMs() - plot.fromMs();

    QWheelEvent wheel(QPointF(x, 100), plot.mapToGlobal(QPointF(x, 100)), {}, {0, 240}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(&plot, &wheel);
    waitFor(window);
    const int64_t zoomed = plot.toMs() - plot.fromMs();
    EXPECT_NEAR(double(zoomed) / span, 0.64, 0.01);
    EXPECT_FALSE(window.following()) << "a range that ends before now stays where it is";
    EXPECT_NEAR(plot.timeAt(x), pivot, zoomed / plot.area().width() + 1) << "the time under the pointer stays";

    // Dragging 200 px to the left shows later times, the span kept.
    const int64_t fromBefore = plot.fromMs();
    const QPoint y(0, 100);
    mouse(&plot, QEvent::MouseButtonPress, QPoint(x + 300, 100), Qt::LeftButton, Qt::LeftButton);
    mouse(&plot, QEvent::MouseMove, QPoint(x + 200, 100), Qt::NoButton, Qt::LeftButton);
    mouse(&plot, QEvent::MouseMove, QPoint(x + 100, 100), Qt::NoButton, Qt::LeftButton);
    mouse(&plot, QEvent::MouseButtonRelease, QPoint(x + 100, 100), Qt::LeftButton, Qt::NoButton);
    waitFor(window);
    EXPECT_NEAR(plot.fromMs() - fromBefore, 200.0 * zoomed / plot.area().width(), 2.0 * zoomed / plot.area().width());
    EXPECT_EQ(plot.toMs() - plot.fromMs(), zoomed);

    mouse(&plot, QEvent::MouseButtonDblClick, QPoint(x, 100), Qt::LeftButton, Qt::LeftButton);
    waitFor(window);
    EXPECT_NEAR(plot.toMs() - plot.fromMs(), kHour, 1000);
    EXPECT_NEAR(plot.toMs(), QDateTime::currentMSecsSinceEpoch(), 5000);
    // The last hour follows what is stored after it was shown.
    ASSERT_TRUE(window.following());
    const int64_t later = plot.toMs() + 1500;
    HistoryStore store;
    store.open(path);
    store.add({{office, later, {999, 22}}});
    // The range moves on once the clock has passed the new sample.
    ASSERT_TRUE(vstest::waitFor([&] {
        window.followNewSamples();
        waitFor(window);
        return plot.toMs() > later;
    }));
    EXPECT_NEAR(plot.toMs() - plot.fromMs(), kHour, 1000);
    EXPECT_NE(window.plot().readout(later).indexOf("999"), -1) << window.plot().readout(later).toStdString();

    // Every label with a mnemonic leads to its field, every field has a name,
    // and the window closes as windows do.
    for (const QLabel* label : window.findChildren<QLabel*>())
        if (label->text().contains('&')) {
            ASSERT_NE(label->buddy(), nullptr) << label->text().toStdString() << " is shown with its '&'";
            EXPECT_FALSE(label->buddy()->accessibleName().isEmpty()) << label->text().toStdString();
        }
    EXPECT_EQ(window.findChild<QListWidget*>("lstChannels")->accessibleName(), "Channels");
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(QKeySequence::Close)}) {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keySequence(&window, keys);
        EXPECT_FALSE(window.isVisible()) << keys.toString().toStdString();
    }
}

// What the running program samples is in the history, under each stick's
// serial number, and "File > History..." shows it.
struct HistoryFromTheWindow : vstest::WindowFixture {};

// Another process holds the database: "File > History..." opens and shows
// what the file holds while the passes wait in memory, and they are written
// once the file is free.
TEST_F(HistoryFromTheWindow, OpensWhileAnotherProcessHoldsTheDatabase)
{
    bus.plug({5, 9});
    startWindow();
    HistoryWriter* writer = window->core().history();
    ASSERT_TRUE(writer);
    const auto pass = [&] {
        window->core().sampling().Timer1x_Timer();
        clock.advanceMs(1000);
    };
    pass();
    writer->flush();
    const long before = writer->rowsWritten();
    auto other = std::make_unique<SqlDatabase>();
    other->open(writer->settings().path);
    other->exec("BEGIN EXCLUSIVE");
    for (int i = 0; i < 3; ++i)
        pass();
    vstest::waitFor([&] { return writer->held() == 3; });

    window->findChild<QAction*>("mHistory")->trigger();
    HistoryWindow* history = window->historyWindow();
    ASSERT_TRUE(history);
    EXPECT_TRUE(history->isVisible());
    waitFor(*history);
    EXPECT_EQ(history->series().size(), 1u) << "what the file held before the lock is shown";
    EXPECT_EQ(writer->held(), 3) << "the window did not wait for the writer";

    other->exec("ROLLBACK");
    other.reset();
    pass();
    EXPECT_TRUE(vstest::waitFor([&] { return writer->held() == 0; }));
    writer->flush();
    EXPECT_EQ(writer->rowsWritten(), before + 4) << "nothing held was lost";
}
