#include "sectiontabs.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QToolTip>

namespace tv {

WrappingTabBar::WrappingTabBar(QWidget *parent)
    : QTabBar(parent)
{
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
    setExpanding(false);
    setDrawBase(false);
    setMouseTracking(true);
}

int WrappingTabBar::availableWidth() const
{
    // The tab widget gives its bar the width the bar asks for; ask for the pane's.
    const QWidget *pane = parentWidget();
    return std::max(1, pane ? pane->width() : width());
}

QList<QRect> WrappingTabBar::layoutFor(int width) const
{
    // First fill rows from the left, as many tabs as fit.
    QList<QList<int>> rows;
    int x = 0;
    for (int i = 0; i < count(); ++i) {
        const int w = std::min(tabSizeHint(i).width(), width);
        if (rows.isEmpty() || (x > 0 && x + w > width)) {
            rows.append(QList<int>());
            x = 0;
        }
        rows.back().append(i);
        x += w;
    }
    // The chosen tab's row touches the page.
    for (qsizetype r = 0; r < rows.size(); ++r) {
        if (rows[r].contains(currentIndex())) {
            rows.append(rows.takeAt(r));
            break;
        }
    }
    QList<QRect> rects(count());
    int y = 0;
    for (const QList<int> &row : rows) {
        int left = 0;
        int height = 0;
        for (const int i : row) {
            const QSize hint = tabSizeHint(i);
            rects[i] = QRect(left, y, std::min(hint.width(), width), hint.height());
            left += rects[i].width();
            height = std::max(height, hint.height());
        }
        y += height;
    }
    return rects;
}

QRect WrappingTabBar::wrappedTabRect(int index) const
{
    return layoutFor(availableWidth()).value(index);
}

int WrappingTabBar::wrappedTabAt(const QPoint &pos) const
{
    const QList<QRect> rects = layoutFor(availableWidth());
    for (int i = 0; i < rects.size(); ++i) {
        if (rects[i].contains(pos))
            return i;
    }
    return -1;
}

int WrappingTabBar::rowCount() const
{
    QList<int> tops;
    for (const QRect &r : layoutFor(availableWidth())) {
        if (!tops.contains(r.top()))
            tops.append(r.top());
    }
    return int(tops.size());
}

QSize WrappingTabBar::sizeHint() const
{
    const QList<QRect> rects = layoutFor(availableWidth());
    int bottom = 0;
    for (const QRect &r : rects)
        bottom = std::max(bottom, r.bottom() + 1);
    return QSize(availableWidth(), bottom);
}

QSize WrappingTabBar::minimumSizeHint() const
{
    return QSize(0, sizeHint().height());
}

void WrappingTabBar::tabLayoutChange()
{
    QTabBar::tabLayoutChange();
    updateGeometry();
    update();
}

void WrappingTabBar::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    const QList<QRect> rects = layoutFor(availableWidth());
    auto paintTab = [&](int i) {
        QStyleOptionTab option;
        initStyleOption(&option, i);
        option.rect = rects[i];
        option.state.setFlag(QStyle::State_MouseOver, i == m_hover);
        painter.drawControl(QStyle::CE_TabBarTab, option);
    };
    for (int i = 0; i < count(); ++i) {
        if (i != currentIndex())
            paintTab(i);
    }
    if (currentIndex() >= 0)
        paintTab(currentIndex()); // on top, joined to the page
}

void WrappingTabBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const int index = wrappedTabAt(event->position().toPoint());
    if (index >= 0 && isTabEnabled(index))
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

void WrappingTabBar::mouseReleaseEvent(QMouseEvent *event)
{
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
    return QTabBar::event(event);
}

SectionTabWidget::SectionTabWidget(QWidget *parent)
    : QTabWidget(parent)
    , m_bar(new WrappingTabBar(this))
{
    setTabBar(m_bar);
    connect(this, &QTabWidget::currentChanged, m_bar, [this] {
        // The chosen row moves next to the page: the bar's rows change.
        m_bar->updateGeometry();
        m_bar->update();
    });
}

void SectionTabWidget::resizeEvent(QResizeEvent *event)
{
    // A new width means new rows: let the bar ask for its height again.
    m_bar->updateGeometry();
    QTabWidget::resizeEvent(event);
}

} // namespace tv
