// SPDX-License-Identifier: GPL-3.0-or-later
#include "sortgrid.h"

#include "griddelegate.h"
#include "gridheader.h"
#include "gridmodel.h"

#include <QAbstractButton>
#include <QScrollBar>

#include <cmath>
#include <utility>

namespace tv {

GridError::GridError(const QString &message)
    : std::runtime_error(message.toStdString())
{
}

namespace {

GridError gridIndexError()
{
    return GridError(QStringLiteral("Gitterindex außerhalb des zulässigen Bereichs"));
}

} // namespace

TSortGrid::TSortGrid(GridTexts texts, QWidget *parent)
    : QTableView(parent)
    , m_texts(std::move(texts))
    , m_model(new GridModel(this))
    , m_columnHeader(new GridHeader(Qt::Horizontal, this))
    , m_rowHeader(new GridHeader(Qt::Vertical, this))
    , m_options(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect)
{
    setModel(m_model);
    setHorizontalHeader(m_columnHeader);
    setVerticalHeader(m_rowHeader);
    setItemDelegate(new GridDelegate(this));
    setHorizontalScrollMode(ScrollPerItem);
    setVerticalScrollMode(ScrollPerItem);
    m_columnHeader->setDefaultSectionSize(m_defaultColWidth);
    m_rowHeader->setDefaultSectionSize(m_defaultRowHeight);
    connect(m_columnHeader, &QHeaderView::sectionResized, this, &TSortGrid::OnColumnWidthsChanged);
    connect(m_rowHeader, &QHeaderView::sectionResized, this, &TSortGrid::OnRowHeightsChanged);

    // The corner shows the cells where fixed rows and fixed columns meet.
    m_corner = findChild<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly);
    setCornerButtonEnabled(false);
    if (m_corner)
        m_corner->installEventFilter(this);

    // A new string grid: 5 by 5 cells with one fixed row and one fixed column.
    m_fixedColWidths = { m_defaultColWidth };
    m_fixedRowHeights = { m_defaultRowHeight };
    m_model->resize(5, 5);
    m_model->setFixed(1, 1);
    applyOptions();
    setScrollBars(ssBoth);
    RememberCurrentCell();
}

TSortGrid::~TSortGrid() = default;

int TSortGrid::RowCount() const
{
    return m_model->gridRows();
}

void TSortGrid::setRowCount(int count)
{
    count = std::max(count, 1);
    const int oldCols = ColCount(), oldRows = RowCount();
    if (count == oldRows)
        return;
    if (count <= FixedRows())
        setFixedRows(count - 1);
    m_model->resize(ColCount(), count);
    SizeChanged(oldCols, oldRows);
}

int TSortGrid::ColCount() const
{
    return m_model->gridCols();
}

void TSortGrid::setColCount(int count)
{
    count = std::max(count, 1);
    const int oldCols = ColCount(), oldRows = RowCount();
    if (count == oldCols)
        return;
    if (count <= FixedCols())
        setFixedCols(count - 1);
    m_model->resize(count, RowCount());
    SizeChanged(oldCols, oldRows);
}

int TSortGrid::FixedRows() const
{
    return m_model->fixedRows();
}

void TSortGrid::setFixedRows(int count)
{
    if (count < 0 || count >= RowCount())
        throw GridError(
            QStringLiteral("Die Anzahl der festen Zeilen muss kleiner als die Zeilenanzahl sein"));
    resetFixed(FixedCols(), count);
}

int TSortGrid::FixedCols() const
{
    return m_model->fixedCols();
}

void TSortGrid::setFixedCols(int count)
{
    if (count < 0 || count >= ColCount())
        throw GridError(
            QStringLiteral("Die Anzahl der festen Spalten muss kleiner als die Spaltenanzahl sein"));
    resetFixed(count, FixedRows());
}

QString TSortGrid::Cells(int col, int row) const
{
    return m_model->cell(col, row).text;
}

void TSortGrid::setCells(int col, int row, const QString &text)
{
    checkCell(col, row);
    m_model->setText(col, row, text);
    if (col < FixedCols() && row < FixedRows() && m_corner)
        m_corner->update();
}

