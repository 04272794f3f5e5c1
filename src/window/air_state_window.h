#pragma once
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

class QAction;
class QLabel;
class QMenu;

namespace vs {

// The traffic light: a small window showing the air quality as a picture
// from the data folder, with a matching window icon. It exists only when
// its pictures are installed.
class AirStateWindow : public QWidget {
    Q_OBJECT
public:
    explicit AirStateWindow(const QString& folder, QWidget* parent = nullptr);

    enum ZOrder { AlwaysOnTop = 0, BringToTop = 1, Normal = 2 };

    // Shows the window when its pictures exist: at its stored place (kept on
    // screen) or at the top-right corner of the screen, never over `keepClear`.
    bool load(std::optional<QPoint> stored = std::nullopt, const std::vector<QRect>& keepClear = {});
    bool picturesAvailable() const { return available_; }
    // -1 hidden, 0 no data, 1 good, 2 first level, 3 second level; other
    // states change nothing.
    void AirState_set(int state);
    int lastState() const { return lastState_; }
    QString pictureFile() const { return pictureFile_; }
    int zOrderCalls() const { return zOrderCalls_; }
    void chooseZOrder(ZOrder order);
    ZOrder zOrder() const { return zOrder_; }
    void resetPicture();
    QMenu* menu() const { return menu_; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void UpdateWinZPos();
    bool StatePicture_Load(const QString& picture, const QString& icon);

    QString folder_;
    QLabel* picture_;
    QMenu* menu_;
    QAction* states_[3];
    ZOrder zOrder_ = Normal;
    bool available_ = false;
    int lastState_ = 0;
    int zOrderCalls_ = 0;
    QString pictureFile_;
};

} // namespace vs
