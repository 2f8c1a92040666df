// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHeaderView>

namespace tv {

class TSortGrid;

/// @short The fixed rows (as column header) or fixed columns (as row header).
///
/// Each section stacks the fixed cells of its column or row, painted as the
/// grid paints its cells on the style's header background. A press gives the
/// grid the focus, a release over a fixed cell is reported to the grid, which
/// decides whether it sorts.
class GridHeader : public QHeaderView
{
    Q_OBJECT
public:
    GridHeader(Qt::Orientation orientation, TSortGrid *grid);

    QSize sizeHint() const override;
    /// The grid cell under a point of the header; row -1 when there is none.
    void cellAt(const QPoint &pos, int &col, int &row) const;

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool onResizeHandle(const QPoint &pos) const;

    TSortGrid *m_grid;
    bool m_resizing = false;
};

} // namespace tv
