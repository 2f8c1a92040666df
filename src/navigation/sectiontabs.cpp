// SPDX-License-Identifier: GPL-3.0-or-later
#include "sectiontabs.h"

#include "navigation/sectiontabsaccessible.h"
#include "navigation/shorttext.h"
#include "widgets/tablistaccessible.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QTabBar>
#include <QToolTip>
#include <QVBoxLayout>

namespace tv {
namespace {

/// Shows the tab rows: as high as they are, up to about a third of the pane,
/// and scrolling beyond. The chosen tab's row is the lowest one, so a change
/// of section scrolls to the bottom.
class TabRowsArea : public QScrollArea
{
public:
    TabRowsArea(WrappingTabBar *bar, QWidget *pane)
        : QScrollArea(pane)
        , m_bar(bar)
    {
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        setFocusPolicy(Qt::NoFocus);
        setWidgetResizable(true);
        setWidget(bar);
        connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, [this](int, int max) {
            if (m_followCurrent)
                verticalScrollBar()->setValue(max);
        });
        // The user scrolled: the rows stay where they were put.
        connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this] { m_followCurrent = false; });
    }

    void followCurrent()
    {
        m_followCurrent = true;
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    }

    QSize sizeHint() const override { return QSize(m_bar->sizeHint().width(), shownHeight()); }
    QSize minimumSizeHint() const override { return QSize(0, shownHeight()); }

protected:
    bool viewportEvent(QEvent *event) override
    {
        // The bar asks for another height (more tabs, another width): so does the area.
        if (event->type() == QEvent::LayoutRequest) {
            updateGeometry();
            QEvent request(QEvent::LayoutRequest);
            QScrollArea::event(&request);
        }
        return QScrollArea::viewportEvent(event);
    }

private:
    int shownHeight() const
    {
        const int rows = m_bar->sizeHint().height();
        const QWidget *pane = parentWidget();
        if (!pane || m_bar->count() == 0)
            return rows;
        // At least one row and a bit, so that the scroll bar's arrows fit.
        const int cap
            = std::max(m_bar->wrappedTabRect(m_bar->currentIndex()).height() * 3 / 2, pane->height() / 3);
        return std::min(rows, cap);
    }

    WrappingTabBar *m_bar;
    bool m_followCurrent = true;
};

} // namespace

WrappingTabBar::WrappingTabBar(QWidget *parent)
    : QWidget(parent)
{
    // First: the name below is announced, and that makes the bar's interface.
    installSectionTabsAccessibility();
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAccessibleName(QStringLiteral("Abschnitte"));
}

int WrappingTabBar::addTab(const QString &text)
{
    Tab tab;
    tab.text = text;
    tab.shownText = shortText(text);
    // A cut "&&" would leave a lone mnemonic marker at the end.
    while (tab.shownText.size() < text.size() && tab.shownText.endsWith(QStringLiteral("&…")))
        tab.shownText.remove(tab.shownText.size() - 2, 1);
    m_tabs.append(tab);
    const int index = count() - 1;
    relayout();
    if (m_current < 0)
        setCurrentIndex(index);
    return index;
}

void WrappingTabBar::removeAllTabs()
{
    const bool hadCurrent = m_current >= 0;
    m_tabs.clear();
    m_current = -1;
    m_hover = -1;
    relayout();
    if (hadCurrent)
        emit currentChanged(-1);
}

QString WrappingTabBar::tabText(int index) const
{
    return index >= 0 && index < count() ? m_tabs[index].text : QString();
}

QString WrappingTabBar::tabToolTip(int index) const
{
    return index >= 0 && index < count() ? m_tabs[index].toolTip : QString();
}

void WrappingTabBar::setTabToolTip(int index, const QString &tip)
{
    if (index >= 0 && index < count())
        m_tabs[index].toolTip = shortText(tip);
}

void WrappingTabBar::setCurrentIndex(int index)
{
    if (index < 0 || index >= count() || index == m_current)
        return;
    const int previous = m_current;
    m_current = index;
    // The chosen row moves next to the page: the rows change.
    relayout();
    announceCurrentTab(this, previous, index);
    emit currentChanged(index);
}

