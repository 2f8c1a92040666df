// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyledItemDelegate>

namespace tv {

class TSortGrid;

/// @short Draws data cells the grid's way and hands edited texts back to it.
///
/// The texts stay in the model, so screen readers read what is painted.
class GridDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit GridDelegate(TSortGrid *grid);

    void paint(
        QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

private:
    TSortGrid *m_grid;
};

} // namespace tv
