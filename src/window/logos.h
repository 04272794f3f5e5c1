#pragma once
#include <QObject>
#include <QString>

#include <functional>

class QLabel;
class QWidget;

namespace vs {

class Settings;

// The two small logos over the plot's corners. Ctrl and a double-click on the
// right one switches engineering mode on.
class Logos : public QObject {
    Q_OBJECT
public:
    Logos(QWidget* plotPicture, const Settings& settings, QString folder);

    std::function<void()> onEngineeringMode;

    void Logo_small_Load();
    void Logo_small_Place();
    QLabel* right() const { return right_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool loadInto(QLabel* label, const QString& file);

    QWidget* plot_;
    const Settings& settings_;
    QString folder_;
    QLabel* right_;
    QLabel* left_;
    int leftOffset_ = 0, topOffset_ = 0;
};

} // namespace vs
