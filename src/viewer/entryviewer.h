// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/entry.h"
#include "viewer/partbuilder.h"
#include "viewer/partcontext.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>

class QPainter;
class QTabWidget;

namespace tv {

class IndexGrid;
class PartPage;
class Seam;
class TZipAccess;

/// What the viewer needs from the main window.
struct ViewerHost
{
    std::function<QByteArray()> newestModule;
    /// The window's one ZIP component, shared by every part page.
    TZipAccess *zip = nullptr;
};

/// The entry picked in a list: its position, the list's length, its name and
/// the Sections.dat line of the list's section (the <name> of its Section file).
struct EntrySelection
{
    int index = -1;
    int count = 0;
    QByteArray name;
    QByteArray section;
};

/// @short The right-hand side: the Index grid and one tab per part of the
/// entry shown.
///
/// Tab n (from 1) is the page of part n; "Index" is tab 0. Each kind's
/// builder makes and fills its pages (see PartBuilder) through the viewer's
/// PartContext. Index rows keep the Part they were written from, which their
/// marks are drawn by.
class EntryViewer : public QObject
{
    Q_OBJECT
public:
    /// `seam` answers for the viewer and its part pages and must outlive them.
    /// The viewer handles the tab switches of `pageControl2` and the jumps
    /// from `grid` itself, each inside guarded().
    EntryViewer(QTabWidget *pageControl2, IndexGrid *grid, Seam &seam, ViewerHost host, QObject *parent);
    ~EntryViewer() override;

    void setBuilder(PartKind kind, std::unique_ptr<PartBuilder> builder);

    // The published operations.
    void SectionListBoxClick(const EntrySelection &selection);
    void CreateEntryTabs(const QByteArray &entry, const QByteArray &section);
    /// Writes row `part.number` of the Index grid.
    void FillIndexRow(const Part &part);
    void DeleteDescribe();
    void PageControl2Change();
    void StringGrid1DblClick();
    void StringGrid1DrawCell(QPainter *painter, int column, int row, const QRect &rect) const;
    QTabWidget *PageControl2() const { return m_pageControl; }
    IndexGrid *StringGrid1() const { return m_grid; }

    /// Destroys every part tab; "Index" stays and becomes active.
    void removeEntryTabs();
    /// What the part builders work with: the seam, the ZIP component, the
    /// extraction and this viewer's status line.
    const PartContext &partContext() const { return m_context; }

    /// The page of part `partNumber` (from 1) of the entry shown; nullptr when it has none.
    PartPage *page(int partNumber) const;
    /// The page on the active tab; nullptr while "Index" is active.
    PartPage *currentPage() const;
    /// Activates the tab of part `partNumber` as a click on it does; false
    /// when the entry shown has no such part.
    bool showPart(int partNumber);

    /// The list position of the entry shown, -1 for none. A click on the
    /// same position shows the entry as it is, without building it again.
    int currentEntryIndex() const { return m_entryIndex; }
    /// After a section switch the same position means another entry.
    void forgetCurrentEntry() { m_entryIndex = -1; }
    /// The name and the Section file's <name> of the entry whose tabs are
    /// shown; empty before the first build.
    const QByteArray &shownEntry() const { return m_shownEntry; }
    const QByteArray &shownSection() const { return m_shownSection; }

    /// Has the window show `text` in its status bar.
    void showStatus(const QString &text) { emit statusChanged(text); }

signals:
    void statusChanged(const QString &text);
    /// After a tab switch, with the page now shown (nullptr for "Index").
    void pageShown(tv::PartPage *page);

private:
    PartBuilder *builderFor(PartKind kind) const;
    void addPage(PartPage *page);
    void reportMissingModule(const QByteArray &modul, QByteArray *lastMissing) const;
    /// The builder of the kind of the page on the active tab, or nullptr.
    PartBuilder *shownBuilder() const;
    /// The part Index row `row` was last written from; nullptr for none.
    const Part *rowPart(int row) const;
    /// The status mark of Index row `row`, decided from the module of its part.
    ModuleMark rowMark(int row) const;
    void activateWithoutChange(QWidget *page);

    QTabWidget *m_pageControl;
    IndexGrid *m_grid;
    Seam &m_seam;
    ViewerHost m_host;
    PartContext m_context;
    std::map<PartKind, std::unique_ptr<PartBuilder>> m_builders;
    std::map<int, Part> m_rows; // Index row -> the part it was written from
    int m_entryIndex = -1;
    QByteArray m_shownEntry;
    QByteArray m_shownSection;
};

} // namespace tv
