#include "dialogs/records_window.h"

#include "plot/plot_bands.h"
#include "plot/plot_raster.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace vs {

namespace {

constexpr int kBlue = 224;
const QSize kThumbnail(96, 64);

QImage bands(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    Raster r(image);
    const int w = size.width() - 1, h = size.height() - 1;
    const int third = static_cast<int>(std::lround(h / 3.0)), twoThirds = static_cast<int>(std::lround(2 * h / 3.0));
    plot_GradientGreenYellow(r, 0, twoThirds, w, h, kBlue);
    plot_GradientYellowRed(r, 0, third, w, twoThirds, kBlue);
    plot_RedBox(r, 0, 0, w + 1, third, kBlue);
    return image;
}

void frame(QImage& image)
{
    QPainter p(&image);
    const int w = image.width() - 1, h = image.height() - 1;
    p.setPen(QColor(128, 128, 128));
    p.drawLine(0, 0, w, 0);
    p.drawLine(0, 0, 0, h);
    p.setPen(QColor(64, 64, 64));
    p.drawLine(w, 0, w, h);
    p.drawLine(0, h, w, h);
}

} // namespace

QImage plotmini(const std::vector<uint16_t>& points, int minimum, int maximum, QSize size)
{
    QImage image = bands(size);
    if (!points.empty()) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::black, 1));
        const double margin = 5;
        const double w = size.width() - 2 * margin, h = size.height() - 2 * margin;
        const double range = maximum > minimum ? maximum - minimum : 1;
        QPolygonF line;
        for (size_t i = 0; i < points.size(); ++i) {
            const double x = margin + (points.size() > 1 ? w * static_cast<double>(i) / (points.size() - 1) : w / 2);
            const double y = margin + h - h * (points[i] - minimum) / range;
            line << QPointF(x, y);
        }
        if (line.size() == 1)
            p.drawPoint(line.front());
        else
            p.drawPolyline(line);
    }
    frame(image);
    return image;
}

QImage allRecordsPicture(QSize size)
{
    QImage image = bands(size);
    QPainter p(&image);
    p.setPen(Qt::black);
    QFont big = p.font();
    big.setPointSizeF(10);
    QFont small = big;
    small.setPointSizeF(5);
    const QRect upper(0, 0, size.width(), size.height() / 2 + 4);
    const QRect lower(0, size.height() / 2 + 4, size.width(), size.height() / 2 - 4);
    p.setFont(big);
    p.drawText(upper, Qt::AlignHCenter | Qt::AlignBottom, "ALL");
    p.setFont(small);
    p.drawText(lower, Qt::AlignHCenter | Qt::AlignTop, "RECORDS");
    p.end();
    frame(image);
    return image;
}

RecordsWindow::RecordsWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName("frmRecReq");
    setWindowTitle("Records");
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setObjectName("ListView1");
    list_->setAccessibleName("Recordings");
    list_->setIconSize(kThumbnail);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    report_ = new QTreeWidget(this);
    report_->setObjectName("ListView1Report");
    report_->setAccessibleName("Recordings");
    report_->setColumnCount(2);
    report_->setHeaderLabels({"Record", "Length"});
    report_->setRootIsDecorated(false);
    report_->setIconSize(kThumbnail / 2);
    report_->setContextMenuPolicy(Qt::CustomContextMenu);
    label_ = new QLabel(this);
    label_->setObjectName("Label1");
    layout->addWidget(list_, 1);
    layout->addWidget(report_, 1);
    layout->addWidget(label_);
    connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { choose(list_->row(item), false); });
    connect(list_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { choose(list_->row(item), true); });
    connect(report_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { choose(report_->indexOfTopLevelItem(item), false); });
    connect(report_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { choose(report_->indexOfTopLevelItem(item), true); });
    connect(list_, &QListWidget::customContextMenuRequested, this, [this](const QPoint& at) { offerStyles(list_, at); });
    connect(report_, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { offerStyles(report_, at); });
    resize(480, 360);
    setListStyle(0);
}

void RecordsWindow::offerStyles(QWidget* view, const QPoint& at)
{
    QMenu format("Format", this);
    const char* names[] = {"Icon", "Small Icons", "List", "Report"};
    for (int i = 0; i < 4; ++i)
        format.addAction(names[i], this, [this, i] { setListStyle(i); });
    auto* area = qobject_cast<QAbstractScrollArea*>(view);
    format.exec((area ? area->viewport() : view)->mapToGlobal(at));
}

void RecordsWindow::RecReq_show(const std::vector<RecordEntry>& entries)
{
    entries_ = entries;
    chosen_.reset();
    label_->clear();
    list_->clear();
    report_->clear();
    for (size_t i = 0; i < entries.size(); ++i) {
        const RecordEntry& e = entries[i];
        const QImage picture =
            i == 0 ? allRecordsPicture(kThumbnail) : plotmini(e.points, e.minimum, e.maximum, kThumbnail);
        const QString title = i == 0 ? QString("ALL") : QString("Recording %1").arg(i);
        auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(picture)), title + "\n" + QString::number(e.length));
        item->setData(Qt::UserRole, static_cast<int>(i));
        item->setToolTip(title + ": " + QString::number(e.length) + " values");
        list_->addItem(item);
        auto* row = new QTreeWidgetItem(report_, {title, QString::number(e.length)});
        row->setIcon(0, QIcon(QPixmap::fromImage(picture)));
        row->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    }
    report_->resizeColumnToContents(0);
}

void RecordsWindow::choose(int row, bool load)
{
    if (row < 0 || row >= static_cast<int>(entries_.size()))
        return;
    const QString name = row == 0 ? QString("ALL") : QString::number(row);
    const QString length = QString::number(entries_[static_cast<size_t>(row)].length);
    chosen_ = row - 1;
    label_->setText((load ? "Load record " : "Record ") + name + " length " + length);
    if (load)
        accept();
}

void RecordsWindow::setListStyle(int style)
{
    style_ = style;
    switch (style) {
    case 0:
        list_->setViewMode(QListView::IconMode);
        list_->setIconSize(kThumbnail);
        break;
    case 1:
        list_->setViewMode(QListView::IconMode);
        list_->setIconSize(kThumbnail / 2);
        break;
    case 2:
        list_->setViewMode(QListView::ListMode);
        list_->setIconSize(kThumbnail / 3);
        break;
    case 3:
        break;
    default:
        return;
    }
    list_->setVisible(style != 3);
    report_->setVisible(style == 3);
    list_->setResizeMode(QListView::Adjust);
    list_->setWordWrap(true);
}

} // namespace vs
