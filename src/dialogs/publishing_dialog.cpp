#include "dialogs/publishing_dialog.h"

#include "dialogs/dialog_keys.h"

#include "publish/publishing_form.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSysInfo>
#include <QVBoxLayout>

namespace vs {

namespace {

QLineEdit* field(QWidget* parent, const char* name, const QString& placeholder = {})
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setPlaceholderText(placeholder);
    return box;
}

QCheckBox* check(QWidget* parent, const char* name, const QString& caption)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

QLabel* stateLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

PublishingDialog::PublishingDialog(Settings& settings, QWidget* parent) : QDialog(parent), settings_(settings)
{
    setObjectName("frmPublishing");
    setWindowTitle("Settings - Publishing");
    auto* outer = new QVBoxLayout(this);

    auto* mqtt = new QGroupBox("MQTT", this);
    auto* mf = new QFormLayout(mqtt);
    mqttEnabled_ = check(mqtt, "chkMqttEnabled", "Publish the readings to an MQTT broker");
    host_ = field(mqtt, "txtMqttHost", "localhost");
    port_ = new QSpinBox(mqtt);
    port_->setObjectName("spnMqttPort");
    port_->setRange(1, 65535);
    user_ = field(mqtt, "txtMqttUser", "none");
    password_ = field(mqtt, "txtMqttPassword", "none");
    password_->setEchoMode(QLineEdit::Password);
    caFile_ = field(mqtt, "txtMqttCAFile", "none: no TLS");
    topicPrefix_ = field(mqtt, "txtMqttTopicPrefix", "ventiscope");
    nodeId_ = field(mqtt, "txtMqttNodeId", QSysInfo::machineHostName());
    discovery_ = check(mqtt, "chkMqttDiscovery", "Announce the sticks to Home Assistant");
    discoveryPrefix_ = field(mqtt, "txtMqttDiscoveryPrefix", "homeassistant");
    interval_ = new QDoubleSpinBox(mqtt);
    interval_->setObjectName("spnMqttInterval");
    interval_->setRange(0, 86400);
    interval_->setDecimals(1);
    interval_->setSuffix(" s");
    interval_->setSpecialValueText("every sample");
    mqttNetwork_ = check(mqtt, "chkMqttNetworkSticks", "Also the sticks of the network link");
    mqttState_ = stateLabel(mqtt, "lblMqttState");
    auto* test = new QPushButton("Send &test message", mqtt);
    test->setObjectName("cmdMqttTest");
    auto* stateRow = new QHBoxLayout;
    stateRow->addWidget(mqttState_, 1);
    stateRow->addWidget(test);
    mf->addRow(mqttEnabled_);
    mf->addRow("&Host:", host_);
    mf->addRow("&Port:", port_);
    mf->addRow("&User:", user_);
    mf->addRow("Pass&word:", password_);
    mf->addRow("&CA file:", caFile_);
    mf->addRow("Topic p&refix:", topicPrefix_);
    mf->addRow("&Node identifier:", nodeId_);
    mf->addRow(discovery_);
    mf->addRow("D&iscovery prefix:", discoveryPrefix_);
    mf->addRow("Publishing &interval:", interval_);
    mf->addRow(mqttNetwork_);
    mf->addRow("State:", stateRow);
    outer->addWidget(mqtt);

    auto* metrics = new QGroupBox("Metrics", this);
    auto* xf = new QFormLayout(metrics);
    metricsEnabled_ = check(metrics, "chkMetricsEnabled", "Serve the readings to Prometheus at /metrics");
    listen_ = field(metrics, "txtMetricsListen", "127.0.0.1:9464");
    metricsNetwork_ = check(metrics, "chkMetricsNetworkSticks", "Also the sticks of the network link");
    metricsState_ = stateLabel(metrics, "lblMetricsState");
    xf->addRow(metricsEnabled_);
    xf->addRow("&Listen on:", listen_);
    xf->addRow(metricsNetwork_);
    xf->addRow("State:", metricsState_);
    outer->addWidget(metrics);

    message_ = new QLabel(this);
    message_->setObjectName("lblMessage");
    message_->setWordWrap(true);
    outer->addWidget(message_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Apply | QDialogButtonBox::Cancel, this);
    outer->addWidget(buttons);

    connect(test, &QPushButton::clicked, this, [this] { Test_Click(); });
    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, [this] { Apply_Click(); });
    connect(buttons->button(QDialogButtonBox::Ok), &QPushButton::clicked, this, [this] {
        if (Apply_Click())
            hide();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { hide(); });
    poll_.setInterval(500);
    connect(&poll_, &QTimer::timeout, this, [this] { refreshState(); });
    settleDialogKeys(*this);
}

void PublishingDialog::load()
{
    const PublishingForm f = loadPublishingForm(settings_);
    mqttEnabled_->setChecked(f.mqttEnabled);
    host_->setText(f.host);
    port_->setValue(f.port);
    user_->setText(f.user);
    password_->setText(f.password);
    caFile_->setText(f.caFile);
    topicPrefix_->setText(f.topicPrefix);
    nodeId_->setText(f.nodeId);
    discovery_->setChecked(f.discovery);
    discoveryPrefix_->setText(f.discoveryPrefix);
    interval_->setValue(f.publishInterval);
    mqttNetwork_->setChecked(f.mqttNetworkSticks);
    metricsEnabled_->setChecked(f.metricsEnabled);
    listen_->setText(f.listen);
    metricsNetwork_->setChecked(f.metricsNetworkSticks);
    message_->clear();
    refreshState();
}

PublishingForm PublishingDialog::form() const
{
    PublishingForm f;
    f.mqttEnabled = mqttEnabled_->isChecked();
    f.host = host_->text();
    f.port = port_->value();
    f.user = user_->text();
    f.password = password_->text();
    f.caFile = caFile_->text();
    f.topicPrefix = topicPrefix_->text();
    f.nodeId = nodeId_->text();
    f.discovery = discovery_->isChecked();
    f.discoveryPrefix = discoveryPrefix_->text();
    f.publishInterval = interval_->value();
    f.mqttNetworkSticks = mqttNetwork_->isChecked();
    f.metricsEnabled = metricsEnabled_->isChecked();
    f.listen = listen_->text();
    f.metricsNetworkSticks = metricsNetwork_->isChecked();
    return f;
}

bool PublishingDialog::Apply_Click()
{
    QString error;
    if (!savePublishingForm(settings_, form(), error)) {
        say(error);
        return false;
    }
    if (apply)
        apply();
    say("Stored and applied.");
    refreshState();
    return true;
}

void PublishingDialog::Test_Click()
{
    QString error;
    if (!sendTest)
        return;
    say(sendTest(error) ? "Test message sent." : error);
}

void PublishingDialog::refreshState()
{
    if (mqttState)
        mqttState_->setText(mqttState());
    if (metricsState)
        metricsState_->setText(metricsState());
}

void PublishingDialog::say(const QString& text)
{
    message_->setText(text);
}

void PublishingDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    poll_.start();
}

void PublishingDialog::hideEvent(QHideEvent* event)
{
    poll_.stop();
    QDialog::hideEvent(event);
}

} // namespace vs
