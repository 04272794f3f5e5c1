// "Settings - Publishing" on the real main window, against a real mosquitto.
#include "broker.h"
#include "core/sampling_loop.h"
#include "dialogs/publishing_dialog.h"
#include "publish/mqtt_publisher.h"
#include "settings/key_table.h"
#include "window_fixture.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

struct Publishing : vstest::WindowFixture {
    vs::PublishingDialog* dialog = nullptr;

    void open()
    {
        bus.plug({5, 9});
        startWindow();
        window->mSettings_Click(4);
        dialog = &window->publishing();
        ASSERT_TRUE(dialog->isVisible());
    }
    template <class W> W* field(const char* name) { return dialog->findChild<W*>(name); }
    void type(const char* name, const QString& text)
    {
        QLineEdit* box = field<QLineEdit>(name);
        box->clear();
        QTest::keyClicks(box, text);
    }
    QString state(const char* label) { return field<QLabel>(label)->text(); }
    void clickButton(const QString& text)
    {
        for (QPushButton* b : dialog->findChildren<QPushButton*>())
            if (b->text().remove('&') == text) {
                QTest::mouseClick(b, Qt::LeftButton);
                return;
            }
        ADD_FAILURE() << "no button " << text.toStdString();
    }
};

TEST_F(Publishing, AppliedWithoutRestartStateShownLiveAndATestMessageArrives)
{
    vstest::Broker broker("vs", "secret");
    vstest::Subscriber sub(broker.port, "#", "vs", "secret");
    open();
    EXPECT_EQ(state("lblMqttState"), "off");
    EXPECT_EQ(state("lblMetricsState"), "off");
    EXPECT_EQ(field<QLineEdit>("txtMqttPassword")->echoMode(), QLineEdit::Password);

    field<QCheckBox>("chkMqttEnabled")->setChecked(true);
    type("txtMqttHost", "127.0.0.1");
    field<QSpinBox>("spnMqttPort")->setValue(broker.port);
    type("txtMqttUser", "vs");
    type("txtMqttPassword", "wrong");
    type("txtMqttTopicPrefix", "vt");
    type("txtMqttNodeId", "lab1");
    field<QCheckBox>("chkMetricsEnabled")->setChecked(true);
    type("txtMetricsListen", "127.0.0.1:0");
    clickButton("Apply");

    EXPECT_TRUE(sub.pump([&] { return state("lblMqttState").startsWith("refused"); }))
        << state("lblMqttState").toStdString();
    EXPECT_TRUE(state("lblMetricsState").startsWith("listening on 127.0.0.1:")) << state("lblMetricsState").toStdString();
    // The password is in the file now, and nobody else may read it.
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteGroup |
                                            QFileDevice::WriteOther;
    EXPECT_EQ(QFile::permissions(store->location()) & others, 0);
    EXPECT_EQ(settings->text(vs::keys::MqttNodeId), "lab1");

    type("txtMqttPassword", "secret");
    clickButton("Apply");
    ASSERT_TRUE(sub.pump([&] { return state("lblMqttState") == "connected"; }))
        << state("lblMqttState").toStdString();
    clickButton("Send test message");
    EXPECT_TRUE(sub.pump([&] { return sub.count("vt/lab1/test") == 1; }));
    EXPECT_EQ(field<QLabel>("lblMessage")->text(), "Test message sent.");
    EXPECT_FALSE(sub.last("vt/lab1/test")->retain);
    // The applied settings publish the readings too.
    window->core().sampling().Timer1x_Timer();
    EXPECT_TRUE(sub.pump([&] { return sub.last("vt/lab1/status") && sub.last("vt/lab1/status")->payload == "online"; }));

    // An address that cannot be listened on stores nothing and says why.
    type("txtMetricsListen", "nowhere");
    type("txtMqttNodeId", "lab2");
    clickButton("OK");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(field<QLabel>("lblMessage")->text().startsWith("Listen:")) << field<QLabel>("lblMessage")->text().toStdString();
    EXPECT_EQ(settings->text(vs::keys::MqttNodeId), "lab1");

    // Turned off: the connection goes, the state says so.
    field<QCheckBox>("chkMqttEnabled")->setChecked(false);
    type("txtMetricsListen", "127.0.0.1:0");
    clickButton("OK");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(window->core().mqttState(), "off");
    EXPECT_TRUE(sub.pump([&] { return sub.last("vt/lab1/status")->payload == "offline"; }));
}

} // namespace
