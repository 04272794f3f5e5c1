#include "dialogs/network_dialog.h"

#include "dialogs/dialog_keys.h"
#include "net/net_link.h"
#include "stick/stick_link.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vs {

namespace {

const double kKnobWidths[] = {0.4, 0.15, 0.15, 0.25};
const double kFlagWidths[] = {0.4, 0.5};

GridKind kindOf(int grid)
{
    return grid == 0 ? GridKind::Knobs : GridKind::Flags;
}

} // namespace

NetworkDialog::NetworkDialog(StickLink& link, Prompts& prompts, NetSettings& net, QWidget* parent)
    : QDialog(parent), link_(link), prompts_(prompts), net_(net)
{
    setObjectName("frmNetwork");
    setWindowTitle("Settings - Advanced");
    auto* layout = new QVBoxLayout(this);

    auto* network = new QGroupBox("Network", this);
    auto* form = new QGridLayout(network);
    const char* captions[] = {"Off network", "Act as client", "Act as server"};
    for (int i = 0; i < 3; ++i) {
        options_[i] = new QRadioButton(captions[i], network);
        options_[i]->setObjectName(QString("Opt_ServerOrClient%1").arg(i));
        form->addWidget(options_[i], i, 0);
    }
    localListen_ = new QLineEdit("5800", network);
    localListen_->setObjectName("TxtLocalListen");
    servers_ = new QComboBox(network);
    servers_->setObjectName("CmbServers");
    servers_->setEditable(true);
    servers_->setInsertPolicy(QComboBox::NoInsert); // Enter adds, without a duplicate check, below
    // Enter in the box adds its text to the list. An editable combo box
    // hands its keys to its editor itself, past any filter on the editor.
    servers_->installEventFilter(this);
    servers_->lineEdit()->installEventFilter(this);
    auto* remove = new QPushButton("Delete", network);
    remove->setObjectName("CmdDeleteServer");
    connect(remove, &QPushButton::clicked, this, [this] { deleteServer(); });
    remotePort_ = new QLineEdit("5800", network);
    remotePort_->setObjectName("TxtRemotePort");
    // Each field is named by the label before it (for assistive tools too).
    const auto label = [network](const char* text, QWidget* field) {
        auto* l = new QLabel(text, network);
        l->setBuddy(field);
        return l;
    };
    form->addWidget(label("Local port (listen)", localListen_), 0, 1);
    form->addWidget(localListen_, 0, 2);
    form->addWidget(label("Server to connect to", servers_), 1, 1);
    form->addWidget(servers_, 1, 2);
    form->addWidget(remove, 1, 3);
    form->addWidget(label("Remote port (talk)", remotePort_), 2, 1);
    form->addWidget(remotePort_, 2, 2);
    layout->addWidget(network);

    const char* frames[] = {"USB stick knobs (non volatile)", "USB stick flags (volatile)"};
    const QStringList headers[] = {{"Name", "Min", "Max", "Value"}, {"Name", "Value"}};
    for (int g = 0; g < 2; ++g) {
        auto* box = new QGroupBox(frames[g], this);
        auto* boxLayout = new QVBoxLayout(box);
        auto* grid = new QTableWidget(1, static_cast<int>(headers[g].size()), box);
        grid->setObjectName(QString("MSFlexGrid1_%1").arg(g));
        grid->setAccessibleName(g == 0 ? "Knobs of the stick" : "Flags of the stick");
        grid->setHorizontalHeaderLabels(headers[g]);
        grid->verticalHeader()->hide();
        grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
        grid->setSelectionMode(QAbstractItemView::SingleSelection);
        grid->setToolTip("Double click to change a value");
        grid->installEventFilter(this);
        grid->viewport()->installEventFilter(this);
        connect(grid, &QTableWidget::cellDoubleClicked, this, [this, g](int row, int) { editRow(g, row); });
        boxLayout->addWidget(grid);
        layout->addWidget(box, 1);
        grids_[g] = grid;
    }
    resize(560, 620);
    showNetworkSettings();
    Flexgrid_Rewrite();
    settleDialogKeys(*this);
}

void NetworkDialog::showNetworkSettings()
{
    if (net_.NetworkMode >= 0 && net_.NetworkMode <= 2)
        options_[net_.NetworkMode]->setChecked(true);
    localListen_->setText(QString::fromStdString(net_.localPort));
    servers_->clear();
    for (const std::string& s : net_.servers)
        servers_->addItem(QString::fromStdString(s));
    servers_->setEditText(QString::fromStdString(net_.server));
    remotePort_->setText(QString::fromStdString(net_.remotePort));
}

