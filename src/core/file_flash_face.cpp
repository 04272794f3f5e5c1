#include "core/file_flash_face.h"

#include "common/numformat.h"
#include "stick/stick_link.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSaveFile>

#include <cmath>

namespace vs {

FileFlashFace::FileFlashFace(StickLink& link, int stick, std::string endTime,
                             std::function<void(const std::string&)> line)
    : link_(link), stick_(stick), endTime_(std::move(endTime)), line_(std::move(line)),
      separator_(QLocale::system().decimalPoint().at(0).toLatin1())
{
    if (separator_ == 0)
        separator_ = '.';
    // The recording is the stick's channel 0.
    std::string label = "value", unit;
    if (const StickRecord* s = link_.slot(stick_); s && !s->Channels.empty()) {
        label = s->Channels[0].Ylabel;
        unit = s->Channels[0].Yunit;
    }
    text_ = "\"Date time[yyyy-mm-dd Hh:Nn:Ss]\"\t \"" + label + "[" + unit + "]\"\t \r\n";
}

void FileFlashFace::print(const std::string& text)
{
    // Form feeds clear the window's text box; here they only end a line.
    std::string rest;
    for (char c : text)
        if (c != '\f')
            rest += c;
    while (!rest.empty() && (rest.back() == '\n' || rest.back() == ' '))
        rest.pop_back();
    if (!rest.empty())
        line_(rest);
}

std::optional<FlashRequest> FileFlashFace::askEndTime(const std::string&, const AverageSetup&)
{
    return FlashRequest{endTime_, 0};
}

void FileFlashFace::progress(int done, int total, double secondsLeft)
{
    std::string text = "Downloading value " + std::to_string(done) + " of " + std::to_string(total);
    if (secondsLeft >= 0)
        text += ", " + std::to_string(std::lround(secondsLeft)) + " s left";
    line_(text);
}

void FileFlashFace::writeLog(const std::string& time)
{
    const StickRecord* s = link_.slot(stick_);
    const double value = s && !s->Channels.empty() ? s->Channels[0].LastValue : 0;
    text_ += time + "\t " + generalNumber(value, separator_) + "\t \r\n";
    ++values_;
}

void FileFlashFace::processEvents()
{
    QCoreApplication::processEvents();
}

bool FileFlashFace::save(const QString& fileName, QString& error) const
{
    QSaveFile file(fileName);
    const QByteArray bytes = QString::fromStdString(text_).toLocal8Bit();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace vs
