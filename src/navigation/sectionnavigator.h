// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/entry.h"
#include "navigation/entrylistbox.h"
#include "navigation/sectiontabs.h"

#include <QByteArray>
#include <QObject>

/// @short The section tabs on the left and their entry lists.
///
/// One tab "SectionTabSheet<n>" (a SectionPage) per line of Sections.dat,
/// captioned with the line's "ae" shown as "ä", each holding
/// "SectionListBox<n>" with the entry names of its Section file. A tab keeps
/// its Section, line and caption; its list is made and filled when the tab is
/// first shown or the list first asked for. How an entry looks is read from
/// disk whenever it is painted.
namespace tv {

class SectionPage;

class SectionNavigator : public QObject
{
    Q_OBJECT
public:
    SectionNavigator(SectionTabWidget *pageControl, std::function<QByteArray()> newestModule, QObject *parent);

    // The published operations.
    /// Builds the tabs from the catalogue; the first tab is active.
    /// Throws IoError when Sections.dat cannot be read.
    void CreateSectionTabs();
    int EntriesListboxenCount(int n) const;
    QByteArray GetListboxEntry(int n, int index) const;

    /// Destroys every section tab and list (before a rebuild).
    void removeSectionTabs();

    /// The section of the active tab; an empty one without tabs.
    Section activeSection() const;
    /// The caption of the active tab as Windows-1252 bytes; empty without tabs.
    QByteArray activeCaption() const { return activeSection().caption; }
    /// The Section file that belongs to the active tab.
    QString activeSectionFile() const;
    /// The entry list of the active tab, or nullptr.
    EntryListBox *activeList() const;
    /// The entry list of tab `tab` (from 0), made if need be; nullptr for no such tab.
    EntryListBox *list(int tab) const;

    /// The tab of the section whose Sections.dat line is `line`: `preferred`
    /// when that tab has it, else the first that has it; -1 for none.
    int tabOf(const QByteArray &line, int preferred = -1) const;
    /// The row of entry `name` in `list`: `preferred` when that row has it,
    /// else the first that has it; -1 for none.
    static int rowOf(const EntryListBox *list, const QByteArray &name, int preferred = -1);

    /// The search: from the entry below the selection on, the first whose
    /// name contains `text`, both upper-cased by the 1252 letter rules; -1 when
    /// none. Never wraps; an empty text matches nothing.
    /// Example: "bitmap" in [Bitmaps laden, Dateien kopieren, Bitmap drehen]
    /// with row 0 selected finds row 2.
    static int findEntry(const EntryListBox *list, const QByteArray &text);

signals:
    void entryClicked(tv::EntryListBox *list);
    void entryMenuRequested(tv::EntryListBox *list, int row, QPoint globalPos);

private:
    SectionPage *page(int tab) const;

    SectionTabWidget *m_pageControl;
    std::function<QByteArray()> m_newestModule;
};

} // namespace tv
