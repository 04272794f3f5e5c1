// What assistive tools read: every control of the main window and of every
// dialog has a name of its own, not only the title of the group it sits in.
#include "window_fixture.h"


#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <map>

namespace {

struct Accessibility : vstest::WindowFixture {};

// The name a screen reader says for `w`.
QString spokenName(QWidget* w)
{
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name).trimmed() : QString();
}

bool isControl(QWidget* w)
{
    return qobject_cast<QAbstractButton*>(w) || qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
           qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QAbstractItemView*>(w);
}

TEST_F(Accessibility, EveryControlOfEveryDialogHasANameOfItsOwn)
{
    bus.plug({5, 9});
    bus.plug({5, 9});
    startWindow();
    // The main window and every window it owns (its dialogs and tool windows).
    std::map<std::string, QWidget*> faces = {{"main window", window.get()}};
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->isWindow() && !qobject_cast<QMenu*>(w) && !w->inherits("QComboBoxPrivateContainer"))
            faces[w->metaObject()->className() + (" " + w->windowTitle().toStdString())] = w;
    EXPECT_GE(faces.size(), 7u);
    for (const auto& [face, top] : faces) {
        QStringList groups;
        for (const QGroupBox* g : top->findChildren<QGroupBox*>())
            groups << g->title().remove('&').trimmed();
        for (QWidget* w : top->findChildren<QWidget*>()) {
            // Parts of a composite control (a spin box's line edit, a combo's list) speak through it.
            if (!isControl(w) || isControl(w->parentWidget()) || w->objectName().startsWith("qt_") ||
                w->window() != top)
                continue;
            const QString name = spokenName(w).remove('&');
            const std::string what = face + ": " + w->metaObject()->className() + " " + w->objectName().toStdString();
            EXPECT_FALSE(name.isEmpty()) << what << " has no name";
            EXPECT_FALSE(!name.isEmpty() && groups.contains(name) && !qobject_cast<QAbstractButton*>(w))
                << what << " is named only after its group \"" << name.toStdString() << "\"";
        }
    }
}

} // namespace
