#include "window/quick_buttons.h"

#include "settings/settings.h"

#include <QCheckBox>
#include <QDir>
#include <QIcon>
#include <QPixmap>
#include <QPushButton>

namespace vs {

QuickButtonSetting parseQuickButton(const QString& value)
{
    QuickButtonSetting s;
    if (value.isEmpty())
        return s;
    s.configured = true;
    const qsizetype comma = value.indexOf(',');
    if (comma < 0) {
        s.picture = value;
        return s;
    }
    s.caption = value.mid(comma + 1);
    s.picture = value.left(comma);
    return s;
}

QuickButtons::QuickButtons(QWidget* plotPicture, const Settings& settings, QString folder)
    : QObject(plotPicture), plot_(plotPicture), settings_(settings), folder_(std::move(folder))
{
    const char* captions[3] = {"Help", "Read Flash", "Save view"};
    for (int i = 0; i < 3; ++i) {
        buttons_[i] = new QPushButton(captions[i], plot_);
        buttons_[i]->setObjectName(QString("cmd_QuickButton%1").arg(i));
        buttons_[i]->hide();
        connect(buttons_[i], &QPushButton::clicked, this, [this, i] {
            const std::function<void()>& action = i == 0 ? onHelp : (i == 1 ? onFlash : onSnapshot);
            if (action)
                action();
        });
    }
    live_ = new QCheckBox("Live data", plot_);
    live_->setObjectName("Chk_QuickButton0");
    live_->hide();
    connect(live_, &QCheckBox::clicked, this, [this](bool ticked) {
        if (onLiveData)
            onLiveData(ticked);
    });
}

void QuickButtons::setLiveData(bool ticked)
{
    if (live_->isChecked() == ticked)
        return;
    live_->setChecked(ticked);
    if (onLiveData)
        onLiveData(ticked);
}

void QuickButtons::QuickButton_Load()
{
    auto apply = [this](QAbstractButton* b, const QString& value) {
        const QuickButtonSetting s = parseQuickButton(value);
        if (!s.configured)
            return;
        configured_ = true;
        b->show();
        if (!s.caption.isEmpty() || value.contains(','))
            b->setText(s.caption);
        if (!s.picture.isEmpty()) {
            const QPixmap picture(QDir(folder_).filePath(s.picture));
            if (!picture.isNull()) {
                b->setIcon(QIcon(picture));
                b->setIconSize(picture.size());
                if (!value.contains(','))
                    b->setText(QString());
            }
        }
        b->adjustSize();
    };
    for (int i = 0; i < 3; ++i)
        apply(buttons_[i], settings_.text(keys::QuickButton, i));
    apply(live_, settings_.text(keys::QuickButtonChk, 0));
}

void QuickButtons::QuickButton_Enable()
{
    if (!configured_)
        return;
    for (QPushButton* b : buttons_)
        b->setEnabled(true);
    live_->setEnabled(true);
}

void QuickButtons::QuickButton_Position(const PlotGeometry& g)
{
    const int w = plot_->width();
    const int h = plot_->height();
    buttons_[0]->move(w - buttons_[0]->width() - g.MarginRight, h - buttons_[0]->height());
    buttons_[1]->move(g.MarginLeft, h - buttons_[1]->height());
    live_->move(buttons_[1]->x() + buttons_[1]->width() + 20, h - buttons_[1]->height());
    buttons_[2]->move(live_->x() + live_->width() + 20, h - buttons_[1]->height());
}

} // namespace vs
