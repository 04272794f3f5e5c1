#include "info/about_box.h"
#include "window/cursor_view.h"
#include "window/main_window.h"
#include "window/plot_view.h"
#include "core/sampling_loop.h"
#include "info/sensor_info_window.h"
#include "plot/plot_picture.h"
#include "script_prompts.h"
#include "settings/settings.h"
#include "stick/device_scan.h"
#include "stick/knob_flag.h"
#include "stick/sim_backend.h"
#include "stick/sim_stick.h"
#include "stick/stick_link.h"
#include "stick/trace_log.h"
#include "window_fixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QImage>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct Commands : vstest::WindowFixture {
    std::vector<QUrl> opened;

    void start(int sticks)
    {
        for (int i = 0; i < sticks; ++i)
            bus.plug({5, 9});
        if (sticks == 0)
            prompts.answers = {false}; // no emulation
        startWindow();
        window->openUrl = [this](const QUrl& u) {
            opened.push_back(u);
            return true;
        };
        prompts.shown.clear();
    }
    void TearDown() override
    {
        WindowFixture::TearDown();
        qunsetenv("VENTISCOPE_DATA_DIR");
    }
    long sent(int stick, const std::string& command)
    {
        const auto& c = bus.stick("sim:" + std::to_string(stick))->commands();
        return std::count(c.begin(), c.end(), command);
    }
};

TEST_F(Commands, SearchForUpdatesOpensTheSticksAddressOrOurs)
{
    start(1);
    window->mSearchUpdates_Click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toString(), "https://ventiscope.example/sim") << "a scheme is not doubled";
    link.slot(0)->IdFields[0] = "www.example.org";
    window->mSearchUpdates_Click();
    EXPECT_EQ(opened[1].toString(), "http://www.example.org");
    link.slot(0)->IdFields[0].clear();
    window->mSearchUpdates_Click();
    EXPECT_EQ(opened[2].toString(), QString(vs::kProjectWebAddress));
}

TEST_F(Commands, HelpTakesThePdfBeforeThePageAndSaysWhenItCannotShowIt)
{
    QTemporaryDir data;
    qputenv("VENTISCOPE_DATA_DIR", data.path().toUtf8());
    start(1);
    const auto said = [this] { return window->plotView().textBox().TextBuffer; };
    window->mHelpContents_Click();
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(said().contains("The manual is not installed (" + data.path() + "/ventiscope.htm is missing)"))
        << said().toStdString();
    for (const char* name : {"/ventiscope.htm", "/ventiscope.pdf"})
        ASSERT_TRUE(vstest::writeFile(data.path() + name, {}));
    window->mHelpContents_Click();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_TRUE(opened[0].toLocalFile().endsWith("ventiscope.pdf"));
    QFile::remove(data.path() + "/ventiscope.pdf");
    window->mHelpContents_Click();
    EXPECT_TRUE(opened[1].toLocalFile().endsWith("ventiscope.htm"));
    // A desktop without a program for the page: where the manual is, said.
    window->openUrl = [](const QUrl&) { return false; };
    window->mHelpContents_Click();
    EXPECT_TRUE(said().contains("No program is set up to open the manual; it is at " + data.path() + "/ventiscope.htm"))
        << said().toStdString();
}

