#include "window/history_summary_view.h"

#include "history/history_export.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

namespace vs {

HistorySummaryView::HistorySummaryView(QWidget* parent) : QDialog(parent)
{
    setObjectName("frmHistorySummary");
    setWindowTitle("History - Summary");
    auto* layout = new QVBoxLayout(this);
    note_ = new QLabel(this);
    note_->setWordWrap(true);
    table_ = new QTableWidget(this);
    table_->setObjectName("grdSummary");
    table_->setAccessibleName("Summary per day, week and range");
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    layout->addWidget(note_);
    layout->addWidget(table_, 1);
    resize(900, 500);
}

void HistorySummaryView::showSummary(const HistorySummary& summary, const QString& range)
{
    size_t levels = 0;
    for (const SummaryRow& r : summary.rows)
        levels = std::max(levels, r.above.size());
    QStringList head{"Period", "Stick", "Channel", "Mean", "Least", "Greatest"};
    for (size_t l = 1; l <= levels; ++l)
        head << QString("Level %1").arg(l) << QString("Hours at or above %1").arg(l);
    table_->clear();
    table_->setColumnCount(static_cast<int>(head.size()));
    table_->setHorizontalHeaderLabels(head);
    table_->setRowCount(static_cast<int>(summary.rows.size()));
    const auto number = [](double v) { return std::isnan(v) ? QString("-") : numberText(std::round(v * 100) / 100); };
    for (int row = 0; row < static_cast<int>(summary.rows.size()); ++row) {
        const SummaryRow& r = summary.rows[static_cast<size_t>(row)];
        const SeriesIdentity& who = summary.series[r.series].who;
        QStringList cells{r.period == "all" ? QString("whole range") : r.period,
                          who.name.isEmpty() ? who.serial : who.name + " (" + who.serial + ")",
                          who.labels.value(r.channel) + " [" + who.units.value(r.channel) + "]",
                          number(r.mean), number(r.min), number(r.max)};
        for (const auto& [level, hours] : r.above)
            cells << number(level) << number(hours);
        for (int c = 0; c < static_cast<int>(cells.size()); ++c)
            table_->setItem(row, c, new QTableWidgetItem(cells[c]));
    }
    table_->resizeColumnsToContents();
    note_->setText(range + ". The hours at or above a level count the " + levelName(summary.counted) +
                   "s whose mean reached it.");
    show();
    raise();
}

} // namespace vs
