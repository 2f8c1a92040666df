// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>
#include <QHash>

class QTabBar;

/// @short A tab bar as screen readers know it: a page tab list with one page
/// tab per tab.
///
/// Each tab has its text as name (without mnemonic marks), its tool tip as
/// description, a press action that makes it current, and the state
/// "selected" while it is the current one ("focused" as well while the bar
/// has the focus). Qt 6.4's own interface for QTabBar marks the current tab
/// focused only, and not at all in a bar it does not draw; both our tab bars
/// get this one. The bar's child widgets (scroll buttons) follow the tabs.
namespace tv {

class TabListAccessible : public QAccessibleWidget
{
public:
    explicit TabListAccessible(QWidget *bar);
    ~TabListAccessible() override;

    // What the bar tells; positions in the bar's coordinates.
    virtual int tabCount() const = 0;
    virtual QString tabName(int index) const = 0;
    virtual QString tabDescription(int index) const = 0;
    virtual int currentTab() const = 0;
    virtual QRect tabRect(int index) const = 0;
    virtual int tabAt(const QPoint &pos) const = 0;
    virtual bool isTabEnabled(int index) const = 0;
    virtual void pressTab(int index) = 0;

    QWidget *bar() const { return widget(); }

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QAccessibleInterface *focusChild() const override;

private:
    // Made when first asked for: thousands of tabs cost nothing until a reader looks.
    mutable QHash<int, QAccessible::Id> m_tabs;
};

/// Registers the interface for every QTabBar; later calls do nothing.
void installTabBarAccessibility();

/// Tells screen readers that tab `current` of `bar` was chosen instead of
/// `previous` (-1: none), so that their view follows the keyboard as well as a click.
void announceCurrentTab(QWidget *bar, int previous, int current);

/// A tab's text as read out: "&&" is "&", a lone "&" marks a mnemonic and goes.
QString withoutMnemonics(const QString &text);

} // namespace tv
