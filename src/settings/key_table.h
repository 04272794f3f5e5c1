#pragma once
#include <QString>

#include <vector>

namespace vs {

// How a stored text is read.
enum class ReadAs {
    Text,
    Number16,     // leading decimal number, truncated to 16 bits; 0 without one
    Number32,
    Strict16,     // whole text as a number, 16 bits
    Strict32,
    StrictSingle, // whole text as a single-precision number
    Flag,         // "True"/"False" or a number
    Bytes,        // UTF-16 bytes, shown as "\x" escapes unless plain
    EnableText,   // "1" is on, anything else off
};

// Who writes the key. Keys no part writes are hand-set options: read, never written.
enum class Writer {
    Never,
    ProgramExit,
    ChoosingLogFile,
    SwitchingLogging,
    ColourPicker,
    EnableCurveBox,
    WarningsBox,
    SoundAlarmBox,
    GradientWarningsBox,
    EditingWarnMessage,
    ClosingPlotSettings,
    PenWidthBox,
    ClosingNetworkSettings,
    PublishingDialog,
    HistoryDialog,
};

// One key of the settings store. Indexed keys have "%" where the index goes
// ("Color[%]", "Label%").
struct KeyDef {
    const char* section;
    const char* pattern;
    ReadAs readAs;
    // The default text; nullptr when the default is the caller's (the window's
    // current geometry, a curve's standard colour, the value of font 0).
    const char* fallback;
    Writer writer;
    // The default is the owning control's initial state (given as fallback).
    bool control = false;
    // Index-dependent defaults ("ChEnable[" is on for curve 0 only).
    QString (*indexedFallback)(int index) = nullptr;

    QString name(int index = 0) const;
    bool indexed() const;
    // The default for this index, or `callerDefault` where the caller supplies it.
    QString defaultText(int index, const QString& callerDefault = {}) const;
};

namespace keys {
// Section "HIDsettings"
extern const KeyDef MainGraphLeft, MainGraphTop, MainGraphWidth, MainGraphHeight;
// The main window was maximised at exit (its normal geometry is the one stored).
extern const KeyDef MainGraphMaximized;
// The air state window's top-left in pixels; empty until it was first placed.
extern const KeyDef AirStateLeft, AirStateTop;
extern const KeyDef MainTitle, MenuVisible, DisableEmulation, LogFile, Log2file, WaitingForStickString, StartOnLoad;
extern const KeyDef Color, ChEnable, Warnings, WarningSounds, PlotGradientWarnings, TxtWarnMsg;
extern const KeyDef MainFont, MainFont1, MainFontSize, MainFontSize1;
extern const KeyDef MainFontBold, MainFontUL, MainFontItalic, MainFontBold1, MainFontUL1, MainFontItalic1;
extern const KeyDef ShowYvalues, PlotAutoScale, PlotBkgGradient, PlotScroll, PlotGrid, Margin;
extern const KeyDef GradientBcomponent, PlotPenWidth, RequestString1;
// Section "Plot"
extern const KeyDef YaxisTitle, Label, RecordLength, TimeStampFormat, FooterFormat, ReadInterval;
extern const KeyDef QuickButton, QuickButtonChk, Logo_Left_Left, Logo_Left_Top, PlotLanes, LightPlot;
// Section "Web"
extern const KeyDef WebEnabled, WebListen, WebPasswordFile;
// Section "NetworkSettings"
extern const KeyDef NetworkOption, LocalPort, nServers, Server;
// Section "MQTT"
extern const KeyDef MqttEnabled, MqttHost, MqttPort, MqttUser, MqttPassword, MqttTopicPrefix, MqttDiscovery, MqttCAFile,
    MqttNodeId, MqttDiscoveryPrefix, MqttPublishInterval, MqttPublishNetworkSticks, MqttArea, MqttForgetAfterDays,
    MqttCertFile, MqttKeyFile, MqttPasswordFile;
// Section "Metrics"
extern const KeyDef MetricsEnabled, MetricsListen, MetricsNetworkSticks;
// Section "History"
extern const KeyDef HistoryEnabled, HistoryPath, HistoryRawDays, HistoryRollupDays, HistoryHourDays;
} // namespace keys

// Every key, in table order.
const std::vector<const KeyDef*>& allKeys();

// The application's title, the default caption.
QString applicationTitle();
// The default value log file: "nymlog.txt" in the home folder.
QString defaultLogFile();

} // namespace vs