int WrappingTabBar::availableWidth() const
{
    // The area around the bar gives it the width it asks for; ask for what the area shows.
    const QWidget *pane = parentWidget();
    return std::max(1, pane ? pane->width() : width());
}

void WrappingTabBar::relayout()
{
    m_rectsValid = false;
    updateGeometry();
    update();
}

QSize WrappingTabBar::tabSizeHint(int index) const
{
    const Tab &tab = m_tabs[index];
    if (tab.hint.isEmpty()) {
        QStyleOptionTab option;
        option.initFrom(this);
        option.shape = QTabBar::RoundedNorth;
        option.text = tab.shownText;
        const int hspace = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &option, this);
        const int vspace = style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &option, this);
        const QSize text = fontMetrics().size(Qt::TextShowMnemonic | Qt::TextSingleLine, tab.shownText);
        tab.hint = style()->sizeFromContents(QStyle::CT_TabBarTab, &option,
            QSize(text.width() + hspace, fontMetrics().height() + vspace), this);
    }
    return tab.hint;
}

const QList<QRect> &WrappingTabBar::rects() const
{
    const int width = availableWidth();
    if (m_rectsValid && m_rectsWidth == width)
        return m_rects;
    ++m_layoutPasses;

    // First fill rows from the left, as many tabs as fit.
    QList<QList<int>> rows;
    int x = 0;
    qsizetype currentRow = -1;
    for (int i = 0; i < count(); ++i) {
        const int w = std::min(tabSizeHint(i).width(), width);
        if (rows.isEmpty() || (x > 0 && x + w > width)) {
            rows.append(QList<int>());
            x = 0;
        }
        rows.back().append(i);
        if (i == m_current)
            currentRow = rows.size() - 1;
        x += w;
    }
    // The chosen tab's row touches the page.
    if (currentRow >= 0)
        rows.append(rows.takeAt(currentRow));
    m_rects = QList<QRect>(count());
    int y = 0;
    for (const QList<int> &row : std::as_const(rows)) {
        int left = 0;
        int height = 0;
        for (const int i : row) {
            const QSize hint = tabSizeHint(i);
            m_rects[i] = QRect(left, y, std::min(hint.width(), width), hint.height());
            left += m_rects[i].width();
            height = std::max(height, hint.height());
        }
        y += height;
    }
    m_rectsWidth = width;
    m_rectsValid = true;
    return m_rects;
}

QRect WrappingTabBar::wrappedTabRect(int index) const
{
    return rects().value(index);
}

int WrappingTabBar::wrappedTabAt(const QPoint &pos) const
{
    const QList<QRect> &all = rects();
    for (int i = 0; i < all.size(); ++i) {
        if (all[i].contains(pos))
            return i;
    }
    return -1;
}

int WrappingTabBar::rowCount() const
{
    // Every row starts at the left edge.
    const QList<QRect> &all = rects();
    return int(std::count_if(all.cbegin(), all.cend(), [](const QRect &r) { return r.left() == 0; }));
}

QSize WrappingTabBar::sizeHint() const
{
    int bottom = 0;
    for (const QRect &r : rects())
        bottom = std::max(bottom, r.bottom() + 1);
    return QSize(availableWidth(), bottom);
}

QSize WrappingTabBar::minimumSizeHint() const
{
    return QSize(0, sizeHint().height());
}

void WrappingTabBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        for (Tab &tab : m_tabs)
            tab.hint = QSize();
        relayout();
    }
    QWidget::changeEvent(event);
}

