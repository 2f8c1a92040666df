// SPDX-License-Identifier: GPL-3.0-or-later
#include "griddelegate.h"

#include "sortgrid.h"

#include <QMetaProperty>
#include <QPainter>

namespace tv {

GridDelegate::GridDelegate(TSortGrid *grid)
    : QStyledItemDelegate(grid)
    , m_grid(grid)
{
}

void GridDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const int col = index.column() + m_grid->FixedCols();
    const int row = index.row() + m_grid->FixedRows();
    TGridDrawState state;
    if (option.state & QStyle::State_Selected)
        state |= gdSelected;
    if (option.state & QStyle::State_HasFocus)
        state |= gdFocused;
    m_grid->DrawCell(painter, col, row, option.rect, state);
    if (state & gdFocused) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.backgroundColor
            = option.palette.color((state & gdSelected) ? QPalette::Highlight : QPalette::Base);
        m_grid->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, m_grid);
    }
}

void GridDelegate::setModelData(QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const
{
    const QString value = editor->metaObject()->userProperty().read(editor).toString();
    m_grid->SetEditText(index.column() + m_grid->FixedCols(), index.row() + m_grid->FixedRows(), value);
}

} // namespace tv
