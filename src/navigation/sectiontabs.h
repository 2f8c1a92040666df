// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QWidget>

class QScrollArea;
class QStackedWidget;

/// @short Section tabs that wrap into several rows.
///
/// As with the classic multi-row tab control, the row holding the chosen tab
/// moves next to the page. While the rows take at most about a third of the
/// pane's height every section is visible at once; beyond that the rows
/// scroll (wheel, scroll bar) instead of making the window taller than the
/// screen, and Ctrl+Tab reaches every section from the keyboard.
///
/// The bar keeps its own list of tabs and lays them out only when it is asked
/// where they are (painting, a click, its size), once for all changes made
/// since: adding 100,000 tabs costs 100,000 appends, not 100,000 layouts.
namespace tv {

class WrappingTabBar : public QWidget
{
    Q_OBJECT
public:
    explicit WrappingTabBar(QWidget *parent = nullptr);

    int count() const { return int(m_tabs.size()); }
    /// Appends a tab; `text` treats "&" as a mnemonic, "&&" shows "&".
    int addTab(const QString &text);
    void removeAllTabs();
    QString tabText(int index) const;
    QString tabToolTip(int index) const;
    void setTabToolTip(int index, const QString &tip);

    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);

    /// Where tab `index` is drawn, in rows.
    QRect wrappedTabRect(int index) const;
    int wrappedTabAt(const QPoint &pos) const;
    int rowCount() const;
    /// How often the tabs were laid out, for tests of the start-up's cost.
    int layoutPasses() const { return m_layoutPasses; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void currentChanged(int index);

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    struct Tab
    {
        QString text;
        QString shownText; // at most kMaxShownCharacters, elided
        QString toolTip;
        mutable QSize hint; // empty until measured
    };

    QSize tabSizeHint(int index) const;
    /// One rectangle per tab for the current width, rows ordered so that the
    /// current tab's row is the last (lowest) one; computed once per change.
    const QList<QRect> &rects() const;
    int availableWidth() const;
    /// Marks the layout stale and asks the tab widget to place the bar anew.
    void relayout();

    QList<Tab> m_tabs;
    int m_current = -1;
    int m_hover = -1;
    mutable QList<QRect> m_rects;
    mutable int m_rectsWidth = -1;
    mutable bool m_rectsValid = false;
    mutable int m_layoutPasses = 0;
};

/// PageControl1: section tabs whose bar wraps, over a stack of pages.
class SectionTabWidget : public QWidget
{
    Q_OBJECT
public:
    explicit SectionTabWidget(QWidget *parent = nullptr);
    WrappingTabBar *tabBar() const { return m_bar; }
    /// Where the bar's rows are shown; it scrolls when they are too many.
    QScrollArea *tabRows() const { return m_rows; }

    int addTab(QWidget *page, const QString &text);
    /// Removes every tab and deletes its page, in time linear in their number.
    void deleteAllTabs();
    int count() const { return m_bar->count(); }
    QWidget *widget(int index) const;
    QWidget *currentWidget() const;
    int currentIndex() const { return m_bar->currentIndex(); }
    void setCurrentIndex(int index);
    QString tabText(int index) const { return m_bar->tabText(index); }
    void setTabToolTip(int index, const QString &tip) { m_bar->setTabToolTip(index, tip); }

signals:
    void currentChanged(int index);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void createStack();

    WrappingTabBar *m_bar;
    QScrollArea *m_rows;
    QStackedWidget *m_stack;
};

} // namespace tv