void WrappingTabBar::paintEvent(QPaintEvent *event)
{
    QStylePainter painter(this);
    const QList<QRect> &all = rects();
    auto paintTab = [&](int i) {
        if (!all[i].intersects(event->rect()))
            return;
        QStyleOptionTab option;
        option.initFrom(this);
        option.shape = QTabBar::RoundedNorth;
        option.rect = all[i];
        const bool first = all[i].left() == 0;
        const bool last = i + 1 == count() || all[i + 1].left() == 0;
        option.position = first && last ? QStyleOptionTab::OnlyOneTab
            : first                     ? QStyleOptionTab::Beginning
            : last                      ? QStyleOptionTab::End
                                        : QStyleOptionTab::Middle;
        option.state.setFlag(QStyle::State_Selected, i == m_current);
        option.state.setFlag(QStyle::State_MouseOver, i == m_hover);
        const int hspace = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &option, this);
        option.text = fontMetrics().elidedText(
            m_tabs[i].shownText, Qt::ElideRight, all[i].width() - hspace, Qt::TextShowMnemonic);
        painter.drawControl(QStyle::CE_TabBarTab, option);
    };
    for (int i = 0; i < count(); ++i) {
        if (i != m_current)
            paintTab(i);
    }
    if (m_current >= 0)
        paintTab(m_current); // on top, joined to the page
}

void WrappingTabBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const int index = wrappedTabAt(event->position().toPoint());
    if (index >= 0)
        setCurrentIndex(index);
    event->accept();
}

void WrappingTabBar::mouseMoveEvent(QMouseEvent *event)
{
    const int hover = wrappedTabAt(event->position().toPoint());
    if (hover != m_hover) {
        m_hover = hover;
        update();
    }
    event->accept();
}

bool WrappingTabBar::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ToolTip: {
        auto *help = static_cast<QHelpEvent *>(event);
        const int index = wrappedTabAt(help->pos());
        if (index >= 0 && !tabToolTip(index).isEmpty())
            QToolTip::showText(help->globalPos(), tabToolTip(index), this, wrappedTabRect(index));
        else
            QToolTip::hideText();
        return true;
    }
    case QEvent::Leave:
        m_hover = -1;
        update();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

SectionTabWidget::SectionTabWidget(QWidget *parent)
    : QWidget(parent)
    , m_bar(new WrappingTabBar(this))
    , m_rows(nullptr)
    , m_stack(nullptr)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *rows = new TabRowsArea(m_bar, this);
    m_rows = rows;
    layout->addWidget(m_rows);
    createStack();
    connect(m_bar, &WrappingTabBar::currentChanged, this, [this, rows](int index) {
        m_stack->setCurrentIndex(index);
        rows->followCurrent();
        emit currentChanged(index);
    });
}

void SectionTabWidget::createStack()
{
    m_stack = new QStackedWidget(this);
    m_stack->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    static_cast<QVBoxLayout *>(layout())->addWidget(m_stack, 1);
}

void SectionTabWidget::deleteAllTabs()
{
    // Taking pages out of a stack one by one searches the stack each time;
    // the whole stack goes at once instead.
    delete m_stack;
    createStack();
    m_bar->removeAllTabs();
}

int SectionTabWidget::addTab(QWidget *page, const QString &text)
{
    m_stack->addWidget(page);
    return m_bar->addTab(text);
}

QWidget *SectionTabWidget::widget(int index) const
{
    return m_stack->widget(index);
}

QWidget *SectionTabWidget::currentWidget() const
{
    return widget(currentIndex());
}

void SectionTabWidget::setCurrentIndex(int index)
{
    m_bar->setCurrentIndex(index);
}

void SectionTabWidget::resizeEvent(QResizeEvent *event)
{
    // A new width means new rows, a new height another limit for them: let
    // the bar and its area ask for their heights again.
    m_bar->updateGeometry();
    m_rows->updateGeometry();
    QWidget::resizeEvent(event);
}

void SectionTabWidget::keyPressEvent(QKeyEvent *event)
{
    // Ctrl+Tab and Ctrl+Page Down step to the next section, with Shift or
    // Page Up to the previous one, as in any tab control.
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    int step = 0;
    if (ctrl
        && (event->key() == Qt::Key_Backtab
            || (event->key() == Qt::Key_Tab && (event->modifiers() & Qt::ShiftModifier))))
        step = -1;
    else if (ctrl && event->key() == Qt::Key_Tab)
        step = 1;
    else if (ctrl && event->key() == Qt::Key_PageDown)
        step = 1;
    else if (ctrl && event->key() == Qt::Key_PageUp)
        step = -1;
    if (step == 0 || count() == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    setCurrentIndex((currentIndex() + step + count()) % count());
}

} // namespace tv
