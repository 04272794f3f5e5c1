#include "info/about_box.h"

#include "common/version.h"
#include "settings/key_table.h"

#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace vs {

const char* const kProjectWebAddress = "https://ventiscope.example";

QString webAddress(const QString& text)
{
    const QString t = text.trimmed();
    return t.contains("://") ? t : "http://" + t;
}

namespace {

const char* const kBlue = "color: rgb(0, 0, 255); text-decoration: underline;";
const char* const kHover = "color: rgb(80, 50, 200); text-decoration: underline;";

QString versionText()
{
    return QString("Version %1.%2.%3\r\n").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}

} // namespace

AboutBox::AboutBox(const QIcon& programIcon, QWidget* parent) : QDialog(parent)
{
    setObjectName("frmAbout");
    setWindowTitle("About " + applicationTitle());
    auto* grid = new QGridLayout(this);
    picIcon_ = new QLabel(this);
    picIcon_->setObjectName("picIcon");
    const QPixmap icon = programIcon.pixmap(64, 64);
    if (!icon.isNull())
        picIcon_->setPixmap(icon);
    else
        picIcon_->setText(applicationTitle());
    picIcon_->installEventFilter(this);
    lblTitle_ = new QLabel(applicationTitle(), this);
    lblTitle_->setObjectName("lblTitle");
    QFont big = lblTitle_->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle_->setFont(big);
    lblVersion_ = new QLabel(this);
    lblVersion_->setObjectName("lblVersion");
    lblDescription_ = new QLabel(this);
    lblDescription_->setObjectName("lblDescription");
    lblDisclaimer_ = new QLabel(this);
    lblDisclaimer_->setObjectName("lblDisclaimer");
    lblDisclaimer_->setWordWrap(true);
    for (int i = 0; i < 2; ++i) {
        web_[i] = new QLabel(this);
        web_[i]->setObjectName(QString("LblWeb%1").arg(i));
        web_[i]->setStyleSheet(kBlue);
        web_[i]->setCursor(Qt::PointingHandCursor);
        web_[i]->installEventFilter(this);
    }
    web_[0]->setText(kProjectWebAddress);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("cmdOK");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    cmdSysInfo_ = new QPushButton("System Info...", this);
    cmdSysInfo_->setObjectName("cmdSysInfo");
    cmdSysInfo_->hide();
    connect(cmdSysInfo_, &QPushButton::clicked, this, [this] {
        if (showSysInfo)
            showSysInfo();
    });
    grid->addWidget(picIcon_, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(lblTitle_, 0, 1);
    grid->addWidget(lblVersion_, 1, 1);
    grid->addWidget(lblDescription_, 2, 1);
    grid->addWidget(web_[0], 3, 1);
    grid->addWidget(web_[1], 4, 1);
    grid->addWidget(lblDisclaimer_, 5, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdSysInfo_);
    buttons->addWidget(ok);
    grid->addLayout(buttons, 6, 0, 1, 2);
    load({});
}

void AboutBox::load(const QString& stickAddress)
{
    setWindowTitle("About " + applicationTitle());
    lblTitle_->setText(applicationTitle());
    lblVersion_->setText(versionText());
    lblDescription_->setText("\r\n\r\n");
    lblDisclaimer_->setText("Disclaimer:\r\nThis program is not to be used for medical applications");
    web_[1]->setText(stickAddress);
    web_[1]->setVisible(!stickAddress.isEmpty());
    lastKey_ = 0;
    if (engineering_)
        EngineeringMode();
}

void AboutBox::EngineeringMode()
{
    if (engineeringOn)
        engineeringOn();
    lblDescription_->setText("Engineering mode: support menus and sensor information are shown.");
    lblVersion_->setText(versionText() + extraVersion);
    cmdSysInfo_->show();
    engineering_ = true;
}

void AboutBox::keyPressEvent(QKeyEvent* event)
{
    lastKey_ = event->key();
    QDialog::keyPressEvent(event);
}

bool AboutBox::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress)
        lastKey_ = static_cast<QKeyEvent*>(event)->key();
    if (watched == picIcon_ && event->type() == QEvent::MouseButtonDblClick && lastKey_ == Qt::Key_Control) {
        EngineeringMode();
        return true;
    }
    for (QLabel* link : web_) {
        if (watched != link)
            continue;
        if (event->type() == QEvent::Enter)
            link->setStyleSheet(kHover);
        else if (event->type() == QEvent::Leave)
            link->setStyleSheet(kBlue);
        else if (event->type() == QEvent::MouseButtonRelease && openAddress && !link->text().isEmpty())
            openAddress(webAddress(link->text()));
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace vs