QVariant TSortGrid::Objects(int col, int row) const
{
    return m_model->cell(col, row).object;
}

void TSortGrid::setObjects(int col, int row, const QVariant &object)
{
    checkCell(col, row);
    m_model->setObject(col, row, object);
}

int TSortGrid::Col() const
{
    const QModelIndex current = currentIndex();
    return FixedCols() + (current.isValid() ? current.column() : 0);
}

void TSortGrid::setCol(int col)
{
    GoToCell(col, Row());
}

int TSortGrid::Row() const
{
    const QModelIndex current = currentIndex();
    return FixedRows() + (current.isValid() ? current.row() : 0);
}

void TSortGrid::setRow(int row)
{
    GoToCell(Col(), row);
}

void TSortGrid::setOptions(TGridOptions options)
{
    m_options = options;
    applyOptions();
    repaintCells();
}

void TSortGrid::setDefaultDrawing(bool on)
{
    m_defaultDrawing = on;
    repaintCells();
}

void TSortGrid::setScrollBars(TScrollStyle style)
{
    m_scrollBars = style;
    const bool horizontal = style == ssHorizontal || style == ssBoth;
    const bool vertical = style == ssVertical || style == ssBoth;
    setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

bool TSortGrid::EditorMode() const
{
    return state() == QAbstractItemView::EditingState;
}

int TSortGrid::ColWidths(int col) const
{
    if (col >= 0 && col < FixedCols())
        return m_fixedColWidths.value(col, m_defaultColWidth);
    if (col >= FixedCols() && col < ColCount())
        return m_columnHeader->sectionSize(col - FixedCols());
    return 0;
}

void TSortGrid::setColWidths(int col, int width)
{
    checkCell(col, 0);
    if (col >= FixedCols()) {
        m_columnHeader->resizeSection(col - FixedCols(), width);
        return;
    }
    m_fixedColWidths[col] = width;
    fixedSizesChanged();
    emit OnColumnWidthsChanged();
}

int TSortGrid::RowHeights(int row) const
{
    if (row >= 0 && row < FixedRows())
        return m_fixedRowHeights.value(row, m_defaultRowHeight);
    if (row >= FixedRows() && row < RowCount())
        return m_rowHeader->sectionSize(row - FixedRows());
    return 0;
}

void TSortGrid::setRowHeights(int row, int height)
{
    checkCell(0, row);
    if (row >= FixedRows()) {
        m_rowHeader->resizeSection(row - FixedRows(), height);
        return;
    }
    m_fixedRowHeights[row] = height;
    fixedSizesChanged();
    emit OnRowHeightsChanged();
}

void TSortGrid::setDefaultRowHeight(int height)
{
    m_defaultRowHeight = height;
    m_rowHeader->setDefaultSectionSize(height);
    for (int row = 0; row < RowCount(); ++row)
        setRowHeights(row, height);
}

void TSortGrid::setGridLineWidth(int width)
{
    m_gridLineWidth = width;
    applyOptions();
}

void TSortGrid::setProportionalScrollBars(bool on)
{
    m_proportionalScrollBars = on;
    AdjustScrollThumbs();
}

void TSortGrid::GoToCell(int ACol, int ARow)
{
    ACol = std::max(ACol, FixedCols());
    ARow = std::max(ARow, FixedRows());
    if (!m_model->contains(ACol, ARow))
        return;
    const QModelIndex index = m_model->indexOf(ACol, ARow);
    setCurrentIndex(index);
    scrollTo(index);
}

void TSortGrid::ClearCells()
{
    m_model->clearAll();
    m_changed = false;
    if (m_corner)
        m_corner->update();
}

void TSortGrid::InsertRowAt(int ARow)
{
    if (ARow < 0 || ARow > RowCount())
        throw gridIndexError();
    setRowCount(RowCount() + 1);
    ShiftRow(RowCount() - 1, ARow);
    m_model->clearRow(ARow);
    setRow(ARow);
    emit OnRowInsert(ARow);
}

void TSortGrid::InsertColumnAt(int ACol)
{
    if (ACol < 0 || ACol > ColCount())
        throw gridIndexError();
    setColCount(ColCount() + 1);
    ShiftColumn(ColCount() - 1, ACol);
    m_model->clearColumn(ACol);
    setCol(ACol);
    emit OnColumnInsert(ACol);
}

void TSortGrid::RemoveRow(int ARow)
{
    checkCell(0, ARow);
    if (RowCount() < 2)
        throw gridIndexError();
    m_model->clearRow(ARow);
    const bool hadCurrent = currentIndex().isValid();
    const int current = Row();
    withoutAlwaysShowEditor([&] {
        const int oldCols = ColCount(), oldRows = RowCount();
        if (RowCount() - 1 <= FixedRows())
            setFixedRows(RowCount() - 2);
        m_model->removeGridRow(ARow);
        if (ARow < FixedRows())
            m_fixedRowHeights.removeAt(ARow);
        SizeChanged(oldCols, oldRows);
    });
    // The current row keeps its place, as repeated deletions expect.
    if (hadCurrent)
        GoToCell(Col(), std::min(current, RowCount() - 1));
    emit OnRowDelete(ARow);
}

void TSortGrid::RemoveColumn(int ACol)
{
    checkCell(ACol, 0);
    if (ColCount() < 2)
        throw gridIndexError();
    m_model->clearColumn(ACol);
    withoutAlwaysShowEditor([&] {
        const int oldCols = ColCount(), oldRows = RowCount();
        if (ColCount() - 1 <= FixedCols())
            setFixedCols(ColCount() - 2);
        m_model->removeGridColumn(ACol);
        if (ACol < FixedCols())
            m_fixedColWidths.removeAt(ACol);
        SizeChanged(oldCols, oldRows);
    });
    emit OnColumnDelete(ACol);
}

void TSortGrid::ShiftRow(int FromIndex, int ToIndex)
{
    checkCell(0, FromIndex);
    checkCell(0, ToIndex);
    withoutAlwaysShowEditor([&] { m_model->moveRow(FromIndex, ToIndex); });
}

void TSortGrid::ShiftColumn(int FromIndex, int ToIndex)
{
    checkCell(FromIndex, 0);
    checkCell(ToIndex, 0);
    withoutAlwaysShowEditor([&] { m_model->moveColumn(FromIndex, ToIndex); });
}

void TSortGrid::ExchangeRows(int ARow1, int ARow2)
{
    if (ARow1 < ARow2) {
        ShiftRow(ARow2, ARow1);
        ShiftRow(ARow1 + 1, ARow2);
    } else if (ARow2 < ARow1) {
        ShiftRow(ARow1, ARow2);
        ShiftRow(ARow2 + 1, ARow1);
    }
}

void TSortGrid::ExchangeColumns(int ACol1, int ACol2)
{
    if (ACol1 < ACol2) {
        ShiftColumn(ACol2, ACol1);
        ShiftColumn(ACol1 + 1, ACol2);
    } else if (ACol2 < ACol1) {
        ShiftColumn(ACol1, ACol2);
        ShiftColumn(ACol2 + 1, ACol1);
    }
}

bool TSortGrid::FindCellText(const QString &Value, int &ACol, int &ARow) const
{
    for (int col = 0; col < ColCount(); ++col) {
        for (int row = 0; row < RowCount(); ++row) {
            if (Cells(col, row).compare(Value, Qt::CaseInsensitive) == 0) {
                ACol = col;
                ARow = row;
                return true;
            }
        }
    }
    return false;
}

void TSortGrid::SizeChanged(int oldColCount, int oldRowCount)
{
    emit OnSizeChanged(oldColCount, oldRowCount);
    AdjustScrollThumbs();
}

void TSortGrid::updateGeometries()
{
    QTableView::updateGeometries();
    // The view sets the page steps anew whenever it lays out.
    AdjustScrollThumbs();
}

/// The page step, which sizes the thumb, from the share of rows or columns in
/// view: 10 of 101 rows with one fixed and a range 0..90 give 11/101 * 91,
/// rounded half to even, so 10.
void TSortGrid::AdjustScrollThumbs()
{
    const auto pageFor = [this](int visible, int fixed, int count, const QScrollBar *bar) {
        if (!m_proportionalScrollBars)
            return 0;
        const double share = double(visible + fixed) / std::max(count, 1);
        const double span = double(bar->maximum()) - bar->minimum() + 1;
        return std::max(1, int(std::nearbyint(share * span)));
    };
    if (m_scrollBars == ssVertical || m_scrollBars == ssBoth) {
        int visible = 0;
        for (int r = rowAt(0); r >= 0 && r < m_model->rowCount(); ++r, ++visible) {
            if (rowViewportPosition(r) + rowHeight(r) > viewport()->height())
                break;
        }
        verticalScrollBar()->setPageStep(pageFor(visible, FixedRows(), RowCount(), verticalScrollBar()));
    }
    if (m_scrollBars == ssHorizontal || m_scrollBars == ssBoth) {
        int visible = 0;
        for (int c = columnAt(0); c >= 0 && c < m_model->columnCount(); ++c, ++visible) {
            if (columnViewportPosition(c) + columnWidth(c) > viewport()->width())
                break;
        }
        horizontalScrollBar()->setPageStep(pageFor(visible, FixedCols(), ColCount(), horizontalScrollBar()));
    }
}

void TSortGrid::resetFixed(int fixedCols, int fixedRows)
{
    QList<int> widths, heights;
    for (int col = 0; col < ColCount(); ++col)
        widths.append(ColWidths(col));
    for (int row = 0; row < RowCount(); ++row)
        heights.append(RowHeights(row));
    // The header asks for the fixed sizes while the model resets.
    m_fixedColWidths = widths.mid(0, fixedCols);
    m_fixedRowHeights = heights.mid(0, fixedRows);
    m_model->setFixed(fixedCols, fixedRows);
    for (int col = fixedCols; col < widths.size(); ++col)
        m_columnHeader->resizeSection(col - fixedCols, widths[col]);
    for (int row = fixedRows; row < heights.size(); ++row)
        m_rowHeader->resizeSection(row - fixedRows, heights[row]);
    m_columnHeader->setVisible(fixedRows > 0);
    m_rowHeader->setVisible(fixedCols > 0);
    fixedSizesChanged();
}

void TSortGrid::fixedSizesChanged()
{
    m_columnHeader->updateGeometry();
    m_rowHeader->updateGeometry();
    updateGeometries();
    repaintCells();
}

void TSortGrid::applyOptions()
{
    setShowGrid(m_gridLineWidth > 0 && (m_options & (goVertLine | goHorzLine)));
    setSelectionBehavior(m_options.testFlag(goRowSelect) ? SelectRows : SelectItems);
    setSelectionMode(m_options.testFlag(goRangeSelect) ? ExtendedSelection : SingleSelection);
    m_columnHeader->setSectionResizeMode(
        m_options.testFlag(goColSizing) ? QHeaderView::Interactive : QHeaderView::Fixed);
    m_rowHeader->setSectionResizeMode(
        m_options.testFlag(goRowSizing) ? QHeaderView::Interactive : QHeaderView::Fixed);
    const bool editing = m_options.testFlag(goEditing);
    m_model->setEditable(editing);
    EditTriggers triggers = NoEditTriggers;
    if (editing)
        triggers = DoubleClicked | EditKeyPressed | AnyKeyPressed;
    if (editing && m_options.testFlag(goAlwaysShowEditor))
        triggers |= CurrentChanged;
    setEditTriggers(triggers);
    setTabKeyNavigation(m_options.testFlag(goTabs));
}

void TSortGrid::checkCell(int col, int row) const
{
    if (!m_model->contains(col, row))
        throw gridIndexError();
}

template <typename Operation> void TSortGrid::withoutAlwaysShowEditor(Operation operation)
{
    struct Restore
    {
        TSortGrid *grid;
        bool on;
        ~Restore()
        {
            if (on) {
                grid->m_options |= goAlwaysShowEditor;
                grid->applyOptions();
            }
        }
    } restore { this, m_options.testFlag(goAlwaysShowEditor) };
    if (restore.on) {
        m_options &= ~TGridOptions(goAlwaysShowEditor);
        applyOptions();
    }
    operation();
}

} // namespace tv