TEST_F(Commands, SavePictureWritesThePlotAsShownOrAtAChosenSizeOrSaysWhyNot)
{
    start(1);
    QTemporaryDir dir;
    const QString png = dir.path() + "/plot.png", svg = dir.path() + "/plot.svg";
    prompts.files = {png.toStdString(), svg.toStdString(), dir.path().toStdString() + "/missing/plot.png",
                     png.toStdString()};
    prompts.inputs = {"", "640 x 480", "", "huge"};
    const QString& said = window->plotView().textBox().TextBuffer;
    window->mSavePicture_Click();
    const QImage saved(png);
    ASSERT_FALSE(saved.isNull()) << said.toStdString();
    EXPECT_EQ(saved.size(), window->plotView().picture()->size());
    // SVG carries the picture at the chosen size.
    window->mSavePicture_Click();
    const QByteArray text = vstest::readFile(svg);
    EXPECT_TRUE(text.startsWith("<?xml") && text.contains("<svg") && text.contains("width=\"640\" height=\"480\""));
    const qsizetype from = text.indexOf("base64,") + 7;
    const QImage inside = QImage::fromData(QByteArray::fromBase64(text.mid(from, text.indexOf('"', from) - from)));
    EXPECT_EQ(inside.size(), QSize(640, 480));
    window->mSavePicture_Click();
    EXPECT_TRUE(said.contains("The picture could not be saved to " + dir.path() + "/missing/plot.png"));
    window->mSavePicture_Click();
    EXPECT_TRUE(said.contains("\"huge\" is not a size")) << said.toStdString();
    EXPECT_EQ(QImage(png).size(), saved.size()) << "a refused size leaves the file as it was";
}

TEST_F(Commands, ControlThenDoubleClickOnTheIconTurnsOnEngineeringMode)
{
    start(1);
    window->mAbout_Click();
    vs::AboutBox& about = window->about();
    auto key = [&](int k) {
        QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
        QCoreApplication::sendEvent(&about, &e);
    };
    auto doubleClick = [&] {
        QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
        QCoreApplication::sendEvent(about.icon(), &e);
    };
    doubleClick();
    EXPECT_FALSE(window->engineeringMode());
    key(Qt::Key_Control);
    key(Qt::Key_A);
    doubleClick();
    EXPECT_FALSE(window->engineeringMode()) << "only the last key counts";
    key(Qt::Key_Control);
    doubleClick();
    EXPECT_TRUE(window->engineeringMode());
    EXPECT_FALSE(about.sysInfo()->isHidden());
    EXPECT_TRUE(window->topMenu(3)->menuAction()->isVisible()) << "the support menu comes into view";

    about.hide();
    window->mAbout_Click();
    EXPECT_TRUE(about.engineering()) << "kept for the run";
    EXPECT_FALSE(about.sysInfo()->isHidden());

    // The sensor information from the about box.
    window->UpdateSensorText("x");
    const QString text = window->sensorInfo().infoBox()->toPlainText();
    EXPECT_TRUE(text.startsWith("Application Version: 2.41.0 (x)")) << text.toStdString();
    EXPECT_TRUE(text.contains("Device 0:")) << text.toStdString();
    EXPECT_TRUE(text.contains("Serial number: ")) << text.toStdString();

    // At trace level 210 each stick is asked "*TRG" and its exchange trace follows.
    link.TraceLevel = 210;
    window->UpdateSensorText({});
    const QString traced = window->sensorInfo().infoBox()->toPlainText();
    EXPECT_TRUE(traced.contains("nym_ask('*TRG'):")) << traced.toStdString();
    EXPECT_GE(sent(0, "*TRG"), 1);
    link.TraceLevel = 0;
}

TEST_F(Commands, AHeldCursorShowsTheValuesAndLeavesThePictureAsItWas)
{
    start(1);
    window->show();
    window->core().sampling().Timer1x_Timer();
    window->plotView().replot();
    vs::CursorView& cursor = window->cursor();
    const QImage before = window->plotView().picture()->image().copy();
    cursor.press(QPointF(300, 200));
    EXPECT_TRUE(cursor.drawing());
    EXPECT_TRUE(cursor.readout()->isVisible());
    EXPECT_FALSE(cursor.readout()->text().isEmpty());
    EXPECT_NE(window->plotView().picture()->image(), before) << "the line is drawn";
    vstest::keepPicture(*window, "cursor.png");
    cursor.move(QPointF(400, 200));
    cursor.release();
    EXPECT_FALSE(cursor.readout()->isVisible());
    EXPECT_EQ(window->plotView().picture()->image(), before) << "every pixel back";
}

} // namespace
