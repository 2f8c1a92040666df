#include "indexgrid.h"

#include <QHeaderView>

namespace tv {

IndexGridLayout indexGridLayout(int width, int height)
{
    IndexGridLayout l;
    l.column0 = width * 25 / 100;
    l.column1 = width * 60 / 100;
    l.column2 = width * 15 / 100 - 7;
    l.rows = std::max(1, height / IndexGrid::kRowHeight - 2);
    return l;
}

IndexGrid::IndexGrid(QWidget *parent)
    : QTableWidget(0, 3, parent)
{
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    horizontalHeader()->setFixedHeight(kRowHeight + 2);
    horizontalHeader()->setHighlightSections(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setShowGrid(true);
    setWordWrap(false);
    setRowTotal(2);
}

void IndexGrid::setRowTotal(int rows)
{
    setRowCount(std::max(0, rows - 1));
}

QString IndexGrid::cellText(int column, int row) const
{
    const QTableWidgetItem *it = row == 0 ? horizontalHeaderItem(column) : item(row - 1, column);
    return it ? it->text() : QString();
}

void IndexGrid::setCellText(int column, int row, const QString &text)
{
    if (row == 0) {
        setHorizontalHeaderItem(column, new QTableWidgetItem(text));
        return;
    }
    if (QTableWidgetItem *it = item(row - 1, column))
        it->setText(text);
    else
        setItem(row - 1, column, new QTableWidgetItem(text));
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
    QTableWidget::resizeEvent(event);
    emit resized();
}

} // namespace tv
