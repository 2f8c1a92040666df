// SPDX-License-Identifier: GPL-3.0-or-later
#include "gridheader.h"

#include "sortgrid.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionHeader>

namespace tv {

GridHeader::GridHeader(Qt::Orientation orientation, TSortGrid *grid)
    : QHeaderView(orientation, grid)
    , m_grid(grid)
{
    setSectionsClickable(false);
    setHighlightSections(false);
    setMinimumSectionSize(1);
    connect(this, &QHeaderView::sectionResized, this, [this] {
        // A drag of a border ends with a release that must not sort.
        if (QGuiApplication::mouseButtons() != Qt::NoButton)
            m_resizing = true;
    });
}

QSize GridHeader::sizeHint() const
{
    QSize size = QHeaderView::sizeHint();
    int extent = 0;
    if (orientation() == Qt::Horizontal) {
        for (int row = 0; row < m_grid->FixedRows(); ++row)
            extent += m_grid->RowHeights(row);
        size.setHeight(extent);
    } else {
        for (int col = 0; col < m_grid->FixedCols(); ++col)
            extent += m_grid->ColWidths(col);
        size.setWidth(extent);
    }
    return size;
}

void GridHeader::cellAt(const QPoint &pos, int &col, int &row) const
{
    col = -1;
    row = -1;
    const bool horizontal = orientation() == Qt::Horizontal;
    const int section = logicalIndexAt(horizontal ? pos.x() : pos.y());
    if (section < 0)
        return;
    int edge = 0;
    const int across = horizontal ? pos.y() : pos.x();
    const int fixedCount = horizontal ? m_grid->FixedRows() : m_grid->FixedCols();
    for (int i = 0; i < fixedCount; ++i) {
        edge += horizontal ? m_grid->RowHeights(i) : m_grid->ColWidths(i);
        if (across < edge) {
            col = horizontal ? m_grid->FixedCols() + section : i;
            row = horizontal ? i : m_grid->FixedRows() + section;
            return;
        }
    }
}

void GridHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    QStyleOptionHeader option;
    initStyleOptionForIndex(&option, logicalIndex);
    option.text.clear();
    option.icon = QIcon();
    option.sortIndicator = QStyleOptionHeader::None;

    const bool horizontal = orientation() == Qt::Horizontal;
    const int fixedCount = horizontal ? m_grid->FixedRows() : m_grid->FixedCols();
    QRect cell = rect;
    for (int i = 0; i < fixedCount; ++i) {
        const int col = horizontal ? m_grid->FixedCols() + logicalIndex : i;
        const int row = horizontal ? i : m_grid->FixedRows() + logicalIndex;
        if (horizontal)
            cell.setHeight(m_grid->RowHeights(row));
        else
            cell.setWidth(m_grid->ColWidths(col));
        option.rect = cell;
        style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);
        m_grid->DrawCell(painter, col, row, cell, m_grid->DrawStateOf(col, row));
        if (horizontal)
            cell.translate(0, cell.height());
        else
            cell.translate(cell.width(), 0);
    }
}

void GridHeader::mousePressEvent(QMouseEvent *event)
{
    m_grid->setFocus(Qt::MouseFocusReason);
    m_resizing = onResizeHandle(event->position().toPoint());
    QHeaderView::mousePressEvent(event);
}

void GridHeader::mouseReleaseEvent(QMouseEvent *event)
{
    int col = -1, row = -1;
    cellAt(event->position().toPoint(), col, row);
    const bool resizing = m_resizing;
    m_resizing = false;
    // The release goes on to the header also when the sort fails.
    struct PassOn
    {
        GridHeader *header;
        QMouseEvent *event;
        ~PassOn() { header->QHeaderView::mouseReleaseEvent(event); }
    } passOn { this, event };
    if (row >= 0)
        m_grid->HeaderMouseUp(*event, col, row, resizing);
}

/// The same hit test as QHeaderView's own: within the grip margin of a border
/// of a section that the user may resize.
bool GridHeader::onResizeHandle(const QPoint &pos) const
{
    const int position = orientation() == Qt::Horizontal ? pos.x() : pos.y();
    const int visual = visualIndexAt(position);
    if (visual < 0)
        return false;
    const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
    const int logical = logicalIndex(visual);
    const int start = sectionViewportPosition(logical);
    bool atStart = position < start + grip;
    bool atEnd = position > start + sectionSize(logical) - grip;
    if (orientation() == Qt::Horizontal && isRightToLeft())
        std::swap(atStart, atEnd);
    if (atEnd)
        return sectionResizeMode(logical) == QHeaderView::Interactive;
    if (atStart) {
        for (int v = visual - 1; v >= 0; --v) {
            const int previous = logicalIndex(v);
            if (!isSectionHidden(previous))
                return sectionResizeMode(previous) == QHeaderView::Interactive;
        }
    }
    return false;
}

} // namespace tv
