// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/entry.h"
#include "viewer/partbuilder.h"

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
class Seam;
class TZipAccess;

/// The entry-build context: written while an entry is built, read by the
/// builders; after a build it holds the last part's values.
struct TEntryInfo
{
    qint32 CurrentPart = 0;
    QByteArray CurrentEntry;
    QByteArray CurrentSection;
    QByteArray CurrentModul;
    QByteArray CurrentFile;
};

struct TTargetComp
{
    QString CurrentRichEdit;
};

/// What the viewer needs from the main window.
struct ViewerHost
{
    std::function<void(const QString &)> setStatus;
    std::function<QByteArray()> newestModul;
    /// The window's one ZIP component, shared by every part page.
    TZipAccess *zip = nullptr;
};

/// The entry picked in a list: its position, the list's length, its name and
/// the caption of the section tab the list lies on.
struct EntrySelection
{
    int index = -1;
    int count = 0;
    QByteArray name;
    QByteArray sectionCaption;
};

/// @short The right-hand side: the Index grid and one tab per part of the
/// entry shown.
class EntryViewer : public QObject
{
    Q_OBJECT
public:
    /// `seam` answers for the viewer and its part pages and must outlive them.
    EntryViewer(QTabWidget *pageControl2, IndexGrid *grid, Seam &seam, ViewerHost host, QObject *parent);
    ~EntryViewer() override;

    void setBuilder(PartKind kind, std::unique_ptr<PartBuilder> builder);

    void SectionListBoxClick(const EntrySelection &selection);
    void CreateEntryTabs(const QByteArray &entry, const QByteArray &section);
    /// Writes row `part.number` of the Index grid.
    void FillIndexRow(const Part &part);
    void DeleteDescribe();
    /// Destroys every part tab; "Index" stays and becomes active.
    void removeEntryTabs();
    void PageControl2Change();
    void StringGrid1DblClick();
    void StringGrid1DrawCell(QPainter *painter, int column, int row, const QRect &rect) const;
    /// Brings `file` of module `modul` into the Work directory; callers look
    /// for the file to learn whether it came.
    void ExtractModulFile(const QByteArray &modul, const QByteArray &file);
    TZipAccess &ZipAccess1() const { return *m_host.zip; }
    Seam &seam() const { return m_seam; }

    /// The part being built, as the Section file gave it when its tab was made.
    const Part &currentPart() const { return m_part; }
    /// The tab of part `CurrentPart`.
    QWidget *currentSheet() const;
    static PartKind kindOf(const QWidget *sheet);

    int CurrentEntryIndex = -1;
    TEntryInfo info;
    TTargetComp target;
    QString ArchivOutputPath;

    QTabWidget *PageControl2() const { return m_pageControl; }
    IndexGrid *StringGrid1() const { return m_grid; }
    const ViewerHost &host() const { return m_host; }

private:
    QWidget *createSheet(int n, const QByteArray &caption, PartKind kind);
    void reportMissingModul(QByteArray *lastMissing) const;
    /// The status mark of Index row `row`, decided from the module the row names.
    ModulMark rowMark(int row) const;
    void activateWithoutChange(QWidget *page);

    QTabWidget *m_pageControl;
    IndexGrid *m_grid;
    Seam &m_seam;
    ViewerHost m_host;
    Part m_part;
    std::map<PartKind, std::unique_ptr<PartBuilder>> m_builders;
};

} // namespace tv
