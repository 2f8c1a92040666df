// SPDX-License-Identifier: GPL-3.0-or-later
#include "sortgrid.h"

#include "catalogue/cp1252.h"
#include "catalogue/errors.h"
#include "catalogue/seam.h"
#include "catalogue/textlines.h"
#include "cellreader.h"
#include "griddelegate.h"
#include "gridheader.h"
#include "gridmodel.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QSaveFile>
#include <QScrollBar>
#include <QStyleOptionHeader>

#include <cmath>
#include <optional>

namespace tv {
namespace {

Error gridIndexError()
{
    return Error(QStringLiteral("Gitterindex außerhalb des zulässigen Bereichs"));
}

/// Lines as a text file is read into a list: CR LF, CR or LF end a line, and
/// an end at the very end starts no further line. "a\r\nb\nc\r" gives a, b, c.
QStringList splitTextLines(const QString &text)
{
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') {
            line.append(c);
            continue;
        }
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        lines.append(line);
        line.clear();
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

} // namespace

TSortGrid::TSortGrid(QWidget *parent)
    : QTableView(parent)
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

// ---- The string grid underneath ---------------------------------------------

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
        throw Error(QStringLiteral("Die Anzahl der festen Zeilen muss kleiner als die Zeilenanzahl sein"));
    resetFixed(FixedCols(), count);
}

int TSortGrid::FixedCols() const
{
    return m_model->fixedCols();
}

