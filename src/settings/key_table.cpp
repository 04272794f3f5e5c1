#include "settings/key_table.h"

#include <QDir>

namespace vs {

namespace {

constexpr const char* kHid = "HIDsettings";
constexpr const char* kPlot = "Plot";
constexpr const char* kNet = "NetworkSettings";
constexpr const char* kMqtt = "MQTT";
constexpr const char* kMetrics = "Metrics";
constexpr const char* kHistory = "History";
constexpr const char* kWeb = "Web";

QString menuVisibleDefault(int menu)
{
    return menu == 3 ? "0" : "1";
}

QString enableDefault(int curve)
{
    return curve == 0 ? "1" : "0";
}

QString warnMessageDefault(int level)
{
    return level == 0 ? "Air is getting bad" : "Bad air quality";
}

QString logFileDefault(int)
{
    return defaultLogFile();
}

QString titleDefault(int)
{
    return applicationTitle();
}

} // namespace

QString applicationTitle()
{
    return "Ventiscope";
}

QString defaultLogFile()
{
    return QDir::homePath() + "/nymlog.txt";
}

QString KeyDef::name(int index) const
{
    QString n = pattern;
    if (indexed())
        n.replace("%", QString::number(index));
    return n;
}

bool KeyDef::indexed() const
{
    return QString(pattern).contains('%');
}

QString KeyDef::defaultText(int index, const QString& callerDefault) const
{
    if (indexedFallback)
        return indexedFallback(index);
    if (!fallback)
        return callerDefault;
    return fallback;
}

namespace keys {
using R = ReadAs;
using W = Writer;

const KeyDef MainGraphLeft{kHid, "MainGraphLeft", R::StrictSingle, nullptr, W::ProgramExit};
const KeyDef MainGraphTop{kHid, "MainGraphTop", R::StrictSingle, nullptr, W::ProgramExit};
const KeyDef MainGraphWidth{kHid, "MainGraphWidth", R::StrictSingle, nullptr, W::ProgramExit};
const KeyDef MainGraphHeight{kHid, "MainGraphHeight", R::StrictSingle, nullptr, W::ProgramExit};
const KeyDef MainGraphMaximized{kHid, "MainGraphMaximized", R::Number16, "0", W::ProgramExit};
const KeyDef AirStateLeft{kHid, "AirStateLeft", R::Text, "", W::ProgramExit};
const KeyDef AirStateTop{kHid, "AirStateTop", R::Text, "", W::ProgramExit};
const KeyDef MainTitle{kHid, "MainTitle", R::Text, "", W::Never, false, titleDefault};
const KeyDef MenuVisible{kHid, "MenuVisible%", R::Flag, "1", W::Never, false, menuVisibleDefault};
const KeyDef DisableEmulation{kHid, "DisableEmulation", R::Flag, "0", W::Never};
const KeyDef LogFile{kHid, "LogFile", R::Text, "", W::ChoosingLogFile, false, logFileDefault};
const KeyDef Log2file{kHid, "Log2file", R::Number16, "0", W::SwitchingLogging};
const KeyDef WaitingForStickString{kHid, "WaitingForStickString", R::Bytes, "No sensors found", W::Never};
const KeyDef StartOnLoad{kHid, "StartOnLoad", R::Number16, "1", W::Never};
const KeyDef Color{kHid, "Color[%]", R::Strict32, nullptr, W::ColourPicker};
const KeyDef ChEnable{kHid, "ChEnable[%]", R::EnableText, "0", W::EnableCurveBox, false, enableDefault};
const KeyDef Warnings{kHid, "Warnings", R::Number16, "1", W::WarningsBox, true};
const KeyDef WarningSounds{kHid, "WarningSounds", R::Number16, "0", W::SoundAlarmBox, true};
const KeyDef PlotGradientWarnings{kHid, "PlotGradientWarnings", R::Number16, "1", W::GradientWarningsBox, true};
const KeyDef TxtWarnMsg{kHid, "TxtWarnMsg[%]", R::Text, "", W::EditingWarnMessage, true, warnMessageDefault};
const KeyDef MainFont{kHid, "MainFont", R::Text, "MS Sans Serif", W::ClosingPlotSettings};
const KeyDef MainFont1{kHid, "MainFont1", R::Text, nullptr, W::ClosingPlotSettings};
const KeyDef MainFontSize{kHid, "MainFontSize", R::StrictSingle, "8", W::ClosingPlotSettings};
const KeyDef MainFontSize1{kHid, "MainFontSize1", R::StrictSingle, nullptr, W::ClosingPlotSettings};
const KeyDef MainFontBold{kHid, "MainFontBold", R::Flag, "False", W::ClosingPlotSettings};
const KeyDef MainFontUL{kHid, "MainFontUL", R::Flag, "False", W::ClosingPlotSettings};
const KeyDef MainFontItalic{kHid, "MainFontItalic", R::Flag, "False", W::ClosingPlotSettings};
const KeyDef MainFontBold1{kHid, "MainFontBold1", R::Flag, nullptr, W::ClosingPlotSettings};
const KeyDef MainFontUL1{kHid, "MainFontUL1", R::Flag, nullptr, W::ClosingPlotSettings};
const KeyDef MainFontItalic1{kHid, "MainFontItalic1", R::Flag, nullptr, W::ClosingPlotSettings};
const KeyDef ShowYvalues{kHid, "ShowYvalues", R::Strict16, "1", W::ClosingPlotSettings};
const KeyDef PlotAutoScale{kHid, "PlotAutoScale", R::Number16, "1", W::ClosingPlotSettings, true};
const KeyDef PlotBkgGradient{kHid, "PlotBkgGradient", R::Number16, "1", W::ClosingPlotSettings, true};
const KeyDef PlotScroll{kHid, "PlotScroll", R::Number16, "1", W::ClosingPlotSettings, true};
const KeyDef PlotGrid{kHid, "PlotGrid", R::Number16, "0", W::ClosingPlotSettings, true};
const KeyDef Margin{kHid, "Margin[%]", R::Text, "20", W::ClosingPlotSettings, true};
const KeyDef GradientBcomponent{kHid, "GradientBcomponent", R::Text, "128", W::ClosingPlotSettings, true};
const KeyDef PlotPenWidth{kHid, "PlotPenWidth", R::Text, "", W::PenWidthBox, true};
const KeyDef RequestString1{kHid, "RequestString1", R::Text, "Enter end time of logging (HH:MM)", W::Never};

const KeyDef YaxisTitle{kPlot, "YaxisTitle", R::Text, "", W::Never};
const KeyDef Label{kPlot, "Label%", R::Bytes, "", W::ClosingPlotSettings};
const KeyDef RecordLength{kPlot, "RecordLength", R::Text, "100", W::Never};
// The sample interval in seconds, kept across runs.
const KeyDef ReadInterval{kPlot, "ReadInterval", R::Text, "1", W::ClosingPlotSettings};
const KeyDef TimeStampFormat{kPlot, "TimeStampFormat", R::Text, "Hh:Nn:Ss", W::Never};
const KeyDef FooterFormat{kPlot, "FooterFormat", R::Text, "Short Date", W::Never};
const KeyDef QuickButton{kPlot, "QuickButton%", R::Text, "", W::Never};
const KeyDef QuickButtonChk{kPlot, "QuickButtonChk%", R::Text, "", W::Never};
const KeyDef Logo_Left_Left{kPlot, "Logo_Left_Left", R::Strict32, "0", W::Never};
const KeyDef Logo_Left_Top{kPlot, "Logo_Left_Top", R::Strict32, "0", W::Never};
// One lane per unit, each with its own scale.
const KeyDef PlotLanes{kPlot, "Lanes", R::Number16, "0", W::ClosingPlotSettings};
// The light plot even on a dark desktop.
const KeyDef LightPlot{kPlot, "LightPlot", R::Number16, "0", W::ClosingPlotSettings};

// Publishing over MQTT; edited in the settings file, off unless enabled.
const KeyDef MqttEnabled{kMqtt, "Enabled", R::Number16, "0", W::PublishingDialog};
const KeyDef MqttHost{kMqtt, "Host", R::Text, "localhost", W::PublishingDialog};
const KeyDef MqttPort{kMqtt, "Port", R::Text, "1883", W::PublishingDialog};
const KeyDef MqttUser{kMqtt, "User", R::Text, "", W::PublishingDialog};
const KeyDef MqttPassword{kMqtt, "Password", R::Text, "", W::PublishingDialog};
const KeyDef MqttTopicPrefix{kMqtt, "TopicPrefix", R::Text, "ventiscope", W::PublishingDialog};
const KeyDef MqttDiscovery{kMqtt, "Discovery", R::Number16, "1", W::PublishingDialog};
const KeyDef MqttCAFile{kMqtt, "CAFile", R::Text, "", W::PublishingDialog};
const KeyDef MqttNodeId{kMqtt, "NodeId", R::Text, "", W::PublishingDialog};
const KeyDef MqttDiscoveryPrefix{kMqtt, "DiscoveryPrefix", R::Text, "homeassistant", W::PublishingDialog};
const KeyDef MqttPublishInterval{kMqtt, "PublishInterval", R::Text, "10", W::PublishingDialog};
const KeyDef MqttPublishNetworkSticks{kMqtt, "PublishNetworkSticks", R::Number16, "0", W::PublishingDialog};
// Edited in the settings file.
const KeyDef MqttArea{kMqtt, "Area", R::Text, "", W::Never};
const KeyDef MqttForgetAfterDays{kMqtt, "ForgetAfterDays", R::Text, "30", W::Never};
const KeyDef MqttCertFile{kMqtt, "CertFile", R::Text, "", W::Never};
const KeyDef MqttKeyFile{kMqtt, "KeyFile", R::Text, "", W::Never};
const KeyDef MqttPasswordFile{kMqtt, "PasswordFile", R::Text, "", W::Never};
// The metrics endpoint; edited in the settings file, off unless enabled.
const KeyDef MetricsEnabled{kMetrics, "Enabled", R::Number16, "0", W::PublishingDialog};
const KeyDef MetricsListen{kMetrics, "Listen", R::Text, "127.0.0.1:9464", W::PublishingDialog};
const KeyDef MetricsNetworkSticks{kMetrics, "NetworkSticks", R::Number16, "0", W::PublishingDialog};
// The history; edited in the settings file or Settings > History...
const KeyDef HistoryEnabled{kHistory, "Enabled", R::Number16, "1", W::HistoryDialog};
const KeyDef HistoryPath{kHistory, "Path", R::Text, "", W::Never};
const KeyDef HistoryRawDays{kHistory, "RawDays", R::Text, "", W::HistoryDialog};
const KeyDef HistoryRollupDays{kHistory, "RollupDays", R::Text, "", W::HistoryDialog};
const KeyDef HistoryHourDays{kHistory, "HourDays", R::Text, "", W::HistoryDialog};
// The web page; edited in the settings file, off unless enabled.
const KeyDef WebEnabled{kWeb, "Enabled", R::Number16, "0", W::Never};
const KeyDef WebListen{kWeb, "Listen", R::Text, "127.0.0.1:8080", W::Never};
const KeyDef WebPasswordFile{kWeb, "PasswordFile", R::Text, "", W::Never};
const KeyDef NetworkOption{kNet, "NetworkOption", R::Strict16, "0", W::ClosingNetworkSettings};
const KeyDef LocalPort{kNet, "LocalPort", R::Text, "5800", W::ClosingNetworkSettings};
const KeyDef nServers{kNet, "nServers", R::Strict16, "0", W::ClosingNetworkSettings};
const KeyDef Server{kNet, "Server%", R::Text, "127.0.0.1", W::ClosingNetworkSettings};
} // namespace keys

const std::vector<const KeyDef*>& allKeys()
{
    using namespace keys;
    static const std::vector<const KeyDef*> all = {
        &MainGraphLeft, &MainGraphTop, &MainGraphWidth, &MainGraphHeight, &MainGraphMaximized, &AirStateLeft, &AirStateTop, &MainTitle, &MenuVisible,
        &DisableEmulation, &LogFile, &Log2file, &WaitingForStickString, &StartOnLoad, &Color, &ChEnable,
        &Warnings, &WarningSounds, &PlotGradientWarnings, &TxtWarnMsg, &MainFont, &MainFont1, &MainFontSize,
        &MainFontSize1, &MainFontBold, &MainFontUL, &MainFontItalic, &MainFontBold1, &MainFontUL1,
        &MainFontItalic1, &ShowYvalues, &PlotAutoScale, &PlotBkgGradient, &PlotScroll, &PlotGrid, &Margin,
        &GradientBcomponent, &PlotPenWidth, &RequestString1, &YaxisTitle, &Label, &RecordLength,
        &TimeStampFormat, &ReadInterval, &FooterFormat, &QuickButton, &QuickButtonChk, &Logo_Left_Left, &Logo_Left_Top, &PlotLanes, &LightPlot, &WebEnabled, &WebListen, &WebPasswordFile,
        &NetworkOption, &LocalPort, &nServers, &Server, &MqttEnabled, &MqttHost, &MqttPort, &MqttUser,
        &MqttPassword, &MqttTopicPrefix, &MqttDiscovery, &MqttCAFile, &MqttNodeId, &MqttDiscoveryPrefix,
        &MqttPublishInterval, &MqttPublishNetworkSticks, &MqttArea, &MqttForgetAfterDays, &MqttCertFile,
        &MqttKeyFile, &MqttPasswordFile, &MetricsEnabled, &MetricsListen, &MetricsNetworkSticks,
        &HistoryEnabled, &HistoryPath, &HistoryRawDays, &HistoryRollupDays, &HistoryHourDays,
    };
    return all;
}

} // namespace vs
