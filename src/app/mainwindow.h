// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/version.h"
#include "catalogue/seam.h"
#include "navigation/sectiontabs.h"

#include <QByteArray>
#include <QMainWindow>

#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QVBoxLayout;
class QSplitter;
class QTabWidget;
class QToolButton;

namespace tv {

class CatalogueMenu;
class EntryListBox;
class EntryViewer;
class FindBar;
class IndexGrid;
class LinkCommands;
class ReaderComforts;
class SectionNavigator;
class TZipAccess;
struct EntryRef;
namespace search {
class SearchService;
class SearchWindow;
struct Hit;
} // namespace search

/// The window's size for a screen: 80 narrower and 100 lower than the screen,
/// the section tabs 30% of that width. 1024 x 768 -> 944 x 668, tabs 283.
struct MainWindowGeometry
{
    QSize window;
    int sectionWidth = 0;
};
MainWindowGeometry mainWindowGeometry(QSize screen);

/// "Tipvault v1.1 - NEU.TVM  [Grafik]": the module upper-cased in ASCII only,
/// two blanks before the bracket; a very long name is cut with "…".
QString mainCaption(const QString &base, const QByteArray &newestModule, const QByteArray &section);

/// What showing a place came to; a place that is gone is the caller's to tell.
enum class PlaceResult { Opened, NoSection, NoEntry };

/// Where a section line or an entry name occurs more than once, the tab and
/// the row to take when they hold it (-1: the first); in an archive part, the
/// member to select in its listing ("" for none).
struct PlaceHint
{
    int tab = -1;
    int row = -1;
    QString member;
};

/// @short The main window: section tabs left, the entry's parts right.
///
/// Its handlers keep the names users of the catalogue know them by
/// (FormCreate, PageControl1Change, Beenden1Click ...).
class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr char16_t kBaseCaption[] = u"Tipvault v" TIPVAULT_VERSION;

    /// Everything the window and its parts ask or show goes through `seam`,
    /// which must outlive the window.
    explicit TForm1(Seam &seam, QWidget *parent = nullptr);

    ~TForm1() override;

    // The published operations.
    /// Checks the catalogue and builds the navigation. False after the
    /// "Einige Dateien sind fehlerhaft..." box: the caller ends the program
    /// with exit code 0 and the window is never shown.
    bool FormCreate();
    /// "Modulupdates integrieren": asks for the folder, integrates its Update
    /// archives and rebuilds the navigation from the changed catalogue. A
    /// catalogue the user cannot write is first offered to be copied.
    void Moduleintegrieren1Click();
    void FormResize();
    void FormCloseQuery();
    void Beenden1Click();
    void PageControl1Change();
    void SectionListBoxClick(EntryListBox *list);
    /// Enter in the search box: the next matching entry below the selection.
    void Edit1KeyPress();
    /// Opens the address that the clicked tool bar button shows as its tool tip.
    void SpeedbuttonClick(QToolButton *sender);
    void Mail1Click();
    /// Shows the module statistics window modally.
    void Modulstatistik1Click();

    /// Kept though nothing here reads it: a published operation.
    QByteArray NewestModul() const { return m_newestModule; }
    int CurrentEntryIndex() const;
    SectionTabWidget *PageControl1() const { return m_pageControl1; }
    QTabWidget *PageControl2() const { return m_pageControl2; }
    IndexGrid *StringGrid1() const { return m_grid; }
    QLineEdit *Edit1() const { return m_edit1; }
    TZipAccess &ZipAccess1() const { return *m_zip; }
    int EntriesListboxenCount(int n) const;
    QByteArray GetListboxEntry(int n, int index) const;