void TSortGrid::setFixedCols(int count)
{
    if (count < 0 || count >= ColCount())
        throw Error(QStringLiteral("Die Anzahl der festen Spalten muss kleiner als die Spaltenanzahl sein"));
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

TGridRect TSortGrid::Selection() const
{
    const QItemSelection selection = selectionModel()->selection();
    if (selection.isEmpty())
        return TGridRect { Col(), Row(), Col(), Row() };
    TGridRect rect { ColCount(), RowCount(), 0, 0 };
    for (const QItemSelectionRange &range : selection) {
        rect.Left = std::min(rect.Left, FixedCols() + range.left());
        rect.Top = std::min(rect.Top, FixedRows() + range.top());
        rect.Right = std::max(rect.Right, FixedCols() + range.right());
        rect.Bottom = std::max(rect.Bottom, FixedRows() + range.bottom());
    }
    return rect;
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

void TSortGrid::setDefaultColWidth(int width)
{
    m_defaultColWidth = width;
    m_columnHeader->setDefaultSectionSize(width);
    for (int col = 0; col < ColCount(); ++col)
        setColWidths(col, width);
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

// ---- Properties of the sorting grid -------------------------------------------

void TSortGrid::setAlignmentHorz(TAlignment alignment)
{
    m_alignmentHorz = alignment;
    repaintCells();
}

void TSortGrid::setAlignmentVert(TVertAlignment alignment)
{
    m_alignmentVert = alignment;
    repaintCells();
}

void TSortGrid::setBevelStyle(TCellBevelStyle style)
{
    m_bevelStyle = style;
    repaintCells();
}

void TSortGrid::setProportionalScrollBars(bool on)
{
    m_proportionalScrollBars = on;
    AdjustScrollThumbs();
}

// ---- Sorting ----------------------------------------------------------------------

void TSortGrid::SortOnColumn(int ACol, const TSortOptions &SortOptions)
{
    if (EditorMode() || FixedRows() + 1 >= RowCount())
        return;
    TSortOptions options = SortOptions;
    if (options.CompareKind == ckAuto)
        options.CompareKind = GuessCompareKind(ACol);
    emit OnBeginSort(ACol, options);
    ApplySort(ACol, options);
    emit OnEndSort(ACol);
}

TCompareKind TSortGrid::GuessCompareKind(int ACol) const
{
    QStringList cells;
    for (int row = FixedRows(); row < RowCount(); ++row)
        cells.append(Cells(ACol, row));
    return tv::GuessCompareKind(cells, CellReader());
}

void TSortGrid::ApplySort(int ACol, const TSortOptions &SortOptions)
{
    checkCell(ACol, 0);
    m_sortEntries.clear();
    for (int row = FixedRows(); row < RowCount(); ++row)
        m_sortEntries.append(TSortedListEntry { Cells(ACol, row), row });
    SortEntries(m_sortEntries, SortOptions, CellReader());

    QList<int> sourceRows;
    sourceRows.reserve(m_sortEntries.size());
    for (const TSortedListEntry &entry : m_sortEntries)
        sourceRows.append(entry.SourceRow);
    moveDataRows(sourceRows);

    if (!currentIndex().isValid())
        return;
    const int current = Row();
    for (qsizetype i = 0; i < m_sortEntries.size(); ++i) {
        if (m_sortEntries[i].SourceRow == current) {
            GoToCell(Col(), FixedRows() + int(i));
            break;
        }
    }
}

bool TSortGrid::SortUndoable()
{
    if (m_sortEntries.size() == RowCount() - FixedRows())
        return true;
    m_sortEntries.clear();
    return false;
}

void TSortGrid::RevertSort()
{
    if (!SortUndoable())
        return;
    const int count = int(m_sortEntries.size());
    QList<int> sourceRows(count, -1);
    for (int i = 0; i < count; ++i) {
        const int target = m_sortEntries[i].SourceRow - FixedRows();
        // The fixed rows changed since the sort: the list no longer fits.
        if (target < 0 || target >= count || sourceRows[target] >= 0) {
            m_sortEntries.clear();
            return;
        }
        sourceRows[target] = FixedRows() + i;
    }
    moveDataRows(sourceRows);
    const int position = Row() - FixedRows();
    if (currentIndex().isValid() && position >= 0 && position < count)
        GoToCell(Col(), m_sortEntries[position].SourceRow);
    m_sortEntries.clear();
}

void TSortGrid::moveDataRows(const QList<int> &sourceRows)
{
    m_model->reorderDataRows(sourceRows);
    // A cell still waiting for its validation moves with its row.
    const int at = int(sourceRows.indexOf(m_remembered.row));
    if (m_remembered.row >= FixedRows() && at >= 0)
        m_remembered.row = FixedRows() + at;
}

// ---- Cells, rows and columns -----------------------------------------------------

void TSortGrid::RememberCurrentCell()
{
    m_remembered = RememberedCell { Cells(Col(), Row()), Col(), Row(), m_changed };
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

void TSortGrid::FitColumnWidth(int ACol)
{
    checkCell(ACol, 0);
    QFont font = this->font();
    int widest = 0;
    for (int row = 0; row < RowCount(); ++row) {
        // Measured in the state it is drawn in, so a bold header fits too.
        font = CellFormat(ACol, row, DrawStateOf(ACol, row)).CellFont;
        widest = std::max(widest, QFontMetrics(font).horizontalAdvance(Cells(ACol, row)));
    }
    setColWidths(ACol, widest + QFontMetrics(font).horizontalAdvance(QStringLiteral("x")));
}

void TSortGrid::FitAllColumnWidths(bool IncludeFixed, int Extra)
{
    for (int col = IncludeFixed ? 0 : FixedCols(); col < ColCount(); ++col) {
        FitColumnWidth(col);
        if (Extra != 0)
            setColWidths(col, ColWidths(col) + Extra);
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

void TSortGrid::ImportDelimited(const QString &FileName, QChar Separator)
{
    const QStringList lines = splitTextLines(fromCp1252(readFileBytes(FileName)));
    ClearCells();
    setRowCount(int(lines.size()));
    setColCount(FixedCols() + 1);
    for (int row = 0; row < int(lines.size()); ++row) {
        const QStringList fields = lines[row].split(Separator);
        if (fields.size() > ColCount())
            setColCount(int(fields.size()));
        for (int col = 0; col < int(fields.size()); ++col)
            setCells(col, row, fields[col]);
    }
}

void TSortGrid::ExportDelimited(const QString &FileName, QChar Separator) const
{
    QByteArray content;
    for (int row = 0; row < RowCount(); ++row) {
        QStringList texts;
        for (int col = 0; col < ColCount(); ++col)
            texts.append(Cells(col, row));
        content += toCp1252(texts.join(Separator)) + "\r\n";
    }
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit())
        throw WriteError(FileName);
}

// ---- Validation of edited cells ----------------------------------------------------

void TSortGrid::SetEditText(int col, int row, const QString &value)
{
    if (value != Cells(col, row))
        m_changed = true;
    m_model->setText(col, row, value);
}

void TSortGrid::VerifyEditedCell()
{
    const RememberedCell cell = m_remembered;
    const QString current = Cells(cell.col, cell.row);
    if (m_model->contains(cell.col, cell.row) && current != cell.text) {
        QString value = current;
        bool valid = true;
        emit OnCellValidate(cell.col, cell.row, value, valid);
        if (valid) {
            if (value != current)
                m_model->setText(cell.col, cell.row, value);
        } else {
            m_model->setText(cell.col, cell.row, value != current ? value : cell.text);
            m_changed = cell.changed;
        }
    }
    RememberCurrentCell();
}

void TSortGrid::Click()
{
    try {
        emit OnClick();
    } catch (...) {
        if (m_focused)
            VerifyEditedCell();
        throw;
    }
    if (m_focused)
        VerifyEditedCell();
}

void TSortGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    Click();
}

void TSortGrid::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    // Coming back from our own in-place editor is no new visit.
    if (m_focused)
        return;
    m_focused = true;
    RememberCurrentCell();
}

void TSortGrid::focusOutEvent(QFocusEvent *event)
{
    const QWidget *next = QApplication::focusWidget();
    if (next && isAncestorOf(next)) {
        QTableView::focusOutEvent(event);
        return;
    }
    leaveFocus([&] { QTableView::focusOutEvent(event); });
}

void TSortGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTableView::closeEditor(editor, hint);
    // Enter closes the editor with this hint.
    if (hint == QAbstractItemDelegate::SubmitModelCache)
        VerifyEditedCell();
    // The editor lost its focus to another control: the grid has been left.
    const QWidget *focus = QApplication::focusWidget();
    if (m_focused && focus != this && !(focus && isAncestorOf(focus)))
        leaveFocus([] {});
}

template <typename Then> void TSortGrid::leaveFocus(Then then)
{
    try {
        Click();
    } catch (...) {
        then();
        m_focused = false;
        throw;
    }
    then();
    m_focused = false;
}

// ---- Mouse and keyboard ------------------------------------------------------------

void TSortGrid::HeaderMouseUp(const QMouseEvent &event, int col, int row, bool resizing)
{
    if (!hasFocus() || !m_clickSorting || resizing || FixedRows() < 1)
        return;
    if (event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
        return;
    if (event.buttons() != Qt::NoButton || row < 0 || row >= FixedRows())
        return;
    TSortOptions options;
    options.Order = event.button() == Qt::RightButton ? soDescending : soAscending;
    options.MatchCase = m_caseSensitive;
    emit OnClickSort(col, row, options);
    std::optional<BusyCursor> busy;
    if (hasSeam())
        busy.emplace();
    SortOnColumn(col, options);
}

void TSortGrid::keyPressEvent(QKeyEvent *event)
{
    // The keyboard's header click: Ctrl+Down sorts the current column
    // ascending (values grow downwards), Ctrl+Up descending.
    const bool sortKey = event->modifiers() == Qt::ControlModifier
        && (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up);
    if (sortKey && m_clickSorting && FixedRows() >= 1 && !EditorMode()) {
        TSortOptions options;
        options.Order = event->key() == Qt::Key_Down ? soAscending : soDescending;
        options.MatchCase = m_caseSensitive;
        emit OnClickSort(Col(), 0, options);
        std::optional<BusyCursor> busy;
        if (hasSeam())
            busy.emplace();
        SortOnColumn(Col(), options);
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        VerifyEditedCell();
    // The table view would put the cell on the clipboard behind the seam's back;
    // a string grid does not copy by itself.
    if (event->matches(QKeySequence::Copy))
        event->accept();
    else
        QTableView::keyPressEvent(event);
    if (!m_extendedKeys || EditorMode())
        return;
    const Qt::KeyboardModifiers modifiers
        = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool insert = event->key() == Qt::Key_Insert;
    const bool remove = event->key() == Qt::Key_Delete;
    if (modifiers == Qt::ControlModifier) {
        if (insert)
            InsertRowAt(Row());
        else if (remove && FixedRows() + 1 < RowCount())
            RemoveRow(Row());
    } else if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
        if (insert)
            InsertColumnAt(Col());
        else if (remove && FixedCols() + 1 < ColCount())
            RemoveColumn(Col());
    }
}

// ---- Drawing -------------------------------------------------------------------------

TFormatOptions TSortGrid::DefaultFormat(TGridDrawState state) const
{
    const QPalette &colors = palette();
    const bool fixed = state.testFlag(gdFixed);
    const bool selected = state.testFlag(gdSelected);
    TFormatOptions format;
    format.CellBrush = fixed ? colors.button() : selected ? colors.highlight() : colors.base();
    format.CellFont = font();
    format.CellFontColor = colors.color(fixed ? QPalette::ButtonText
            : selected                        ? QPalette::HighlightedText
                                              : QPalette::Text);
    format.HorzAlign = m_alignmentHorz;
    format.VertAlign = m_alignmentVert;
    format.CellBevel = m_bevelStyle;
    switch (m_bevelStyle) {
    case cbRaised:
        format.BevelLightColor = colors.color(QPalette::Light);
        format.BevelDarkColor = colors.color(QPalette::Dark);
        break;
    case cbLowered:
        format.BevelLightColor = colors.color(QPalette::Dark);
        format.BevelDarkColor = colors.color(QPalette::Light);
        break;
    case cbNone:
        format.BevelLightColor = colors.color(QPalette::Base);
        format.BevelDarkColor = format.BevelLightColor;
        break;
    }
    return format;
}

TFormatOptions TSortGrid::CellFormat(int col, int row, TGridDrawState state) const
{
    TFormatOptions format = DefaultFormat(state);
    emit OnGetCellFormat(col, row, state, format);
    return format;
}

TGridDrawState TSortGrid::DrawStateOf(int col, int row) const
{
    if (row < FixedRows() || col < FixedCols())
        return gdFixed;
    TGridDrawState state;
    if (hasFocus() && currentIndex().isValid() && col == Col() && row == Row())
        state |= gdFocused;
    if (selectionModel()->isSelected(m_model->indexOf(col, row)))
        state |= gdSelected;
    return state;
}

void TSortGrid::DrawCell(QPainter *painter, int col, int row, const QRect &rect, TGridDrawState state) const
{
    const TFormatOptions base = DefaultFormat(state);
    const TFormatOptions format = CellFormat(col, row, state);
    const bool header = state.testFlag(gdFixed);
    painter->save();
    painter->setClipRect(rect, Qt::IntersectClip);
    // Header cells keep the style's background, data cells get the base fill.
    if (!header)
        painter->fillRect(rect, base.CellBrush);
    if (m_defaultDrawing) {
        if (!header || format.CellBrush != base.CellBrush)
            painter->fillRect(rect, format.CellBrush);
        if (!format.NoText)
            drawText(painter, rect, format, Cells(col, row));
        if (format.CellBevel != cbNone && col >= FixedCols() && row >= FixedRows())
            drawBevel(painter, rect, format);
    }
    emit OnDrawCell(col, row, painter, rect, state);
    painter->restore();
}

/// Offsets as the grid always placed its texts: 2 pixels in from the left or
/// top, 2 from the right, 3 from the bottom, centred rounding toward zero.
void TSortGrid::drawText(
    QPainter *painter, const QRect &rect, const TFormatOptions &format, const QString &text)
{
    const QFontMetrics metrics(format.CellFont);
    const int width = metrics.horizontalAdvance(text);
    const int height = metrics.height();
    int dx = 2;
    if (format.HorzAlign == taRightJustify)
        dx = rect.width() - width - 2;
    else if (format.HorzAlign == taCenter)
        dx = (rect.width() - width) / 2;
    int dy = 2;
    if (format.VertAlign == taBottomJustify)
        dy = rect.height() - height - 3;
    else if (format.VertAlign == taMiddle)
        dy = (rect.height() - height) / 2;
    painter->setFont(format.CellFont);
    painter->setPen(format.CellFontColor);
    painter->drawText(QPoint(rect.left() + dx, rect.top() + dy + metrics.ascent()), text);
}

void TSortGrid::drawBevel(QPainter *painter, const QRect &rect, const TFormatOptions &format) const
{
    const bool vertical = m_options.testFlag(goFixedVertLine);
    const bool horizontal = m_options.testFlag(goFixedHorzLine);
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(format.BevelDarkColor);
    if (vertical)
        painter->drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
    if (horizontal)
        painter->drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    painter->setPen(format.BevelLightColor);
    if (vertical)
        painter->drawLine(rect.left(), rect.top(), rect.left(), rect.bottom());
    if (horizontal)
        painter->drawLine(rect.left(), rect.top(), rect.right(), rect.top());
}

bool TSortGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_corner && event->type() == QEvent::Paint) {
        paintCorner();
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void TSortGrid::paintCorner() const
{
    QPainter painter(m_corner);
    QStyleOptionHeader option;
    option.initFrom(m_corner);
    option.state |= QStyle::State_Enabled;
    int top = 0;
    for (int row = 0; row < FixedRows(); ++row) {
        int left = 0;
        for (int col = 0; col < FixedCols(); ++col) {
            option.rect = QRect(left, top, ColWidths(col), RowHeights(row));
            style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, m_corner);
            DrawCell(&painter, col, row, option.rect, gdFixed);
            left += ColWidths(col);
        }
        top += RowHeights(row);
    }
}

void TSortGrid::repaintCells()
{
    viewport()->update();
    m_columnHeader->viewport()->update();
    m_rowHeader->viewport()->update();
    if (m_corner)
        m_corner->update();
}

// ---- Sizes and scroll bars ---------------------------------------------------------

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
