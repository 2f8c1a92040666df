// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"

#include "app/cataloguemenu.h"
#include "app/linkcommands.h"
#include "app/readercomforts.h"
#include "app/siteconfig.h"
#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/errorreport.h"
#include "catalogue/errors.h"
#include "catalogue/paths.h"
#include "navigation/entrylistbox.h"
#include "navigation/sectionnavigator.h"
#include "navigation/sectiontabs.h"
#include "navigation/shorttext.h"
#include "userstate/userstate.h"
#include "viewer/archivepart.h"
#include "viewer/entryviewer.h"
#include "viewer/findbar.h"
#include "viewer/htmlpart.h"
#include "viewer/indexgrid.h"
#include "viewer/textpart.h"
#include "viewer/wwwpart.h"
#include "widgets/imagelist.h"
#include "widgets/sortgrid.h"
#include "widgets/tablistaccessible.h"
#include "zip/zipaccess.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>

#include <tuple>

namespace tv {
namespace {
constexpr qsizetype kMaxStatusCharacters = 500;
} // namespace

MainWindowGeometry mainWindowGeometry(QSize screen)
{
    MainWindowGeometry g;
    g.window = QSize(screen.width() - 80, screen.height() - 100);
    g.sectionWidth = g.window.width() * 30 / 100;
    return g;
}

QString mainCaption(const QString &base, const QByteArray &newestModule, const QByteArray &section)
{
    return base + QStringLiteral(" - ") + shortText(fromCp1252(upperAscii(newestModule)))
        + QStringLiteral("  [") + shortText(fromCp1252(section)) + u']';
}

template <typename Signal, typename Sender>
void TForm1::on(Sender *sender, Signal signal, void (TForm1::*handler)())
{
    connect(sender, signal, this, [this, handler] { guarded(m_seam, [&] { (this->*handler)(); }); });
}

TForm1::TForm1(Seam &seam, QWidget *parent)
    : QMainWindow(parent)
    , m_seam(seam)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromUtf16(kBaseCaption));
    resize(696, 480);
    buildMenus();

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);
    buildPanel();
    layout->addWidget(m_panel1);
    buildPages();
    layout->addWidget(m_splitter1, 1);

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(true);
    m_statusLabel = new QLabel(statusBar());
    m_statusLabel->setObjectName(QStringLiteral("StatusBar1Text"));
    m_statusLabel->setTextFormat(Qt::PlainText);
    // A long text is cut at the window's edge; it never widens the window.
    m_statusLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(m_statusLabel, 1);

    m_sections = new SectionNavigator(
        m_pageControl1, [this] { return m_newestModule; }, this);
    on(m_pageControl1, &SectionTabWidget::currentChanged, &TForm1::PageControl1Change);
    connect(m_sections, &SectionNavigator::entryClicked, this,
        [this](EntryListBox *list) { guarded(m_seam, [&] { SectionListBoxClick(list); }); });
    on(m_edit1, &QLineEdit::returnPressed, &TForm1::Edit1KeyPress);

    m_zip = std::make_unique<TZipAccess>(m_seam);
    m_zip->setExtrOptions(ExtrOverWrite);
    m_updateZip = std::make_unique<TZipAccess>(m_seam);
    m_updateZip->setExtrOptions(ExtrOverWrite);
    ViewerHost host;
    host.newestModule = [this] { return m_newestModule; };
    host.zip = m_zip.get();
    m_viewer = new EntryViewer(m_pageControl2, m_grid, m_seam, std::move(host), this);
    connect(m_viewer, &EntryViewer::statusChanged, this, &TForm1::setStatusText);
    const PartContext &parts = m_viewer->partContext();
    m_viewer->setBuilder(PartKind::Text, std::make_unique<TextPartBuilder>(parts, this));
    m_viewer->setBuilder(PartKind::Archive, std::make_unique<ArchivePartBuilder>(parts));
    m_viewer->setBuilder(PartKind::Html, std::make_unique<HtmlPartBuilder>(parts));
    m_viewer->setBuilder(PartKind::Www, std::make_unique<WwwPartBuilder>(parts));
    m_findBar = new FindBar(m_viewer, this);
    m_partsLayout->addWidget(m_findBar);
    on(m_grid, &IndexGrid::resized, &TForm1::FormResize);
    on(m_splitter1, &QSplitter::splitterMoved, &TForm1::FormResize);
    setTabOrder(m_edit1, m_pageControl1);
    m_catalogues = new CatalogueMenu(*this, m_seam);
    m_comforts = new ReaderComforts(*this, m_seam);
    m_links = new LinkCommands(*this, m_seam);
    nameMenus();
}

