// SPDX-License-Identifier: GPL-3.0-or-later
#include "gridmodel.h"

namespace tv {
namespace {
const GridCell emptyCell;
}

GridModel::GridModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : gridRows() - m_fixedRows;
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_cols - m_fixedCols;
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    return cell(index.column() + m_fixedCols, index.row() + m_fixedRows).text;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    // Several fixed rows stack in one header section, several fixed columns
    // stand side by side in one row header.
    QStringList texts;
    if (orientation == Qt::Horizontal) {
        for (int row = 0; row < m_fixedRows; ++row)
            texts.append(cell(section + m_fixedCols, row).text);
        return texts.join(QLatin1Char('\n'));
    }
    for (int col = 0; col < m_fixedCols; ++col)
        texts.append(cell(col, section + m_fixedRows).text);
    return texts.join(QLatin1Char(' '));
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (m_editable && index.isValid())
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool GridModel::contains(int col, int row) const
{
    return col >= 0 && col < m_cols && row >= 0 && row < gridRows();
}

void GridModel::resize(int cols, int rows)
{
    const int oldRows = gridRows();
    if (rows < oldRows) {
        beginRemoveRows(QModelIndex(), rows - m_fixedRows, oldRows - m_fixedRows - 1);
        m_cells.resize(rows);
        endRemoveRows();
    } else if (rows > oldRows) {
        beginInsertRows(QModelIndex(), oldRows - m_fixedRows, rows - m_fixedRows - 1);
        m_cells.resize(rows, QList<GridCell>(m_cols));
        endInsertRows();
    }
    if (cols < m_cols) {
        beginRemoveColumns(QModelIndex(), cols - m_fixedCols, m_cols - m_fixedCols - 1);
        for (auto &row : m_cells)
            row.resize(cols);
        m_cols = cols;
        endRemoveColumns();
    } else if (cols > m_cols) {
        beginInsertColumns(QModelIndex(), m_cols - m_fixedCols, cols - m_fixedCols - 1);
        for (auto &row : m_cells)
            row.resize(cols);
        m_cols = cols;
        endInsertColumns();
    }
}

void GridModel::setFixed(int fixedCols, int fixedRows)
{
    beginResetModel();
    m_fixedCols = fixedCols;
    m_fixedRows = fixedRows;
    endResetModel();
}

void GridModel::setEditable(bool editable)
{
    m_editable = editable;
}

const GridCell &GridModel::cell(int col, int row) const
{
    return contains(col, row) ? m_cells[row][col] : emptyCell;
}

void GridModel::setText(int col, int row, const QString &text)
{
    m_cells[row][col].text = text;
    cellChanged(col, row);
}

void GridModel::setObject(int col, int row, const QVariant &object)
{
    m_cells[row][col].object = object;
}

void GridModel::clearAll()
{
    for (auto &row : m_cells)
        row.fill(GridCell());
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

void GridModel::clearRow(int row)
{
    for (int col = 0; col < m_cols; ++col) {
        m_cells[row][col] = GridCell();
        cellChanged(col, row);
    }
}

void GridModel::clearColumn(int col)
{
    for (int row = 0; row < gridRows(); ++row) {
        m_cells[row][col] = GridCell();
        cellChanged(col, row);
    }
}

void GridModel::moveRow(int from, int to)
{
    if (from == to)
        return;
    if (from < m_fixedRows || to < m_fixedRows) {
        // A fixed row changes place with a data row: everything is new to the view.
        beginResetModel();
        m_cells.move(from, to);
        endResetModel();
        return;
    }
    // Qt counts the destination before the move: down by one is "before to + 1".
    beginMoveRows(QModelIndex(), from - m_fixedRows, from - m_fixedRows, QModelIndex(),
        (to > from ? to + 1 : to) - m_fixedRows);
    m_cells.move(from, to);
    endMoveRows();
}

void GridModel::moveColumn(int from, int to)
{
    if (from == to)
        return;
    const auto move = [&] {
        for (auto &row : m_cells)
            row.move(from, to);
    };
    if (from < m_fixedCols || to < m_fixedCols) {
        beginResetModel();
        move();
        endResetModel();
        return;
    }
    beginMoveColumns(QModelIndex(), from - m_fixedCols, from - m_fixedCols, QModelIndex(),
        (to > from ? to + 1 : to) - m_fixedCols);
    move();
    endMoveColumns();
}

void GridModel::removeGridRow(int row)
{
    if (row < m_fixedRows) {
        beginResetModel();
        m_cells.removeAt(row);
        endResetModel();
        return;
    }
    beginRemoveRows(QModelIndex(), row - m_fixedRows, row - m_fixedRows);
    m_cells.removeAt(row);
    endRemoveRows();
}

void GridModel::removeGridColumn(int col)
{
    const auto remove = [&] {
        for (auto &row : m_cells)
            row.removeAt(col);
        --m_cols;
    };
    if (col < m_fixedCols) {
        beginResetModel();
        remove();
        endResetModel();
        return;
    }
    beginRemoveColumns(QModelIndex(), col - m_fixedCols, col - m_fixedCols);
    remove();
    endRemoveColumns();
}

void GridModel::reorderDataRows(const QList<int> &sourceRows)
{
    QList<QList<GridCell>> moved;
    moved.reserve(sourceRows.size());
    for (int source : sourceRows)
        moved.append(m_cells[source]);
    for (qsizetype i = 0; i < moved.size(); ++i)
        m_cells[m_fixedRows + i] = moved[i];
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    if (m_fixedCols > 0)
        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

QModelIndex GridModel::indexOf(int col, int row) const
{
    return index(row - m_fixedRows, col - m_fixedCols);
}

void GridModel::cellChanged(int col, int row)
{
    if (row < m_fixedRows && col >= m_fixedCols)
        emit headerDataChanged(Qt::Horizontal, col - m_fixedCols, col - m_fixedCols);
    else if (col < m_fixedCols && row >= m_fixedRows)
        emit headerDataChanged(Qt::Vertical, row - m_fixedRows, row - m_fixedRows);
    else if (row >= m_fixedRows && col >= m_fixedCols)
        emit dataChanged(indexOf(col, row), indexOf(col, row));
}

} // namespace tv
