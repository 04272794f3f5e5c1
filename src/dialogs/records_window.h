#pragma once
#include "flash/record_list.h"

#include <QDialog>
#include <QImage>

#include <optional>
#include <vector>

class QLabel;
class QListWidget;
class QTreeWidget;

namespace vs {

// One thumbnail of a recording: the three warning bands (blue component
// 224) and the points as a black line scaled between their minimum and
// maximum inside a 5-pixel margin, framed in grey.
QImage plotmini(const std::vector<uint16_t>& points, int minimum, int maximum, QSize size);
// The "ALL" entry's picture: the bands with "ALL" and "RECORDS" below it.
QImage allRecordsPicture(QSize size);

// The modal choice of the recording to download: "ALL" and one entry per
// recording with its thumbnail and length. A click chooses, a double click
// chooses and closes; a right click offers the list styles.
class RecordsWindow : public QDialog {
    Q_OBJECT
public:
    explicit RecordsWindow(QWidget* parent = nullptr);

    // Fills the list from the stick's recordings.
    void RecReq_show(const std::vector<RecordEntry>& entries);
    // -1 for "ALL", k for recording k; no value while nothing is chosen.
    std::optional<int> chosen() const { return chosen_; }
    // Sets the list's look: 0 icons, 1 small icons, 2 list, 3 report.
    void setListStyle(int style);
    int listStyle() const { return style_; }
    QListWidget* list() const { return list_; }
    // The "Report" style: the columns Record and Length.
    QTreeWidget* report() const { return report_; }
    QLabel* label() const { return label_; }
    void choose(int row, bool load);

private:
    void offerStyles(QWidget* view, const QPoint& at);

    QListWidget* list_;
    QTreeWidget* report_;
    QLabel* label_;
    std::vector<RecordEntry> entries_;
    std::optional<int> chosen_;
    int style_ = 0;
};

} // namespace vs