void TForm1::nameMenus()
{
    // A popup menu is its own window, which a screen reader names by its title.
    for (QAction *item : menuBar()->actions()) {
        if (QMenu *menu = item->menu(); menu && menu->windowTitle().isEmpty())
            menu->setWindowTitle(withoutMnemonics(menu->title()));
    }
}

TForm1::~TForm1() = default;

void TForm1::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu *datei = bar->addMenu(QStringLiteral("&Datei"));
    datei->setObjectName(QStringLiteral("Datei1"));
    QAction *beenden = datei->addAction(imageListIcon(ImgExit), QStringLiteral("&Beenden"));
    beenden->setObjectName(QStringLiteral("Beenden1"));
    on(beenden, &QAction::triggered, &TForm1::Beenden1Click);

    QMenu *updates = bar->addMenu(QStringLiteral("&Updates"));
    updates->setObjectName(QStringLiteral("Updates1"));
    QAction *integrate = updates->addAction(QStringLiteral("&Modulupdates integrieren"));
    integrate->setObjectName(QStringLiteral("Moduleintegrieren1"));
    on(integrate, &QAction::triggered, &TForm1::Moduleintegrieren1Click);

    QMenu *extras = bar->addMenu(QStringLiteral("E&xtras"));
    extras->setObjectName(QStringLiteral("Extras1"));
    QAction *optionen = extras->addAction(imageListIcon(ImgOptions), QStringLiteral("&Optionen"));
    optionen->setObjectName(QStringLiteral("Optionen1"));
    optionen->setEnabled(false);
    QAction *statistik = extras->addAction(QStringLiteral("Modul&statistik..."));
    statistik->setObjectName(QStringLiteral("Modulstatistik1"));
    on(statistik, &QAction::triggered, &TForm1::Modulstatistik1Click);
    QAction *volltext = extras->addAction(QStringLiteral("&Volltextsuche..."));
    volltext->setObjectName(QStringLiteral("Volltextsuche1"));
    volltext->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    volltext->setShortcutContext(Qt::ApplicationShortcut); // also from the search window itself
    on(volltext, &QAction::triggered, &TForm1::Volltextsuche1Click);

    buildEditMenu(bar);

    QMenu *hilfe = bar->addMenu(QStringLiteral("&Hilfe"));
    hilfe->setObjectName(QStringLiteral("Hilfe1"));
    QAction *mail = hilfe->addAction(imageListIcon(ImgMail), QStringLiteral("&E-Mail an den Webmaster"));
    mail->setObjectName(QStringLiteral("Mail1"));
    on(mail, &QAction::triggered, &TForm1::Mail1Click);
}

void TForm1::buildEditMenu(QMenuBar *bar)
{
    QMenu *bearbeiten = bar->addMenu(QStringLiteral("&Bearbeiten"));
    bearbeiten->setObjectName(QStringLiteral("Bearbeiten1"));
    QAction *find = bearbeiten->addAction(QStringLiteral("Im Text &suchen..."));
    find->setObjectName(QStringLiteral("ImTextSuchen1"));
    find->setShortcut(QKeySequence::Find);
    on(find, &QAction::triggered, &TForm1::ImTextSuchen1Click);
    addAction(find); // the key works while the menu is closed
}

void TForm1::ImTextSuchen1Click()
{
    m_findBar->open();
}

