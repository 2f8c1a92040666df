// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QStyledItemDelegate>
#include <QTableView>

#include <functional>

/// @short The Index grid: three columns whose row 0 is the fixed header row.
///
/// Rows are counted with the header, so part n of an entry sits in row n and
/// rowTotal() includes the header. Cells are kept whatever the row count:
/// rows written beyond it show when the window grows.
namespace tv {

struct IndexGridLayout
{
    int column0 = 0;
    int column1 = 0;
    int column2 = 0;
    int rows = 1;
};

/// Column widths and rows for an outer size: W*25/100, W*60/100, W*15/100-7,
/// H/18-2 rows (header included, at least 1). 443 x 329 -> 110, 265, 59 and 16 rows.
IndexGridLayout indexGridLayout(int width, int height);

class IndexGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    int rowTotal() const { return m_rowTotal; }
    void setRowTotal(int rows);
    QString cell(int column, int row) const;
    void setCell(int column, int row, const QString &text);

    /// Extra text for assistive technology per cell (the marks drawn over it).
    std::function<QString(int column, int row)> describeCell;

private:
    QHash<qint64, QString> m_cells;
    int m_rowTotal = 2;
};

class IndexGrid : public QTableView
{
    Q_OBJECT
public:
    static constexpr int kRowHeight = 18;

    explicit IndexGrid(QWidget *parent = nullptr);

    IndexGridModel *cells() const { return m_model; }
    int rowTotal() const { return m_model->rowTotal(); }
    void setRowTotal(int rows) { m_model->setRowTotal(rows); }
    QString cellText(int column, int row) const { return m_model->cell(column, row); }
    void setCellText(int column, int row, const QString &text) { m_model->setCell(column, row, text); }
    /// The selected row counted with the header (parts from 1); 0 when none.
    int currentGridRow() const;
    /// The rectangle of a cell in viewport coordinates; row 0 lies in the header.
    QRect cellRect(int column, int row) const;

    /// Applies indexGridLayout() to the grid's current outer size.
    void fitToSize();

signals:
    void resized();
    /// Enter on a row: the keyboard's double-click.
    void rowEntered();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    IndexGridModel *m_model;
};

/// Draws a cell as usual, then lets `drawMarks` paint over it (the kind and
/// status marks of the Index grid).
class IndexGridDelegate : public QStyledItemDelegate
{
public:
    using DrawMarks = std::function<void(QPainter *, int column, int row, const QRect &)>;
    IndexGridDelegate(DrawMarks drawMarks, QObject *parent);
    void paint(
        QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    DrawMarks m_drawMarks;
};

} // namespace tv
