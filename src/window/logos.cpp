#include "window/logos.h"

#include "settings/settings.h"

#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>

namespace vs {

Logos::Logos(QWidget* plotPicture, const Settings& settings, QString folder)
    : QObject(plotPicture), plot_(plotPicture), settings_(settings), folder_(std::move(folder)),
      right_(new QLabel(plotPicture)), left_(new QLabel(plotPicture))
{
    right_->setObjectName("PicLogo");
    left_->setObjectName("PicLogoLeft");
    right_->hide();
    left_->hide();
    right_->installEventFilter(this);
}

bool Logos::loadInto(QLabel* label, const QString& file)
{
    const QPixmap picture(QDir(folder_).filePath(file));
    label->setVisible(!picture.isNull());
    if (!picture.isNull()) {
        label->setPixmap(picture);
        label->resize(picture.size());
    }
    return !picture.isNull();
}

void Logos::Logo_small_Load()
{
    loadInto(right_, "logo_small.bmp");
    loadInto(left_, "logo_small_left.bmp");
    leftOffset_ = static_cast<int>(settings_.number(keys::Logo_Left_Left));
    topOffset_ = static_cast<int>(settings_.number(keys::Logo_Left_Top));
    Logo_small_Place();
}

void Logos::Logo_small_Place()
{
    if (!right_->isHidden())
        right_->move(plot_->width() - right_->width() - 8, 0);
    if (!left_->isHidden())
        left_->move(leftOffset_, topOffset_);
}

bool Logos::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == right_ && event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if ((mouse->modifiers() & Qt::ControlModifier) && onEngineeringMode)
            onEngineeringMode();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vs
