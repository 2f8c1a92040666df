// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "navigation/entrylistbox.h"
#include "navigation/sectiontabs.h"

#include <QByteArray>
#include <QObject>

/// @short The section tabs on the left and their entry lists.
///
/// One tab "SectionTabSheet<n>" per line of Sections.dat, captioned with the
/// line's "ae" shown as "ä", each holding "SectionListBox<n>" with the entry
/// names of its Section file. Names are read once when the tabs are built;
/// how an entry looks is read from disk whenever it is painted.
namespace tv {

class SectionNavigator : public QObject
{
    Q_OBJECT
public:
    SectionNavigator(SectionTabWidget *pageControl, std::function<QByteArray()> newestModul, QObject *parent);

    /// Builds the tabs and lists from the catalogue; the first tab is active.
    /// Throws IoError when Sections.dat cannot be read.
    void CreateSectionTabs();
    /// Destroys every section tab and list (before a rebuild).
    void removeSectionTabs();

    /// The caption of the active tab as Windows-1252 bytes; empty without tabs.
    QByteArray activeCaption() const;
    /// The Section file that belongs to the active tab.
    QString activeSectionFile() const;
    /// The entry list of the active tab, or nullptr.
    EntryListBox *activeList() const;
    /// The caption of the tab `list` lies on.
    static QByteArray captionOf(const EntryListBox *list);

    /// The search: from the entry below the selection on, the first whose
    /// name contains `text`, both upper-cased by the 1252 letter rules; -1 when
    /// none. Never wraps; an empty text matches nothing.
    /// Example: "bitmap" in [Bitmaps laden, Dateien kopieren, Bitmap drehen]
    /// with row 0 selected finds row 2.
    static int findEntry(const EntryListBox *list, const QByteArray &text);

    int EntriesListboxenCount(int n) const;
    QByteArray GetListboxEntry(int n, int index) const;

signals:
    void entryClicked(tv::EntryListBox *list);

private:
    EntryListBox *listBox(int n) const;

    SectionTabWidget *m_pageControl;
    std::function<QByteArray()> m_newestModul;
};

} // namespace tv