void NetworkDialog::takeNetworkSettings()
{
    for (int i = 0; i < 3; ++i)
        if (options_[i]->isChecked())
            net_.NetworkMode = i;
    net_.localPort = localListen_->text().toStdString();
    net_.servers.clear();
    for (int i = 0; i < servers_->count(); ++i)
        net_.servers.push_back(servers_->itemText(i).toStdString());
    net_.server = servers_->currentText().toStdString();
    net_.remotePort = remotePort_->text().toStdString();
}

void NetworkDialog::deleteServer()
{
    const int at = servers_->findText(servers_->currentText(), Qt::MatchExactly);
    if (at >= 0)
        servers_->removeItem(at);
}

void NetworkDialog::fillGrid(int g, const std::vector<GridRow>& rows, bool rebuild)
{
    QTableWidget* grid = grids_[g];
    const int wanted = std::max<int>(1, static_cast<int>(rows.size()));
    if (rebuild || grid->rowCount() != wanted) {
        grid->clearContents();
        grid->setRowCount(wanted);
    }
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const GridRow& row = rows[static_cast<size_t>(r)];
        for (int c = 0; c < static_cast<int>(row.cells.size()) && c < grid->columnCount(); ++c) {
            QTableWidgetItem* item = grid->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                // Names left, numbers right.
                item->setTextAlignment(c == 0 ? int(Qt::AlignLeft | Qt::AlignVCenter)
                                              : int(Qt::AlignRight | Qt::AlignVCenter));
                grid->setItem(r, c, item);
            }
            const QString text = QString::fromStdString(row.cells[static_cast<size_t>(c)]);
            if (item->text() != text)
                item->setText(text);
        }
    }
}

void NetworkDialog::Flexgrid_Rewrite()
{
    for (int g = 0; g < 2; ++g) {
        rows_[g] = gridRows(link_, kindOf(g));
        fillGrid(g, rows_[g], true);
    }
    setColumnWidths();
}

void NetworkDialog::Flexgrid_UpdateData()
{
    for (int g = 0; g < 2; ++g) {
        rows_[g] = gridRows(link_, kindOf(g));
        fillGrid(g, rows_[g], false);
    }
}

void NetworkDialog::editRow(int g, int row)
{
    if (g < 0 || g > 1 || row < 0 || row >= static_cast<int>(rows_[g].size()))
        return;
    const GridRow chosen = rows_[g][static_cast<size_t>(row)];
    QTableWidget* grid = grids_[g];
    const int keepRow = grid->currentRow(), keepColumn = grid->currentColumn();
    if (!editGridRow(link_, prompts_, kindOf(g), chosen))
        return;
    Flexgrid_Rewrite();
    if (levelsChanged)
        levelsChanged(chosen.stick);
    grid->setCurrentCell(keepRow, keepColumn);
}

void NetworkDialog::setColumnWidths()
{
    for (int g = 0; g < 2; ++g) {
        const int width = grids_[g]->viewport()->width();
        const double* fractions = g == 0 ? kKnobWidths : kFlagWidths;
        for (int c = 0; c < grids_[g]->columnCount(); ++c)
            grids_[g]->setColumnWidth(c, static_cast<int>(width * fractions[c]));
    }
}

void NetworkDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    setColumnWidths();
}

bool NetworkDialog::eventFilter(QObject* watched, QEvent* event)
{
    // The grids' columns follow their width: 0.4, 0.15, 0.15, 0.25 (knobs).
    if (event->type() == QEvent::Resize && (watched == grids_[0]->viewport() || watched == grids_[1]->viewport()))
        setColumnWidths();
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (watched == servers_ || watched == servers_->lineEdit()) {
                if (!servers_->currentText().trimmed().isEmpty())
                    servers_->addItem(servers_->currentText().trimmed());
                return true;
            }
            for (int g = 0; g < 2; ++g)
                if (watched == grids_[g]) {
                    editRow(g, grids_[g]->currentRow());
                    return true;
                }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void NetworkDialog::closeEvent(QCloseEvent* event)
{
    event->ignore();
    reject();
}

void NetworkDialog::reject()
{
    takeNetworkSettings();
    hide();
    if (closed)
        closed();
}

} // namespace vs
