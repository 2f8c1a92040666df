// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "userstate/tipvaultlink.h"
#include "userstate/userstate.h"

#include <QObject>
#include <QPointer>

class QAction;
class QMenu;

/// @short Links into the catalogue: "Link kopieren" for the entry shown (menu
/// "Datei", Ctrl+Shift+C) and for an entry of a list (its popup menu), and
/// opening a "tipvault:" address or a query from outside.
namespace tv {

class EntryListBox;
class Seam;
class TForm1;

class LinkCommands : public QObject
{
    Q_OBJECT
public:
    LinkCommands(TForm1 &form, Seam &seam);

    /// The link to `place` (its part tab, when above 0, by caption); it names
    /// the folder while a catalogue opened elsewhere than the Program directory is in use.
    TipvaultLink linkTo(const EntryRef &place) const;
    /// "Link kopieren": the entry and part tab shown, to the clipboard.
    void copyShownLink();
    /// The entry at `row` of `list`, to the clipboard.
    void copyEntryLink(EntryListBox *list, int row);
    /// Opens the link's catalogue (when another) and then its place or query;
    /// a place that is gone is told on the status bar.
    void openLink(const TipvaultLink &link);
    /// "Volltextsuche" with `query` in its field.
    void openQuery(const QString &query);

    QMenu *entryMenu() const { return m_entryMenu; }

private:
    void copy(const TipvaultLink &link);

    TForm1 &m_form;
    Seam &m_seam;
    QMenu *m_entryMenu = nullptr; // the entry lists' popup menu
    QPointer<EntryListBox> m_menuList; // where it was opened (gone after a rebuild) ...
    int m_menuRow = -1; // ... and on which row
};

} // namespace tv
