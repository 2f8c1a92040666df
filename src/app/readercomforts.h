// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "userstate/history.h"
#include "userstate/userstate.h"

#include <QObject>

#include <memory>

class QAction;
class QMenu;

/// @short The comforts of a reader kept open all day: favourites, "Zurück"
/// and "Vor", the place shown last, the zoom of text parts, printing and PDF.
///
/// They sit around the main window's own commands in menus and keys of their
/// own, and reach the window only through what a user could do: pick a
/// section tab, click an entry, pick a part tab. What is kept between
/// sessions lives in a UserState for the catalogue folder.
namespace tv {

class PartPage;
class Seam;
class TForm1;

class ReaderComforts : public QObject
{
    Q_OBJECT
public:
    /// Adds the menus and keys to `form` and reads the state kept for its
    /// catalogue; a damaged state file is named on the status bar.
    ReaderComforts(TForm1 &form, Seam &seam);
    ~ReaderComforts() override;

    /// Shows the place that was shown at the last closing, as clicks would.
    void restoreSession();
    /// Another catalogue folder is open (its navigation built): its own
    /// favourites, zoom and last place replace ours, the history starts anew.
    void catalogueOpened();
    /// Keeps the place shown and the zoom, as the window closes; a failure is
    /// told in a box, since the status bar goes with the window.
    void saveState();

    /// Shows `place` through the window; a place that is gone is told on the
    /// status bar (false).
    bool open(const EntryRef &place);

    /// The entry and part tab shown; only the section when no entry is.
    EntryRef shownPlace() const;

    void goBack();
    void goForward();
    void zoomIn();
    void zoomOut();
    void zoomReset();
    void addFavourite();
    void manageFavourites();
    void openFavourite(int index);
    /// True when the favourite's entry is still in the catalogue's lists.
    bool favouriteAvailable(int index) const;
    void printText();
    void exportPdf();

    const UserState &state() const { return *m_state; }
    const NavigationHistory &history() const { return m_history; }
    QMenu *favouritesMenu() const { return m_favouritesMenu; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    /// The state kept for the catalogue folder in use; a damaged file is told on the status bar.
    void loadState();
    void buildMenus();
    /// A menu command whose handler's exceptions reach the error report;
    /// inserted before `before`, or appended.
    QAction *command(QMenu *menu, const QString &name, const QString &text, void (ReaderComforts::*handler)(),
        QAction *before = nullptr);
    void pageShown(PartPage *page);
    void updateCommands();
    void rebuildFavouritesMenu();
    /// Writes the state; a failure is told on the status bar.
    void saveNow();
    QString saveFailure() const;
    void setZoom(int percent);
    void applyZoom();
    /// Opens a place of the history; a place that is gone is told on the status bar.
    void step(const EntryRef &place);

    TForm1 &m_form;
    Seam &m_seam;
    std::unique_ptr<UserState> m_state;
    NavigationHistory m_history;
    bool m_stepping = false; // going back or forward records nothing

    QMenu *m_favouritesMenu = nullptr;
    QAction *m_back = nullptr;
    QAction *m_forward = nullptr;
    QAction *m_addFavourite = nullptr;
    QAction *m_print = nullptr;
    QAction *m_pdf = nullptr;
    QAction *m_favouritesStart = nullptr; // the separator the favourites follow
};

} // namespace tv