    // Our own.
    enum class Opening {
        AtStart, ///< an incomplete catalogue gets the box and the program ends
        FromMenu, ///< an incomplete catalogue gets the box and the one in use stays
    };
    /// Opens the catalogue in `folder`: checks it as the start does, makes it
    /// the folder in use, builds the navigation from it and takes the state
    /// kept for it; the caption names it. False after the box.
    bool openCatalogue(const QString &folder, Opening how);
    /// " - /home/anna/Tipps" after the caption while a catalogue opened
    /// elsewhere than the Program directory is in use, else "".
    QString captionFolder() const;
    /// Frees the section and part tabs, sets the caption back and runs
    /// FormCreate again; false when the catalogue is no longer complete.
    bool RebuildNavigation();
    /// The one way a place is shown, for a search result, the history, a
    /// favourite, the last session and the name search alike, as clicks would
    /// show it: its section tab, then its entry (selected and clicked), then
    /// its part tab, 0 for "Index"; a negative part, or one the entry lacks,
    /// leaves the tab the click showed. An empty entry shows only the section.
    PlaceResult showPlace(const EntryRef &place, PlaceHint hint = {});
    /// Shows the window "Volltextsuche"; the index is brought up to date in
    /// the background, from a moment after the window was first shown on.
    void Volltextsuche1Click();
    /// Does what a click on the result's entry in its list does, then shows
    /// the part and, in a text, selects the first of `terms` (folded).
    void openSearchHit(const search::Hit &hit, const QStringList &terms);
    search::SearchWindow *searchWindow() const { return m_searchWindow; }
    /// "Im Text suchen...": the find bar under the part shown opens.
    void ImTextSuchen1Click();
    FindBar *findBar() const { return m_findBar; }
    /// The full-text index's service; null until the background build begins.
    search::SearchService *searchService() const { return m_searchService; }
    QString statusText() const;
    void setStatusText(const QString &text);
    SectionNavigator *sections() const { return m_sections; }
    EntryViewer *viewer() const { return m_viewer; }
    /// The update integration's component, made like ZipAccess1: the
    /// integration takes its messages while ZipAccess1 stays as the viewer set it.
    TZipAccess &updateZip() const { return *m_updateZip; }
    /// Favourites, history, the last session, zoom, print and PDF.
    ReaderComforts *comforts() const { return m_comforts; }
    /// "Link kopieren" and opening "tipvault:" links.
    LinkCommands *links() const { return m_links; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildPanel();
    /// The tool bar's web buttons, "E-Mail an den Webmaster" and "Modulstatistik...".
    void buildMenus();
    void buildPages();
    /// Gives the menu bar's menus their titles as names, once all are made.
    void nameMenus();
    /// After an update integration: the index reads the changes, the window the sections.
    void searchCatalogueChanged();
    /// "Bearbeiten": "Im Text suchen..." (Ctrl+F).
    void buildEditMenu(QMenuBar *bar);
    /// Starts the index's service, which brings the index up to date at idle priority.
    void startSearchIndex();
    /// Starts it a moment from now, when the event loop has had its say.
    void scheduleSearchIndex();
    /// The catalogue in use cannot be written: offers to copy it into the
    /// user's data folder and opens the copy. False when the command ends
    /// here (the copy failed, or the copy could not be opened).
    bool integrateIntoCopy();
    /// A rebuild that finds the catalogue incomplete ends the program with 0, as
    /// the start does. Outside an event loop there is nothing to end: the
    /// start-up code handles FormCreate's result itself.
    static void endProgram();
    /// Another catalogue is open: the search window and its index, made for the old one, go.
    void closeFullTextSearch();

    /// A flat button of the tool bar; a screen reader calls it `spokenName` and
    /// describes it with `description`.
    QToolButton *speedButton(const QString &name, const QString &picture, const QString &tip,
        const QString &spokenName, const QString &description);
    /// Connects a handler so that an exception in it reaches the error report.
    template <typename Signal, typename Sender>
    void on(Sender *sender, Signal signal, void (TForm1::*handler)());

    Seam &m_seam;
    QByteArray m_newestModule;
    QString m_openedFolder; // the folder openCatalogue() made the one in use

    QWidget *m_panel1 = nullptr;
    QLineEdit *m_edit1 = nullptr;
    SectionTabWidget *m_pageControl1 = nullptr;
    QSplitter *m_splitter1 = nullptr;
    QTabWidget *m_pageControl2 = nullptr;
    QVBoxLayout *m_partsLayout = nullptr; // the part tabs, the find bar below them
    FindBar *m_findBar = nullptr;
    IndexGrid *m_grid = nullptr;
    QLabel *m_statusLabel = nullptr;
    SectionNavigator *m_sections = nullptr;
    std::unique_ptr<TZipAccess> m_zip;
    std::unique_ptr<TZipAccess> m_updateZip;
    EntryViewer *m_viewer = nullptr;
    ReaderComforts *m_comforts = nullptr;
    CatalogueMenu *m_catalogues = nullptr;
    LinkCommands *m_links = nullptr;
    search::SearchService *m_searchService = nullptr;
    search::SearchWindow *m_searchWindow = nullptr;
    bool m_indexScheduled = false;
};

} // namespace tv
