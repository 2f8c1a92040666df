// SPDX-License-Identifier: GPL-3.0-or-later
#include "sortgrid.h"

#include "cellreader.h"
#include "gridmodel.h"

#include <QMouseEvent>

namespace tv {

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
    SortEntries(m_sortEntries, SortOptions, CellReader(), m_texts.encode);

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
    sortByClick(col, row, options);
}

void TSortGrid::sortByClick(int col, int row, const TSortOptions &options)
{
    TSortOptions chosen = options;
    emit OnClickSort(col, row, chosen);
    struct Busy
    {
        TSortGrid *grid;
        ~Busy() { emit grid->busyChanged(false); }
    };
    emit busyChanged(true);
    const Busy busy { this };
    SortOnColumn(col, chosen);
}

} // namespace tv
