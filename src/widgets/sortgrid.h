// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gridtypes.h"
#include "sortrules.h"

#include <QTableView>
#include <QVariant>

namespace tv {

class GridModel;
class GridHeader;
class GridDelegate;

/// @short A string grid that sorts its rows by a clicked header cell.
///
/// Cells are addressed as (column, row) with the fixed rows and columns
/// counted, as in Cells(0, 0) for the first header cell. The fixed rows are
/// the table's column header, the fixed columns its row header, so the grid
/// scrolls, selects and speaks to screen readers like any Qt table.
///
/// A left click on a header cell sorts ascending, a right click descending
/// (from the keyboard: Ctrl+Down and Ctrl+Up on the current column);
/// whether the column holds numbers, dates with or without times or text is
/// found out from the cells, by the user's locale. Rows with equal keys keep
/// their order, objects travel with their rows and the current row stays
/// current where it went.
class TSortGrid : public QTableView
{
    Q_OBJECT
public:
    /// `texts` decide the bytes that text sorts by and the delimited files.
    explicit TSortGrid(GridTexts texts, QWidget *parent = nullptr);
    ~TSortGrid() override;

    // The string grid underneath.
    int RowCount() const;
    void setRowCount(int count);
    int ColCount() const;
    void setColCount(int count);
    int FixedRows() const;
    void setFixedRows(int count);
    int FixedCols() const;
    void setFixedCols(int count);
    QString Cells(int col, int row) const;
    void setCells(int col, int row, const QString &text);
    QVariant Objects(int col, int row) const;
    void setObjects(int col, int row, const QVariant &object);
    int Col() const;
    void setCol(int col);
    int Row() const;
    void setRow(int row);
    TGridOptions Options() const { return m_options; }
    void setOptions(TGridOptions options);
    bool DefaultDrawing() const { return m_defaultDrawing; }
    void setDefaultDrawing(bool on);
    TScrollStyle ScrollBars() const { return m_scrollBars; }
    void setScrollBars(TScrollStyle style);
    /// True while the in-place editor is open.
    bool EditorMode() const;
    int ColWidths(int col) const;
    void setColWidths(int col, int width);
    int RowHeights(int row) const;
    void setRowHeights(int row, int height);
    void setDefaultRowHeight(int height);
    void setGridLineWidth(int width);

    // What the sorting grid adds.
    bool CaseSensitive() const { return m_caseSensitive; }
    void setCaseSensitive(bool on) { m_caseSensitive = on; }
    TAlignment AlignmentHorz() const { return m_alignmentHorz; }
    void setAlignmentHorz(TAlignment alignment);
    TVertAlignment AlignmentVert() const { return m_alignmentVert; }
    void setAlignmentVert(TVertAlignment alignment);
    bool ClickSorting() const { return m_clickSorting; }
    void setClickSorting(bool on) { m_clickSorting = on; }
    TCellBevelStyle BevelStyle() const { return m_bevelStyle; }
    void setBevelStyle(TCellBevelStyle style);
    bool ProportionalScrollBars() const { return m_proportionalScrollBars; }
    void setProportionalScrollBars(bool on);
    bool ExtendedKeys() const { return m_extendedKeys; }
    void setExtendedKeys(bool on) { m_extendedKeys = on; }

    virtual void ApplySort(int ACol, const TSortOptions &SortOptions);
    virtual TCompareKind GuessCompareKind(int ACol) const;
    virtual void AdjustScrollThumbs();
    virtual void RememberCurrentCell();
    virtual void GoToCell(int ACol, int ARow);
    virtual void ClearCells();
    virtual void InsertRowAt(int ARow);
    virtual void InsertColumnAt(int ACol);
    virtual void RemoveRow(int ARow);
    virtual void RemoveColumn(int ACol);
    virtual void ShiftRow(int FromIndex, int ToIndex);
    virtual void ShiftColumn(int FromIndex, int ToIndex);
    virtual void ExchangeRows(int ARow1, int ARow2);
    virtual void ExchangeColumns(int ACol1, int ACol2);
    virtual void FitColumnWidth(int ACol);
    virtual void FitAllColumnWidths(bool IncludeFixed, int Extra);
    virtual void SortOnColumn(int ACol, const TSortOptions &SortOptions);
    /// The first cell, column by column from the left, whose text equals Value
    /// with letter case ignored.
    virtual bool FindCellText(const QString &Value, int &ACol, int &ARow) const;
    /// Replaces the cells by the lines of a text file split at Separator;
    /// "a,,b," gives four cells. The file is read and decoded as handed in.
    virtual void ImportDelimited(const QString &FileName, QChar Separator);
    /// Writes every row, header rows included, joined with Separator, with
    /// CR LF line ends, encoded and written as handed in.
    virtual void ExportDelimited(const QString &FileName, QChar Separator) const;
    virtual bool SortUndoable();
    virtual void RevertSort();
    virtual void VerifyEditedCell();

