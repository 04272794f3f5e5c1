#include "core/value_log.h"

#include "core/face.h"

#include "common/numformat.h"
#include "common/prompts.h"
#include "plot/plot_model.h"
#include "settings/settings.h"
#include "stick/stick_link.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

#include <utility>

namespace vs {

namespace {

// Calls `each(stick, channel)` for every channel written to the log: the
// channel's curve must exist and be enabled. Curves follow the open sticks'
// channels in slot order, as the plot sets them up, so a closed slot (a
// stick pulled out) takes no curve numbers from the sticks after it.
template <class Each>
void forLoggedChannels(const StickLink& link, const PlotRecord& plot, Each each)
{
    int k = 0;
    for (int s = 0; s < link.SlotsReserved; ++s) {
        if (!link.Nymstick_isOpen(s))
            continue;
        const StickRecord& stick = *link.slot(s);
        for (int i = 0; i < stick.nChannels && i < static_cast<int>(stick.Channels.size()); ++i, ++k)
            if (k < plot.nCurves && plot.CurveEnabled[static_cast<size_t>(k)])
                each(s, stick.Channels[static_cast<size_t>(i)]);
    }
}

} // namespace

std::string logHeaderLine(const StickLink& link, const PlotRecord& plot)
{
    std::string line = "\"Date time[yyyy-mm-dd Hh:Nn:Ss]\"\t ";
    const bool prefix = link.SlotsReserved >= 2;
    forLoggedChannels(link, plot, [&](int s, const ChannelRecord& c) {
        line += "\"" + (prefix ? std::to_string(s) + ":" : std::string()) + c.Ylabel + "[" + c.Yunit + "]\"\t ";
    });
    return line + "\r\n";
}

std::string logDataLine(const StickLink& link, const PlotRecord& plot, const std::string& timeText, char separator)
{
    std::string line = timeText + "\t ";
    // A channel without a value keeps its column, empty; the error column says why.
    forLoggedChannels(link, plot, [&](int, const ChannelRecord& c) {
        line += (c.HasValue ? generalNumber(c.LastValue, separator) : std::string()) + "\t ";
    });
    return line + link.StickErrorText + "\r\n";
}

std::string bufferFileText(const PlotRecord& plot, char separator)
{
    std::string out = "\"Time[Hh:Nn:Ss]\"";
    for (int k = 0; k < plot.nCurves; ++k)
        if (plot.CurveEnabled[static_cast<size_t>(k)])
            out += "\t\"" + plot.CurveName[static_cast<size_t>(k)] + "(" + plot.CurveLabel[static_cast<size_t>(k)] + ")\"";
    out += "\r\n";
    if (!plot.hasStore())
        return out;
    for (int slot = 0; slot < plot.RecordLength; ++slot) {
        const std::string& time = plot.SampleText[static_cast<size_t>(slot)];
        if (QString::fromStdString(time).trimmed().isEmpty())
            continue;
        out += time;
        for (int k = 0; k < plot.nCurves; ++k)
            if (plot.CurveEnabled[static_cast<size_t>(k)])
                out += "\t" + (plot.at(slot, k) == kNoValue ? std::string()
                                                             : formatNumber(plot.at(slot, k) / 100.0, "##0.00", separator));
        out += "\r\n";
    }
    return out;
}

std::string lastHeaderIn(const QString& fileName)
{
    // The end of the file is enough: a header comes again with every change of columns.
    // Only a regular file is read back: a FIFO or a device would block or never end.
    if (!QFileInfo(fileName).isFile())
        return {};
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    constexpr qint64 kTail = 256 * 1024;
    if (file.size() > kTail)
        file.seek(file.size() - kTail);
    const QByteArray tail = file.readAll();
    const QByteArray mark = "\"Date time[";
    qsizetype at = tail.lastIndexOf("\n" + mark);
    at = at >= 0 ? at + 1 : tail.startsWith(mark) && file.size() <= kTail ? 0 : -1;
    if (at < 0)
        return {};
    const qsizetype end = tail.indexOf('\n', at);
    return QString::fromLocal8Bit(tail.mid(at, end < 0 ? -1 : end - at + 1)).toStdString();
}

ValueLog::ValueLog(const StickLink& link, const PlotRecord& plot, Settings& settings, Prompts& prompts, Face& face)
    : decimalSeparator(QLocale::system().decimalPoint().at(0).toLatin1()),
      link_(link),
      plot_(plot),
      settings_(settings),
      prompts_(prompts),
      face_(face),
      fileName_(settings.text(keys::LogFile))
{
    if (decimalSeparator == 0)
        decimalSeparator = '.';
}

void ValueLog::restoreFromSettings()
{
    fileName_ = settings_.text(keys::LogFile);
    if (settings_.number(keys::Log2file) == 1)
        Log_TurnOn(fileName_);
    else
        Log_TurnOff();
}

void ValueLog::Log_TurnOn(const QString& fileName)
{
    fileName_ = fileName;
    on_ = true;
    failing_ = false;
    face_.loggingChanged("Logging to file " + QFileInfo(fileName).fileName(), true);
    Log_WriteHeaders(fileName);
}

void ValueLog::Log_TurnOff()
{
    on_ = false;
    face_.loggingChanged("Log to file...", false);
}

void ValueLog::reopen()
{
    lastHeader_ = lastHeaderIn(fileName_);
    failing_ = false;
}

void ValueLog::Log_WriteHeaders(const QString& fileName)
{
    // The header the file's last lines stand under, if any: lines of other
    // columns get a header of their own.
    lastHeader_ = lastHeaderIn(fileName);
    // Without curves yet (logging comes on before the sticks are configured)
    // the header waits for the first data line, so that it names the columns.
    if (plot_.nCurves == 0)
        return;
    const std::string header = logHeaderLine(link_, plot_);
    if (header == lastHeader_)
        return;
    QString error;
    if (appendLine(header, error))
        lastHeader_ = header;
}

std::optional<QString> ValueLog::Ask4LogFile()
{
    FileDialogSpec spec;
    spec.title = "Select file for log data";
    spec.filter = "Text files (*.txt)|*.txt|All files (*.*)|*.*";
    spec.defaultExtension = ".txt";
    spec.folder = QFileInfo(fileName_).absolutePath().toStdString();
    spec.proposedName = QFileInfo(fileName_).fileName().toStdString();
    const auto chosen = prompts_.saveFile(spec);
    if (!chosen || chosen->empty())
        return std::nullopt;
    return QString::fromStdString(*chosen);
}

void ValueLog::Log_Toggle()
{
    if (on_) {
        Log_TurnOff();
    } else if (const auto name = Ask4LogFile()) {
        Log_TurnOn(*name);
        settings_.save(keys::LogFile, 0, *name);
    }
    settings_.save(keys::Log2file, 0, on_ ? "1" : "0");
}

bool ValueLog::appendLine(const std::string& line, QString& error)
{
    return file_.append(fileName_, QString::fromStdString(line).toLocal8Bit(), error);
}

bool ValueLog::Log_timer_write2file(const std::string& timeText)
{
    if (!on_)
        return true;
    std::string text = logDataLine(link_, plot_, timeText, decimalSeparator);
    // A file that is new (moved away by a rotation, deleted) or columns
    // that changed: the header first.
    const std::string header = logHeaderLine(link_, plot_);
    const QFileInfo file(fileName_);
    const bool fresh = !file.exists() || file.size() == 0;
    if (fresh || header != lastHeader_)
        text = header + text;
    QString error;
    if (appendLine(text, error)) {
        lastHeader_ = header;
        // A failure is said when it starts and when it is over, not every pass.
        if (std::exchange(failing_, false))
            face_.print("Writing to the log " + QFileInfo(fileName_).fileName() + " works again\n");
        return true;
    }
    if (!std::exchange(failing_, true)) {
        face_.print(QString(QChar(12)));
        face_.print("Error writing to log: " + error + "\n");
    }
    return false;
}

void ValueLog::mSave_Click()
{
    const auto name = Ask4LogFile();
    if (!name)
        return;
    QSaveFile file(*name);
    const QByteArray bytes = QString::fromStdString(bufferFileText(plot_, decimalSeparator)).toLocal8Bit();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        // The old file, if any, stays as it was.
        face_.print("Error writing to " + *name + ": " + file.errorString() + "\n");
    }
}

} // namespace vs
