#include "plot/plot_output.h"

#include "common/clock.h"
#include "common/numformat.h"
#include "common/prompts.h"

#include <QBuffer>
#include <QDir>
#include <QRegularExpression>
#include <QFileInfo>
#include <QImageWriter>
#include <QMimeData>
#include <QSaveFile>
#include <QStandardPaths>

#include <cstdio>

namespace vs {

std::string plot_DataText(const PlotRecord& plot)
{
    std::string out;
    if (plot.RecordLength < 1 || !plot.hasStore())
        return out;
    for (int n = 0; n < plot.RecordLength; ++n) {
        const int slot = (plot.WriteIndex + n) % plot.RecordLength;
        const std::string& time = plot.SampleText[static_cast<size_t>(slot)];
        if (time.find_first_not_of(' ') == std::string::npos)
            continue; // never written, or only pre-filled
        std::string line;
        for (char c : time)
            line += c == '\n' ? std::string(" \t") : std::string(1, c);
        line += " \t";
        for (int k = 0; k < plot.nCurves; ++k)
            if (plot.CurveEnabled[static_cast<size_t>(k)])
                line += (plot.at(slot, k) == kNoValue ? std::string() : generalNumber(plot.at(slot, k) / 100.0)) + "\t ";
        out += line + "\r\n";
    }
    return out;
}

QString writePictureFile(const QImage& image, const QString& file)
{
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return "the PNG could not be made";
    QByteArray bytes = png;
    if (file.endsWith(".svg", Qt::CaseInsensitive))
        bytes = QString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                        "viewBox=\"0 0 %1 %2\">\n<image width=\"%1\" height=\"%2\" href=\"data:image/png;base64,")
                    .arg(image.width())
                    .arg(image.height())
                    .toUtf8() +
                png.toBase64() + "\"/>\n</svg>\n";
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return out.errorString().isEmpty() ? QString("it could not be written") : out.errorString();
    return {};
}

std::optional<QSize> pictureSize(const QString& text)
{
    static const QRegularExpression form(R"(^\s*(\d{1,5})\s*[xX\x{00D7}*]\s*(\d{1,5})\s*$)");
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const int w = m.captured(1).toInt(), h = m.captured(2).toInt();
    if (w < 16 || h < 16 || w > 10000 || h > 10000)
        return std::nullopt;
    return QSize(w, h);
}

QString defaultViewFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) + "/Ventiscope";
}

ViewSaver::ViewSaver(Prompts& prompts, const Clock& clock, QString startFolder)
    : prompts_(prompts), clock_(clock), folder_(std::move(startFolder))
{
}

QString ViewSaver::SaveView(const std::function<QImage()>& draw)
{
    FileDialogSpec spec;
    spec.title = "Select file to save";
    spec.filter = "Bitmap files (*.bmp)|*.bmp|All files (*.*)|*.*";
    spec.defaultExtension = ".bmp";
    spec.folder = folder_.toStdString();
    if (!saved_) {
        const LocalDateTime t = clock_.now();
        char name[32];
        std::snprintf(name, sizeof name, "view%02d%02d%02d.bmp", t.year % 100, t.month, t.day);
        spec.proposedName = name;
        QDir().mkpath(folder_);
    }
    const auto chosen = prompts_.saveFile(spec);
    if (!chosen)
        return {};
    const QString path = QString::fromStdString(*chosen);
    folder_ = QFileInfo(path).absolutePath();

    const QImage image = draw();
    const QByteArray format = path.endsWith(".png", Qt::CaseInsensitive) ? "PNG" : "BMP";
    QSaveFile file(path);
    QString error;
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
    } else {
        QImageWriter writer(&file, format);
        if (!writer.write(image)) {
            error = writer.errorString();
            file.cancelWriting();
        } else if (!file.commit()) {
            error = file.errorString();
        }
    }
    if (!error.isEmpty()) {
        prompts_.message("Error saving file: \r\n\r\n" + error.toStdString() + "\r\n", Prompts::Icon::Critical);
        return {};
    }
    saved_ = true;
    return path;
}

QMimeData* copyGraphData(PlotRecord& plot, const std::function<QImage()>& draw)
{
    const Rgb back = plot.BackColor;
    plot.BackColor = rgb(255, 255, 255);
    auto* mime = new QMimeData;
    mime->setText(QString::fromStdString(plot_DataText(plot)));
    mime->setImageData(draw());
    plot.BackColor = back;
    return mime;
}

} // namespace vs
