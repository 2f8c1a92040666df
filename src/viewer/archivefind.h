// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/findtarget.h"

#include <QList>
#include <QSet>

namespace tv {

class MemberPreview;
class TSortGrid;

/// @short What the find bar searches on an archive page: the names in the
/// listing, top down, then the text of the member previewed.
///
/// A match in the listing is shown by making its row current, which
/// previews that member; the preview's text is then searched anew. A new
/// search starts in the text read, where it has a match, else in the names.
class ArchiveFindTarget : public FindTarget
{
    Q_OBJECT
public:
    ArchiveFindTarget(TSortGrid *grid, MemberPreview *preview, QObject *parent);

    int highlight(const FindPattern &pattern) override;
    void clearHighlight() override;
    void showMatch(int index) override;
    int startMatch() const override;
    QWidget *focusWidget() const override;

    /// The listing's rows whose name matches, top down.
    const QList<int> &rows() const { return m_rows; }

private:
    void findRows(const FindPattern &pattern);

    TSortGrid *m_grid;
    MemberPreview *m_preview;
    TextFindTarget *m_text;
    QList<int> m_rows;
    QSet<int> m_marked;
    int m_textMatches = 0;
    bool m_inText = false; // the current match is in the preview
};

} // namespace tv
