#pragma once

#include <QTableWidget>

/// @short The Index grid: three columns whose row 0 is the fixed header row.
///
/// Rows are counted with the header, so part n of an entry sits in row n and
/// rowTotal() includes the header. Row 0 is Qt's horizontal header; the data
/// rows are the table's rows.
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

class IndexGrid : public QTableWidget
{
    Q_OBJECT
public:
    static constexpr int kRowHeight = 18;

    explicit IndexGrid(QWidget *parent = nullptr);

    int rowTotal() const { return rowCount() + 1; }
    void setRowTotal(int rows);

    QString cellText(int column, int row) const;
    void setCellText(int column, int row, const QString &text);

    /// Applies indexGridLayout() to the grid's current outer size.
    void fitToSize();

signals:
    void resized();

protected:
    void resizeEvent(QResizeEvent *event) override;
};

} // namespace tv
