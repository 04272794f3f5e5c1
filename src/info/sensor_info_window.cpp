#include "info/sensor_info_window.h"

#include "common/clock.h"
#include "common/dateformat.h"
#include "settings/conversions.h"
#include "settings/settings.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace vs {

SensorInfoWindow::SensorInfoWindow(const Settings& settings, const Clock& clock, QWidget* parent)
    : QDialog(parent), settings_(settings), clock_(clock)
{
    setObjectName("frmSensorInfo");
    setWindowTitle("Sensor Information");
    auto* layout = new QVBoxLayout(this);
    txtInfo_ = new QPlainTextEdit(this);
    txtInfo_->setObjectName("TxtInfo");
    txtInfo_->setReadOnly(true);
    picture1_ = new QLabel(this);
    picture1_->setObjectName("Picture1");
    picture1_->setWordWrap(true);
    hint_ = new QLabel("A time later than now means yesterday.", this);
    hint_->setObjectName("LblHint");
    text1_ = new QLineEdit(this);
    text1_->setObjectName("Text1");
    lblAverage_ = new QLabel("Average (%)", this);
    lblAverage_->setObjectName("LblAverage");
    txtAverage_ = new QLineEdit("0", this);
    txtAverage_->setObjectName("TxtAverage");
    // Names for assistive tools: the question above the answer changes, the answer's name does not.
    lblAverage_->setBuddy(txtAverage_);
    text1_->setAccessibleName("Answer");
    for (QWidget* w : {static_cast<QWidget*>(txtInfo_), static_cast<QWidget*>(picture1_),
                       static_cast<QWidget*>(hint_), static_cast<QWidget*>(text1_), static_cast<QWidget*>(lblAverage_),
                       static_cast<QWidget*>(txtAverage_)})
        layout->addWidget(w);
    text1_->installEventFilter(this);
    txtAverage_->installEventFilter(this);
    resize(420, 300);
    SetupAverage(false, 0, 0);
    ShowSensorDetails({}, 0);
}

void SensorInfoWindow::setInfoText(const QString& text)
{
    txtInfo_->setPlainText(text);
}

void SensorInfoWindow::ShowSensorDetails(const QString& caption, double seconds)
{
    requestMode_ = !caption.isEmpty();
    if (requestMode_) {
        setWindowTitle(caption);
        // A prompt held as "\x" escapes is its UTF-16 bytes; shown as text again.
        prompt_ = bytesSettingFromEdit(settings_.shownText(keys::RequestString1));
        picture1_->setText(prompt_);
        const double days = clock_.now().toDays() - seconds / 86400.0;
        text1_->setText(QString::fromStdString(formatDateTime(LocalDateTime::fromDays(days), "Hh:Nn")));
        text1_->selectAll();
    } else {
        setWindowTitle("Sensor Information");
        // The averaging box belongs to a request.
        lblAverage_->hide();
        txtAverage_->hide();
    }
    txtInfo_->setVisible(!requestMode_);
    picture1_->setVisible(requestMode_);
    hint_->setVisible(requestMode_);
    text1_->setVisible(requestMode_);
}

void SensorInfoWindow::SetupAverage(bool show, int maximum, int minimum)
{
    lblAverage_->setVisible(show);
    txtAverage_->setVisible(show);
    average_ = 0;
    txtAverage_->setText("0");
    if (show) {
        txtAverage_->setToolTip(QString::number(minimum) + "..." + QString::number(maximum));
        minimum_ = minimum;
        maximum_ = maximum;
    }
}

int SensorInfoWindow::clampedAverage()
{
    const double v = std::trunc(leadingNumber(txtAverage_->text()));
    const int clamped = static_cast<int>(std::clamp(v, static_cast<double>(minimum_), static_cast<double>(maximum_)));
    if (clamped != v)
        txtAverage_->setText(QString::number(clamped));
    return clamped;
}

void SensorInfoWindow::answer()
{
    average_ = txtAverage_->isVisible() ? static_cast<int16_t>(clampedAverage()) : 0;
    hide();
}

void SensorInfoWindow::cancel()
{
    cancelled_ = true;
    hide();
}

std::optional<FlashRequest> SensorInfoWindow::request(const QString& caption, double seconds,
                                                      const AverageSetup& average)
{
    SetupAverage(average.show, average.maximum, average.minimum);
    ShowSensorDetails(caption, seconds);
    cancelled_ = false;
    show();
    raise();
    activateWindow();
    text1_->setFocus();
    QEventLoop wait;
    connect(this, &SensorInfoWindow::hidden, &wait, &QEventLoop::quit);
    if (isVisible())
        wait.exec();
    const QString time = text1_->text().trimmed();
    ShowSensorDetails({}, 0);
    if (time.isEmpty() || cancelled_)
        return std::nullopt;
    return FlashRequest{time.toStdString(), average_};
}

void SensorInfoWindow::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    emit hidden();
}

bool SensorInfoWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched == txtAverage_) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            average_ = clampedAverage();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void SensorInfoWindow::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    // A user backing out of a request gets no download.
    if (key == Qt::Key_Escape && requestMode_) {
        cancel();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        answer();
        return;
    }
    QDialog::keyPressEvent(event);
}

void SensorInfoWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (requestMode_)
        cancel();
    else
        answer();
}

} // namespace vs
