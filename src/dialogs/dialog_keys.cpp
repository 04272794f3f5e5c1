#include "dialogs/dialog_keys.h"

#include <QAbstractButton>
#include <QDialog>
#include <QEvent>
#include <QGroupBox>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace vs {

namespace {

// Rows closer than this count as one row.
constexpr int kRowSlack = 8;

bool takesTab(QWidget* w)
{
    return (w->focusPolicy() & Qt::TabFocus) != 0 && !w->isHidden();
}

// The focusable widgets under `container` in reading order; a group box's
// fields come together, in its own reading order.
void readingOrder(QWidget* container, std::vector<QWidget*>& out)
{
    std::vector<QWidget*> children;
    for (QObject* o : container->children())
        if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow() && !w->isHidden())
            children.push_back(w);
    std::stable_sort(children.begin(), children.end(), [](QWidget* a, QWidget* b) {
        if (std::abs(a->y() - b->y()) > kRowSlack)
            return a->y() < b->y();
        return a->x() < b->x();
    });
    for (QWidget* w : children) {
        // Compound widgets (a combo box with its editor) take focus as one.
        if (takesTab(w) && !qobject_cast<QGroupBox*>(w))
            out.push_back(w);
        else
            readingOrder(w, out);
    }
}

class Settle : public QObject {
public:
    explicit Settle(QDialog& dialog) : QObject(&dialog), dialog_(dialog) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            QTimer::singleShot(0, this, [this] { settle(); });
        return false;
    }

private:
    void settle()
    {
        for (QPushButton* b : dialog_.findChildren<QPushButton*>()) {
            b->setAutoDefault(false);
            b->setDefault(false);
        }
        std::vector<QWidget*> order;
        readingOrder(&dialog_, order);
        for (size_t i = 1; i < order.size(); ++i)
            QWidget::setTabOrder(order[i - 1], order[i]);
    }

    QDialog& dialog_;
};

} // namespace

void settleDialogKeys(QDialog& dialog)
{
    // At once as well: a dialog that is never shown still takes no Enter.
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    dialog.installEventFilter(new Settle(dialog));
}

} // namespace vs