QToolButton *TForm1::speedButton(const QString &name, const QString &picture, const QString &tip,
    const QString &spokenName, const QString &description)
{
    auto *button = new QToolButton(m_panel1);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setFixedSize(50, 53);
    button->setIcon(toolbarPicture(picture));
    button->setIconSize(QSize(40, 40));
    button->setToolTip(tip);
    // A reader says what the button is for, then what it opens.
    button->setAccessibleName(spokenName);
    button->setAccessibleDescription(description);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

void TForm1::buildPanel()
{
    m_panel1 = new QWidget(this);
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    m_panel1->setFixedHeight(57);
    // The search box is made first: it is first in the tab order and has the focus at start.
    m_edit1 = new QLineEdit(m_panel1);
    m_edit1->setObjectName(QStringLiteral("Edit1"));
    m_edit1->setFixedWidth(121);
    m_edit1->setAccessibleName(QStringLiteral("Suchen"));
    auto *label = new QLabel(QStringLiteral("&Suchen:"), m_panel1);
    label->setObjectName(QStringLiteral("Label1"));
    label->setBuddy(m_edit1);

    auto *row = new QHBoxLayout(m_panel1);
    row->setContentsMargins(1, 2, 4, 2);
    row->setSpacing(0);
    for (const auto &[name, picture, address, spoken] :
        { std::tuple { u"Speedbutton", u"home", site::kHomeUrl, u"Startseite" },
            std::tuple { u"SpeedButton3", u"news", site::kNewsUrl, u"Neuigkeiten" },
            std::tuple { u"SpeedButton1", u"links", site::kLinksUrl, u"Links" } }) {
        QToolButton *button = speedButton(QString::fromUtf16(name), QString::fromUtf16(picture),
            QString::fromLatin1(address), QString::fromUtf16(spoken), QString::fromLatin1(address));
        connect(button, &QToolButton::clicked, this,
            [this, button] { guarded(m_seam, [&] { SpeedbuttonClick(button); }); });
        row->addWidget(button);
    }
    QToolButton *quit = speedButton(QStringLiteral("SpeedButton2"), QStringLiteral("quit"),
        QStringLiteral("Beenden"), QStringLiteral("Beenden"), QStringLiteral("Tipvault beenden"));
    on(quit, &QToolButton::clicked, &TForm1::Beenden1Click);
    row->addWidget(quit);
    row->addSpacing(31);
    row->addWidget(label);
    row->addSpacing(6);
    row->addWidget(m_edit1);
    row->addStretch(1);
}

void TForm1::buildPages()
{
    m_splitter1 = new QSplitter(Qt::Horizontal, this);
    m_splitter1->setObjectName(QStringLiteral("Splitter1"));
    m_splitter1->setHandleWidth(4);
    m_splitter1->setOpaqueResize(false); // a line while dragging, the panes follow on release
    m_splitter1->setChildrenCollapsible(false);

    m_pageControl1 = new SectionTabWidget(m_splitter1);
    m_pageControl1->setObjectName(QStringLiteral("PageControl1"));
    m_pageControl1->setMinimumWidth(150);
    m_pageControl1->tabBar()->setFocusPolicy(Qt::NoFocus);

    auto *parts = new QWidget(m_splitter1);
    m_partsLayout = new QVBoxLayout(parts);
    m_partsLayout->setContentsMargins(0, 0, 0, 0);
    m_partsLayout->setSpacing(0);
    m_pageControl2 = new QTabWidget(parts);
    m_partsLayout->addWidget(m_pageControl2, 1);
    m_pageControl2->setObjectName(QStringLiteral("PageControl2"));
    m_pageControl2->setMinimumWidth(150);
    m_pageControl2->tabBar()->setFocusPolicy(Qt::NoFocus);
    m_pageControl2->setAccessibleName(QStringLiteral("Teile des Eintrags"));
    m_pageControl2->tabBar()->setAccessibleName(QStringLiteral("Teile"));
    auto *index = new QWidget;
    index->setObjectName(QStringLiteral("Index"));
    auto *indexLayout = new QVBoxLayout(index);
    indexLayout->setContentsMargins(0, 0, 0, 0);
    m_grid = new IndexGrid(index);
    m_grid->setObjectName(QStringLiteral("StringGrid1"));
    m_grid->setAccessibleName(QStringLiteral("Index"));
    indexLayout->addWidget(m_grid);
    m_pageControl2->addTab(index, imageListIcon(ImgIndex), QStringLiteral("Index"));

    m_splitter1->addWidget(m_pageControl1);
    m_splitter1->addWidget(parts);
    m_splitter1->setStretchFactor(1, 1);
}

bool TForm1::FormCreate()
{
    if (!CheckFiles()) {
        showMessage(m_seam, MessageKind::Error,
            QStringLiteral("Einige Dateien sind fehlerhaft. Bitte installieren Sie den Tipvault neu."));
        return false;
    }
    m_viewer->forgetCurrentEntry();
    {
        // Building the tabs switches pages; the caption is written once below.
        const QSignalBlocker block(m_pageControl1);
        m_sections->CreateSectionTabs();
    }
    m_newestModule = GetNewestModul();
    m_grid->setCellText(0, 0, QStringLiteral("Typ"));
    m_grid->setCellText(1, 0, QStringLiteral("Beschreibung"));
    m_grid->setCellText(2, 0, QStringLiteral("Modul"));
    setWindowTitle(mainCaption(windowTitle(), m_newestModule, m_sections->activeCaption()) + captionFolder());

    const QScreen *screen = QGuiApplication::primaryScreen();
    const MainWindowGeometry g = mainWindowGeometry(screen ? screen->size() : QSize(1024, 768));
    resize(g.window);
    if (screen)
        move(screen->geometry().center() - rect().center());
    m_splitter1->setSizes({ g.sectionWidth, std::max(0, g.window.width() - g.sectionWidth) });
    return true;
}

void TForm1::FormResize()
{
    m_grid->fitToSize();
}

void TForm1::FormCloseQuery()
{
    // Our own folder goes; the Work directory only when no other process works in it.
    releaseWorkDirectory();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    m_comforts->saveState();
    FormCloseQuery();
    event->accept();
}

void TForm1::Beenden1Click()
{
    close();
}

void TForm1::PageControl1Change()
{
    setStatusText(QString());
    setWindowTitle(mainCaption(QString::fromUtf16(kBaseCaption), m_newestModule, m_sections->activeCaption())
        + captionFolder());
    m_viewer->forgetCurrentEntry();
}

int TForm1::CurrentEntryIndex() const
{
    return m_viewer->currentEntryIndex();
}

void TForm1::SectionListBoxClick(EntryListBox *list)
{
    EntrySelection selection;
    selection.index = list->selectedRow();
    selection.count = list->count();
    selection.name = list->entryName(selection.index);
    selection.section = list->section().line;
    m_viewer->SectionListBoxClick(selection);
}

PlaceResult TForm1::showPlace(const EntryRef &place, PlaceHint hint)
{
    const int tab = m_sections->tabOf(place.section, hint.tab);
    if (tab < 0)
        return PlaceResult::NoSection;
    if (m_pageControl1->currentIndex() != tab)
        m_pageControl1->setCurrentIndex(tab); // runs PageControl1Change as a click on the tab does
    if (place.entry.isEmpty())
        return PlaceResult::Opened;
    EntryListBox *list = m_sections->list(tab);
    const int row = SectionNavigator::rowOf(list, place.entry, hint.row);
    if (row < 0)
        return PlaceResult::NoEntry;
    list->selectRow(row);
    SectionListBoxClick(list);
    if (place.part == 0)
        m_pageControl2->setCurrentIndex(0);
    else if (place.part > 0)
        m_viewer->showPart(place.part);
    if (!hint.member.isEmpty()) {
        auto *archive = qobject_cast<ArchivePage *>(m_viewer->currentPage());
        if (archive && archive->selectMember(hint.member))
            archive->listing()->setFocus();
    }
    return PlaceResult::Opened;
}

void TForm1::Edit1KeyPress()
{
    EntryListBox *list = m_sections->activeList();
    const int found = SectionNavigator::findEntry(list, toCp1252(m_edit1->text()));
    if (found < 0) {
        setStatusText(QStringLiteral("Keine Übereinstimmungen gefunden..."));
        return;
    }
    const Section section = m_sections->activeSection();
    showPlace({ section.line, list->entryName(found), -1 }, { m_pageControl1->currentIndex(), found, {} });
}

QString TForm1::statusText() const
{
    return m_statusLabel->text();
}

void TForm1::setStatusText(const QString &text)
{
    // Entry names can be megabytes long: show what fits, never lay out all of it.
    m_statusLabel->setText(shortText(text, kMaxStatusCharacters));
}

int TForm1::EntriesListboxenCount(int n) const
{
    return m_sections->EntriesListboxenCount(n);
}

QByteArray TForm1::GetListboxEntry(int n, int index) const
{
    return m_sections->GetListboxEntry(n, index);
}

} // namespace tv
