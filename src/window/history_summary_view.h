#pragma once
#include "history/history_summary.h"

#include <QDialog>

class QLabel;
class QTableWidget;

namespace vs {

// The history's daily statistics of the shown range as a table: per day,
// week and the whole range, each channel's mean, least and greatest value
// and the hours at or above each of its stick's warning levels.
class HistorySummaryView : public QDialog {
    Q_OBJECT
public:
    explicit HistorySummaryView(QWidget* parent = nullptr);
    void showSummary(const HistorySummary& summary, const QString& range);
    QTableWidget& table() { return *table_; }

private:
    QTableWidget* table_;
    QLabel* note_;
};

} // namespace vs
