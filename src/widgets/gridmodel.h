// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QVariant>

namespace tv {

/// One cell: its text and the object the program hangs on it.
struct GridCell
{
    QString text;
    QVariant object;
};

/// @short The cells of a string grid, fixed rows and columns included.
///
/// Grid coordinates (column, row) count the fixed rows and columns; the model
/// shows only the data cells as items, and the fixed rows and columns as the
/// header texts, so that item views and screen readers see every text. With one
/// fixed row, grid cell (2, 5) is the item at row 4, column 2.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit GridModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    int gridRows() const { return int(m_cells.size()); }
    int gridCols() const { return m_cols; }
    int fixedRows() const { return m_fixedRows; }
    int fixedCols() const { return m_fixedCols; }
    bool contains(int col, int row) const;

    /// Counts keep the cells that remain; new cells are empty.
    void resize(int cols, int rows);
    void setFixed(int fixedCols, int fixedRows);
    void setEditable(bool editable);

    const GridCell &cell(int col, int row) const;
    void setText(int col, int row, const QString &text);
    void setObject(int col, int row, const QVariant &object);
    void clearAll();
    void clearRow(int row);
    void clearColumn(int col);

    void moveRow(int from, int to);
    void moveColumn(int from, int to);
    void removeGridRow(int row);
    void removeGridColumn(int col);
    /// Data row fixedRows() + i takes the whole former row sourceRows[i].
    void reorderDataRows(const QList<int> &sourceRows);

    QModelIndex indexOf(int col, int row) const;

private:
    void cellChanged(int col, int row);

    QList<QList<GridCell>> m_cells; // [row][col]
    int m_cols = 0;
    int m_fixedRows = 0;
    int m_fixedCols = 0;
    bool m_editable = false;
};

} // namespace tv
