// SPDX-License-Identifier: GPL-3.0-or-later
#include "archivefind.h"

#include "viewer/codeview.h"
#include "viewer/memberpreview.h"
#include "widgets/sortgrid.h"

namespace tv {
namespace {

const QColor kMatchRow(255, 176, 64);

} // namespace

ArchiveFindTarget::ArchiveFindTarget(TSortGrid *grid, MemberPreview *preview, QObject *parent)
    : FindTarget(parent)
    , m_grid(grid)
    , m_preview(preview)
    , m_text(new TextFindTarget(preview->textView(), this))
{
    connect(m_grid, &TSortGrid::OnGetCellFormat, this,
        [this](int col, int row, TGridDrawState, TFormatOptions &format) {
            if (col == 0 && m_marked.contains(row))
                format.CellBrush = kMatchRow;
        });
    connect(m_grid, &TSortGrid::OnEndSort, this, &FindTarget::contentChanged);
    connect(m_preview, &MemberPreview::textChanged, this, &FindTarget::contentChanged);
}

void ArchiveFindTarget::findRows(const FindPattern &pattern)
{
    m_rows.clear();
    for (int row = m_grid->FixedRows(); row < m_grid->RowCount(); ++row) {
        if (!findMatches(m_grid->Cells(0, row), pattern).isEmpty())
            m_rows.append(row);
    }
    m_marked = QSet<int>(m_rows.begin(), m_rows.end());
    m_grid->viewport()->update();
}

int ArchiveFindTarget::highlight(const FindPattern &pattern)
{
    findRows(pattern);
    m_textMatches = m_text->highlight(pattern);
    m_inText = false;
    return int(m_rows.size()) + m_textMatches;
}

void ArchiveFindTarget::clearHighlight()
{
    m_rows.clear();
    m_marked.clear();
    m_grid->viewport()->update();
    m_text->clearHighlight();
    m_textMatches = 0;
    m_inText = false;
}

void ArchiveFindTarget::showMatch(int index)
{
    if (index < 0)
        return;
    if (index < m_rows.size()) {
        m_inText = false;
        m_grid->GoToCell(0, m_rows[index]); // previews the member
        return;
    }
    m_inText = true;
    m_text->showMatch(index - int(m_rows.size()));
}

int ArchiveFindTarget::startMatch() const
{
    return m_textMatches > 0 ? int(m_rows.size()) + m_text->startMatch() : 0;
}

QWidget *ArchiveFindTarget::focusWidget() const
{
    return m_inText ? static_cast<QWidget *>(m_preview->textView()) : m_grid;
}

} // namespace tv
