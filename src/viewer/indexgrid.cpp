// SPDX-License-Identifier: GPL-3.0-or-later
#include "indexgrid.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace tv {
namespace {
qint64 key(int column, int row)
{
    return (qint64(row) << 8) | column;
}
} // namespace

IndexGridLayout indexGridLayout(int width, int height)
{
    IndexGridLayout l;
    l.column0 = width * 25 / 100;
    l.column1 = width * 60 / 100;
    l.column2 = width * 15 / 100 - 7;
    l.rows = std::max(1, height / IndexGrid::kRowHeight - 2);
    return l;
}

int IndexGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : std::max(0, m_rowTotal - 1);
}

int IndexGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant IndexGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row() + 1;
    if (role == Qt::DisplayRole)
        return cell(index.column(), row);
    if (role == Qt::AccessibleTextRole)
        return cell(index.column(), row).trimmed();
    if ((role == Qt::AccessibleDescriptionRole || role == Qt::ToolTipRole) && describeCell) {
        const QString d = describeCell(index.column(), row);
        return d.isEmpty() ? QVariant() : QVariant(d);
    }
    return {};
}

QVariant IndexGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return cell(section, 0);
    return {};
}

void IndexGridModel::setRowTotal(int rows)
{
    rows = std::max(1, rows);
    if (rows == m_rowTotal)
        return;
    beginResetModel();
    m_rowTotal = rows;
    endResetModel();
}

QString IndexGridModel::cell(int column, int row) const
{
    return m_cells.value(key(column, row));
}

void IndexGridModel::setCell(int column, int row, const QString &text)
{
    if (text.isEmpty())
        m_cells.remove(key(column, row));
    else
        m_cells.insert(key(column, row), text);
    if (row == 0) {
        emit headerDataChanged(Qt::Horizontal, column, column);
    } else if (row < m_rowTotal) {
        const QModelIndex i = index(row - 1, column);
        emit dataChanged(i, i);
    }
}

IndexGrid::IndexGrid(QWidget *parent)
    : QTableView(parent)
    , m_model(new IndexGridModel(this))
{
    setModel(m_model);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    horizontalHeader()->setFixedHeight(kRowHeight + 2);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setShowGrid(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
}

int IndexGrid::currentGridRow() const
{
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() + 1 : 0;
}

QRect IndexGrid::cellRect(int column, int row) const
{
    return visualRect(m_model->index(row - 1, column));
}

void IndexGrid::fitToSize()
{
    const IndexGridLayout l = indexGridLayout(width(), height());
    setColumnWidth(0, l.column0);
    setColumnWidth(1, l.column1);
    setColumnWidth(2, std::max(0, l.column2));
    setRowTotal(l.rows);
}

void IndexGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    emit resized();
}

void IndexGrid::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit rowEntered();
        return;
    }
    QTableView::keyPressEvent(event);
}

IndexGridDelegate::IndexGridDelegate(DrawMarks drawMarks, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_drawMarks(std::move(drawMarks))
{
}

void IndexGridDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    m_drawMarks(painter, index.column(), index.row() + 1, option.rect);
}

} // namespace tv
