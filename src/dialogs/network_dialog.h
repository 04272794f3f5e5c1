#pragma once
#include "dialogs/knob_flag_grid.h"

#include <QDialog>

#include <functional>
#include <vector>

class QComboBox;
class QLineEdit;
class QRadioButton;
class QTableWidget;

namespace vs {

class StickLink;
class Prompts;
struct NetSettings;

// "Settings - Advanced": the network role and addresses, and the grids of
// every knob and flag of every stick, each changed by a double click. Made
// once and only hidden; closing it hands the network settings back (to be
// stored and the link restarted).
class NetworkDialog : public QDialog {
    Q_OBJECT
public:
    NetworkDialog(StickLink& link, Prompts& prompts, NetSettings& net, QWidget* parent = nullptr);

    std::function<void()> closed;                 // the settings were taken from the controls
    std::function<void(int stick)> levelsChanged; // a knob or flag change moved the stick's warn levels

    // Shows the network settings in the controls (also after the link chose the other role).
    void showNetworkSettings();
    void Flexgrid_Rewrite();
    void Flexgrid_UpdateData();
    // A double click (or Enter) on a data row of the grid (0 knobs, 1 flags).
    void editRow(int grid, int row);

    QRadioButton* option(int i) const { return options_[i]; }
    QLineEdit* localListen() const { return localListen_; }
    QComboBox* servers() const { return servers_; }
    QLineEdit* remotePort() const { return remotePort_; }
    QTableWidget* grid(int i) const { return grids_[i]; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void takeNetworkSettings();
    void fillGrid(int grid, const std::vector<GridRow>& rows, bool rebuild);
    void setColumnWidths();
    void deleteServer();

    StickLink& link_;
    Prompts& prompts_;
    NetSettings& net_;
    QRadioButton* options_[3] = {};
    QLineEdit* localListen_;
    QComboBox* servers_;
    QLineEdit* remotePort_;
    QTableWidget* grids_[2] = {};
    std::vector<GridRow> rows_[2];
};

} // namespace vs
