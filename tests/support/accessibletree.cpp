// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessibletree.h"

#include <QAccessibleInterface>
#include <QMenu>
#include <QMenuBar>
#include <QMetaEnum>
#include <QWidget>

namespace {

// Far beyond any window of ours; a tree that grows without end is a fault too.
constexpr int kMaxNodes = 20000;

QString roleName(QAccessible::Role role)
{
    const char *key = QMetaEnum::fromType<QAccessible::Role>().valueToKey(role);
    return key ? QString::fromLatin1(key) : QString::number(role, 16);
}

bool takesInput(const QAccessibleInterface *iface)
{
    switch (iface->role()) {
    case QAccessible::Button:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
    case QAccessible::Slider:
    case QAccessible::Dial:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::PageTab:
    case QAccessible::PageTabList:
    case QAccessible::MenuItem:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::ButtonDropGrid:
    case QAccessible::HotkeyField:
    case QAccessible::Link:
        return true;
    default:
        return iface->state().focusable;
    }
}

/// Rows, cells and entries of a list are what it shows, not controls.
bool holdsData(const QAccessibleInterface *iface)
{
    switch (iface->role()) {
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::ComboBox:
        return true;
    default:
        return false;
    }
}

QString label(const QAccessibleInterface *iface, int index)
{
    const QObject *object = iface->object();
    QString name = object ? object->objectName() : QString();
    if (name.isEmpty())
        name = object ? QString::fromLatin1(object->metaObject()->className())
                      : QStringLiteral("[%1]").arg(index);
    return name + QStringLiteral(" (") + roleName(iface->role()) + u')';
}

class Walk
{
public:
    QStringList faults;

    void visit(QAccessibleInterface *iface, const QString &path)
    {
        if (++m_nodes > kMaxNodes) {
            if (m_nodes == kMaxNodes + 1)
                faults << path + QStringLiteral(": more than %1 objects").arg(kMaxNodes);
            return;
        }
        if (takesInput(iface) && iface->text(QAccessible::Name).trimmed().isEmpty())
            faults << path + QStringLiteral(": no name");
        if (iface->role() == QAccessible::PageTabList)
            checkCurrentTab(iface, path);
        if (holdsData(iface))
            return;
        for (int i = 0; i < iface->childCount(); ++i) {
            QAccessibleInterface *child = iface->child(i);
            if (!child || !child->isValid()) {
                faults << path + QStringLiteral(": child %1 is missing").arg(i);
                continue;
            }
            if (child->parent() && child->parent()->object() != iface->object())
                faults << path + QStringLiteral(": child %1 names another parent").arg(i);
            visit(child, path + u'/' + label(child, i));
        }
    }

private:
    void checkCurrentTab(QAccessibleInterface *list, const QString &path)
    {
        int tabs = 0;
        int current = 0;
        for (int i = 0; i < list->childCount(); ++i) {
            const QAccessibleInterface *tab = list->child(i);
            if (!tab || tab->role() != QAccessible::PageTab)
                continue;
            ++tabs;
            if (tab->state().selected)
                ++current;
        }
        if (tabs > 0 && current != 1)
            faults << path + QStringLiteral(": %1 of %2 tabs reported as current").arg(current).arg(tabs);
    }

    int m_nodes = 0;
};

/// The popup of a menu bar's ">>" button, which repeats the menus that do not fit.
bool isOverflowMenu(const QMenu *menu)
{
    const auto *bar = qobject_cast<const QMenuBar *>(menu->parent());
    if (!bar)
        return false;
    const QList<QAction *> items = bar->actions();
    return std::none_of(items.cbegin(), items.cend(), [menu](const QAction *a) { return a->menu() == menu; });
}

void walkWindow(Walk &walk, QWidget *window)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(window);
    const QString path = label(iface, 0);
    const QAccessible::Role role = iface->role();
    if (window->isWindow() && qobject_cast<QMenu *>(window) == nullptr && role != QAccessible::Window
        && role != QAccessible::Dialog)
        walk.faults << path
                + QStringLiteral(": announced as %1, not as a window or dialog").arg(roleName(role));
    if (iface->text(QAccessible::Name).trimmed().isEmpty())
        walk.faults << path + QStringLiteral(": no name");
    walk.visit(iface, path);
}

} // namespace

QStringList accessibilityFaults(QWidget *window)
{
    Walk walk;
    walkWindow(walk, window);
    // Menus are windows of their own; a screen reader meets them when they open.
    for (QMenu *menu : window->findChildren<QMenu *>()) {
        if (!isOverflowMenu(menu))
            walkWindow(walk, menu);
    }
    return walk.faults;
}
