#include "window/air_state_window.h"

#include "window/window_geometry.h"

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QVBoxLayout>

namespace vs {

namespace {
// Each state's picture, icon and what its colour says, for those who do not see it.
struct StateFiles {
    const char* picture;
    const char* icon;
    const char* name;
};
const StateFiles kStates[4] = {{"airstate_null.bmp", "icon_null.ico", "Air state: no value"},
                               {"airstate_green.bmp", "icon_green.ico", "Air state: good (green)"},
                               {"airstate_yellow.bmp", "icon_yellow.ico", "Air state: getting bad (yellow)"},
                               {"airstate_red.bmp", "icon_red.ico", "Air state: bad (red)"}};
} // namespace

AirStateWindow::AirStateWindow(const QString& folder, QWidget* parent)
    : QWidget(parent, Qt::Window), folder_(folder), picture_(new QLabel(this)), menu_(new QMenu("Window state", this))
{
    setObjectName("FrmAirState");
    setWindowTitle("Air state");
    // A picture to look at: the keyboard stays with the main window.
    setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture_);
    picture_->setObjectName("PicState");
    picture_->setScaledContents(true);
    menu_->setObjectName("mWinSettings");
    auto* group = new QActionGroup(this);
    const char* names[3] = {"Always on top", "Bring to top", "Normal"};
    for (int i = 0; i < 3; ++i) {
        states_[i] = menu_->addAction(names[i], this, [this, i] { chooseZOrder(static_cast<ZOrder>(i)); });
        states_[i]->setCheckable(true);
        group->addAction(states_[i]);
    }
    // The first start keeps the light on top, where it can be seen.
    states_[AlwaysOnTop]->setChecked(true);
    zOrder_ = AlwaysOnTop;
    menu_->addSeparator();
    menu_->addAction("Reset picture", this, [this] { resetPicture(); });
}

bool AirStateWindow::load(std::optional<QPoint> stored, const std::vector<QRect>& keepClear)
{
    available_ = QFileInfo(QDir(folder_).filePath(kStates[0].picture)).isFile();
    if (!available_)
        return false;
    AirState_set(0);
    resetPicture();
    layout()->activate(); // its size as it will be shown
    // The screen it was on when it has a stored place, else the primary one.
    const QScreen* screen = stored ? QGuiApplication::screenAt(*stored) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const auto place = [&] {
        if (screen)
            move(cornerPosition(frameGeometry().size(), screen->availableGeometry(), stored, keepClear));
    };
    place();
    setAttribute(Qt::WA_ShowWithoutActivating);
    show();
    place(); // again with its frame, known once shown
    return true;
}

void AirStateWindow::AirState_set(int state)
{
    if (!available_ || state + 1 == lastState_)
        return;
    if (state >= 0)
        UpdateWinZPos();
    if (state == -1)
        hide();
    else if (state >= 0 && state <= 3 && StatePicture_Load(kStates[state].picture, kStates[state].icon)) {
        picture_->setAccessibleName(kStates[state].name);
        picture_->setToolTip(kStates[state].name);
    }
    lastState_ = state + 1;
}

bool AirStateWindow::StatePicture_Load(const QString& picture, const QString& icon)
{
    const QPixmap pixmap(QDir(folder_).filePath(picture));
    if (pixmap.isNull())
        return false;
    picture_->setPixmap(pixmap);
    picture_->show();
    pictureFile_ = picture;
    const QIcon windowIcon(QDir(folder_).filePath(icon));
    if (!windowIcon.isNull())
        setWindowIcon(windowIcon);
    return true;
}

void AirStateWindow::UpdateWinZPos()
{
    const bool wasVisible = isVisible();
    switch (zOrder_) {
    case AlwaysOnTop:
        if (!(windowFlags() & Qt::WindowStaysOnTopHint))
            setWindowFlag(Qt::WindowStaysOnTopHint, true);
        break;
    case BringToTop:
        setWindowFlag(Qt::WindowStaysOnTopHint, false);
        raise();
        break;
    case Normal:
        if (windowFlags() & Qt::WindowStaysOnTopHint)
            setWindowFlag(Qt::WindowStaysOnTopHint, false);
        break;
    }
    // Changing the flags hides a window; it comes back without taking the focus.
    if (wasVisible && !isVisible()) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        show();
    }
    ++zOrderCalls_;
}

void AirStateWindow::chooseZOrder(ZOrder order)
{
    zOrder_ = order;
    states_[order]->setChecked(true);
    UpdateWinZPos();
}

void AirStateWindow::resetPicture()
{
    const QPixmap current = picture_->pixmap();
    if (!current.isNull())
        resize(current.size());
}

void AirStateWindow::contextMenuEvent(QContextMenuEvent* event)
{
    menu_->exec(event->globalPos());
}

} // namespace vs