    /// The format a cell is drawn and measured with: the defaults, then
    /// OnGetCellFormat's changes.
    TFormatOptions CellFormat(int col, int row, TGridDrawState state) const;

signals:
    void OnGetCellFormat(int Col, int Row, tv::TGridDrawState State, tv::TFormatOptions &FormatOptions) const;
    void OnClickSort(int Col, int Row, tv::TSortOptions &SortOptions);
    void OnRowInsert(int Index);
    void OnRowDelete(int Index);
    void OnColumnInsert(int Index);
    void OnColumnDelete(int Index);
    void OnColumnWidthsChanged();
    void OnRowHeightsChanged();
    void OnSizeChanged(int OldColCount, int OldRowCount);
    void OnBeginSort(int Col, tv::TSortOptions &SortOptions);
    void OnEndSort(int Col);
    void OnCellValidate(int Col, int Row, QString &Value, bool &Valid);
    /// The current cell changed (or the grid is being left).
    void OnClick();
    void OnDrawCell(int Col, int Row, QPainter *Painter, const QRect &Rect, tv::TGridDrawState State) const;
    /// A header-click sort begins (true) and has ended (false, also when it
    /// failed); the host shows its busy cursor in between.
    void busyChanged(bool busy);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void updateGeometries() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class GridHeader;
    friend class GridDelegate;

    struct RememberedCell
    {
        QString text;
        int col = 0;
        int row = 0;
        bool changed = false;
    };

    /// Draws one cell's format, text, bevel, and raises OnDrawCell. Header
    /// cells keep the style's own background unless the format changed it.
    void DrawCell(QPainter *painter, int col, int row, const QRect &rect, TGridDrawState state) const;
    TFormatOptions DefaultFormat(TGridDrawState state) const;
    TGridDrawState DrawStateOf(int col, int row) const;
    static void drawText(
        QPainter *painter, const QRect &rect, const TFormatOptions &format, const QString &text);
    void drawBevel(QPainter *painter, const QRect &rect, const TFormatOptions &format) const;
    void paintCorner() const;
    void repaintCells();
    /// The in-place editor wrote a text into a cell.
    void SetEditText(int col, int row, const QString &value);
    void HeaderMouseUp(const QMouseEvent &event, int col, int row, bool resizing);
    void Click();
    template <typename Then> void leaveFocus(Then then);
    void SizeChanged(int oldColCount, int oldRowCount);
    void moveDataRows(const QList<int> &sourceRows);
    void resetFixed(int fixedCols, int fixedRows);
    void fixedSizesChanged();
    void applyOptions();
    void checkCell(int col, int row) const;
    template <typename Operation> void withoutAlwaysShowEditor(Operation operation);

    /// A header click from mouse or keyboard: OnClickSort, then the sort
    /// between busyChanged(true) and busyChanged(false).
    void sortByClick(int col, int row, const TSortOptions &options);

    GridTexts m_texts;
    GridModel *m_model;
    GridHeader *m_columnHeader;
    GridHeader *m_rowHeader;
    QWidget *m_corner = nullptr;

    TGridOptions m_options;
    bool m_defaultDrawing = true;
    TScrollStyle m_scrollBars = ssBoth;
    int m_defaultColWidth = 64;
    int m_defaultRowHeight = 24;
    int m_gridLineWidth = 1;
    QList<int> m_fixedColWidths;
    QList<int> m_fixedRowHeights;

    bool m_caseSensitive = false;
    TAlignment m_alignmentHorz = taLeftJustify;
    TVertAlignment m_alignmentVert = taTopJustify;
    bool m_clickSorting = true;
    TCellBevelStyle m_bevelStyle = cbNone;
    bool m_proportionalScrollBars = true;
    bool m_extendedKeys = false;

    TSortedList m_sortEntries;
    bool m_changed = false;
    RememberedCell m_remembered;
    bool m_focused = false;
};

} // namespace tv
