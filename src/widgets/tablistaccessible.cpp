// SPDX-License-Identifier: GPL-3.0-or-later
#include "tablistaccessible.h"

#include <QPointer>
#include <QTabBar>

namespace tv {
namespace {

TabListAccessible *tabList(QWidget *bar)
{
    return bar ? dynamic_cast<TabListAccessible *>(QAccessible::queryAccessibleInterface(bar)) : nullptr;
}

/// One tab, known by its position: after the tabs change the position names
/// whatever tab is there now, as with Qt's own tabs.
class TabAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    TabAccessible(QWidget *bar, int index)
        : m_bar(bar)
        , m_index(index)
    {
    }

    int index() const { return m_index; }
    const QWidget *bar() const { return m_bar; }

    bool isValid() const override
    {
        const TabListAccessible *list = tabList(m_bar);
        return list && m_index < list->tabCount();
    }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return parent() ? parent()->window() : nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return tabList(m_bar); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessible::Role role() const override { return QAccessible::PageTab; }
    void setText(QAccessible::Text, const QString &) override { }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return QString();
        switch (t) {
        case QAccessible::Name:
            return tabList(m_bar)->tabName(m_index);
        case QAccessible::Description: {
            // A tool tip that only repeats the name tells nothing more.
            const QString description = tabList(m_bar)->tabDescription(m_index);
            return description == tabList(m_bar)->tabName(m_index) ? QString() : description;
        }
        default:
            return QString();
        }
    }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect local = tabList(m_bar)->tabRect(m_index);
        return QRect(m_bar->mapToGlobal(local.topLeft()), local.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        const TabListAccessible *list = tabList(m_bar);
        const bool current = m_index == list->currentTab();
        s.selectable = true;
        s.selected = current;
        s.focusable = m_bar->focusPolicy() != Qt::NoFocus;
        s.focused = current && m_bar->hasFocus();
        s.disabled = !m_bar->isEnabled() || !list->isTabEnabled(m_index);
        s.invisible = !m_bar->isVisible();
        // Tabs scrolled out of view are there, but not on the screen.
        s.offscreen = !m_bar->visibleRegion().intersects(list->tabRect(m_index));
        return s;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return { pressAction() }; }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }
    void doAction(const QString &action) override
    {
        if (action == pressAction() && isValid() && !state().disabled)
            tabList(m_bar)->pressTab(m_index);
    }

private:
    QPointer<QWidget> m_bar;
    int m_index;
};

class QTabBarAccessible : public TabListAccessible
{
public:
    using TabListAccessible::TabListAccessible;

    int tabCount() const override { return tabBar()->count(); }
    QString tabName(int index) const override { return withoutMnemonics(tabBar()->tabText(index)); }
    QString tabDescription(int index) const override { return tabBar()->tabToolTip(index); }
    int currentTab() const override { return tabBar()->currentIndex(); }
    QRect tabRect(int index) const override { return tabBar()->tabRect(index); }
    int tabAt(const QPoint &pos) const override { return tabBar()->tabAt(pos); }
    bool isTabEnabled(int index) const override
    {
        return tabBar()->isTabEnabled(index) && tabBar()->isTabVisible(index);
    }
    void pressTab(int index) override { tabBar()->setCurrentIndex(index); }

private:
    QTabBar *tabBar() const { return static_cast<QTabBar *>(bar()); }
};

QAccessibleInterface *tabBarFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("QTabBar") && object && object->isWidgetType())
        return new QTabBarAccessible(static_cast<QTabBar *>(object));
    return nullptr;
}

void sendSelectedChanged(QWidget *bar, int index)
{
    TabListAccessible *list = tabList(bar);
    QAccessibleInterface *tab = list && index < list->tabCount() ? list->child(index) : nullptr;
    if (!tab)
        return;
    QAccessible::State changed;
    changed.selected = true;
    QAccessibleStateChangeEvent event(tab, changed);
    QAccessible::updateAccessibility(&event);
}

} // namespace

TabListAccessible::TabListAccessible(QWidget *bar)
    : QAccessibleWidget(bar, QAccessible::PageTabList)
{
}

TabListAccessible::~TabListAccessible()
{
    for (const QAccessible::Id id : std::as_const(m_tabs))
        QAccessible::deleteAccessibleInterface(id);
}

int TabListAccessible::childCount() const
{
    return tabCount() + QAccessibleWidget::childCount();
}

QAccessibleInterface *TabListAccessible::child(int index) const
{
    const int tabs = tabCount();
    if (index >= tabs)
        return QAccessibleWidget::child(index - tabs);
    if (index < 0)
        return nullptr;
    if (const QAccessible::Id id = m_tabs.value(index))
        return QAccessible::accessibleInterface(id);
    auto *tab = new TabAccessible(bar(), index);
    m_tabs.insert(index, QAccessible::registerAccessibleInterface(tab));
    return tab;
}

int TabListAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    if (const auto *tab = dynamic_cast<const TabAccessible *>(child))
        return tab->bar() == bar() && tab->isValid() ? tab->index() : -1;
    const int widgetIndex = QAccessibleWidget::indexOfChild(child);
    return widgetIndex < 0 ? -1 : tabCount() + widgetIndex;
}

QAccessibleInterface *TabListAccessible::childAt(int x, int y) const
{
    const QPoint global(x, y);
    // The scroll buttons lie over the tabs.
    for (int i = 0; i < QAccessibleWidget::childCount(); ++i) {
        QAccessibleInterface *widgetChild = QAccessibleWidget::child(i);
        if (widgetChild && widgetChild->rect().contains(global))
            return widgetChild;
    }
    const int tab = tabAt(bar()->mapFromGlobal(global));
    return tab >= 0 ? child(tab) : nullptr;
}

QAccessibleInterface *TabListAccessible::focusChild() const
{
    return bar()->hasFocus() && currentTab() >= 0 ? child(currentTab()) : QAccessibleWidget::focusChild();
}

void installTabBarAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(tabBarFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

void announceCurrentTab(QWidget *bar, int previous, int current)
{
    // Qt hands events only to a listening bridge (AT-SPI once a reader runs);
    // without one they would make interfaces for nothing.
    if (!QAccessible::isActive())
        return;
    if (previous >= 0)
        sendSelectedChanged(bar, previous);
    sendSelectedChanged(bar, current);
    if (bar->hasFocus()) {
        QAccessibleEvent focus(bar, QAccessible::Focus);
        focus.setChild(current);
        QAccessible::updateAccessibility(&focus);
    }
    QAccessibleEvent selection(bar, QAccessible::Selection);
    selection.setChild(current);
    QAccessible::updateAccessibility(&selection);
}

QString withoutMnemonics(const QString &text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i; // "&&" keeps the second, "&x" the x
        plain += text[i];
    }
    return plain;
}

} // namespace tv
