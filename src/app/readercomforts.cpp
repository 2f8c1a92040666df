// SPDX-License-Identifier: GPL-3.0-or-later
#include "readercomforts.h"

#include "app/favouritesdialog.h"
#include "app/mainwindow.h"
#include "catalogue/cp1252.h"
#include "catalogue/errorreport.h"
#include "catalogue/paths.h"
#include "catalogue/seam.h"
#include "navigation/entrylistbox.h"
#include "navigation/sectionnavigator.h"
#include "viewer/entryviewer.h"
#include "viewer/textpart.h"
#include "viewer/textprint.h"
#include "viewer/textzoom.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTabWidget>
#include <QWheelEvent>

#include <cstring>

namespace tv {
namespace {

constexpr int kZoomStep = 10;

/// Sets `flag` while it lives, however the command ends.
class FlagWhile
{
public:
    explicit FlagWhile(bool &flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~FlagWhile() { m_flag = false; }
    FlagWhile(const FlagWhile &) = delete;
    FlagWhile &operator=(const FlagWhile &) = delete;

private:
    bool &m_flag;
};

QString quoted(const QByteArray &name)
{
    return u'"' + fromCp1252(name) + u'"';
}

TextPage *textPageOf(PartPage *page)
{
    return qobject_cast<TextPage *>(page);
}

} // namespace

ReaderComforts::ReaderComforts(TForm1 &form, Seam &seam)
    : QObject(&form)
    , m_form(form)
    , m_seam(seam)
{
    loadState();
    buildMenus();
    connect(m_form.viewer(), &EntryViewer::pageShown, this, &ReaderComforts::pageShown);
    qApp->installEventFilter(this);
    updateCommands();
}

ReaderComforts::~ReaderComforts() = default;

void ReaderComforts::loadState()
{
    m_state = std::make_unique<UserState>(GetProgramDir(), UserState::fileFor(GetProgramDir()));
    if (m_state->load() == UserState::LoadResult::Damaged) {
        m_form.setStatusText(
            QStringLiteral("Die gespeicherten Favoriten und Einstellungen in %1 sind beschädigt und werden "
                           "nicht verwendet.")
                .arg(m_state->path()));
    }
}

void ReaderComforts::catalogueOpened()
{
    loadState();
    m_history = NavigationHistory();
    rebuildFavouritesMenu();
    updateCommands();
    restoreSession();
}

QAction *ReaderComforts::command(
    QMenu *menu, const QString &name, const QString &text, void (ReaderComforts::*handler)(), QAction *before)
{
    auto *action = new QAction(text, menu);
    action->setObjectName(name);
    connect(
        action, &QAction::triggered, this, [this, handler] { guarded(m_seam, [&] { (this->*handler)(); }); });
    menu->insertAction(before, action); // appended when `before` is nullptr
    return action;
}

void ReaderComforts::buildMenus()
{
    QMenuBar *bar = m_form.menuBar();
    // The window's own menus, which the new commands join.
    auto *hilfe = bar->findChild<QMenu *>(QStringLiteral("Hilfe1"));
    auto *datei = bar->findChild<QMenu *>(QStringLiteral("Datei1"));
    auto *beenden = datei->findChild<QAction *>(QStringLiteral("Beenden1"));
    Q_ASSERT(hilfe && datei && beenden);

    // "Datei": printing and PDF above "Beenden".
    m_print = command(datei, QStringLiteral("Drucken1"), QStringLiteral("&Drucken..."),
        &ReaderComforts::printText, beenden);
    m_print->setShortcut(QKeySequence::Print);
    m_pdf = command(datei, QStringLiteral("PdfExport1"), QStringLiteral("Als &PDF exportieren..."),
        &ReaderComforts::exportPdf, beenden);
    datei->insertSeparator(beenden);

    auto *ansicht = new QMenu(QStringLiteral("&Ansicht"), bar);
    ansicht->setObjectName(QStringLiteral("Ansicht1"));
    m_back = command(ansicht, QStringLiteral("Zurueck1"), QStringLiteral("&Zurück"), &ReaderComforts::goBack);
    m_back->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
    m_forward = command(ansicht, QStringLiteral("Vor1"), QStringLiteral("&Vor"), &ReaderComforts::goForward);
    m_forward->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
    ansicht->addSeparator();
    command(
        ansicht, QStringLiteral("Vergroessern1"), QStringLiteral("Text ver&größern"), &ReaderComforts::zoomIn)
        ->setShortcuts({ QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal) });
    command(ansicht, QStringLiteral("Verkleinern1"), QStringLiteral("Text ver&kleinern"),
        &ReaderComforts::zoomOut)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    command(ansicht, QStringLiteral("Originalgroesse1"), QStringLiteral("&Originalgröße"),
        &ReaderComforts::zoomReset)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));

    m_favouritesMenu = new QMenu(QStringLiteral("&Favoriten"), bar);
    m_favouritesMenu->setObjectName(QStringLiteral("Favoriten1"));
    m_favouritesMenu->setToolTipsVisible(true);
    m_addFavourite = command(m_favouritesMenu, QStringLiteral("ZuFavoritenHinzufuegen1"),
        QStringLiteral("Zu Favoriten &hinzufügen"), &ReaderComforts::addFavourite);
    m_addFavourite->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    command(m_favouritesMenu, QStringLiteral("FavoritenVerwalten1"),
        QStringLiteral("Favoriten &verwalten..."), &ReaderComforts::manageFavourites);
    m_favouritesStart = m_favouritesMenu->addSeparator();
    connect(m_favouritesMenu, &QMenu::aboutToShow, this, &ReaderComforts::rebuildFavouritesMenu);

    bar->insertMenu(hilfe->menuAction(), ansicht);
    bar->insertMenu(hilfe->menuAction(), m_favouritesMenu);
    // Keys work while the menus are closed: the window knows every action.
    m_form.addActions(ansicht->actions());
    m_form.addActions({ m_print, m_pdf, m_addFavourite });
    rebuildFavouritesMenu();
}

EntryRef ReaderComforts::shownPlace() const
{
    const EntryViewer *viewer = m_form.viewer();
    if (!viewer->shownEntry().isEmpty())
        return { viewer->shownSection(), viewer->shownEntry(), viewer->PageControl2()->currentIndex() };
    if (m_form.PageControl1()->count() == 0)
        return {};
    return { m_form.sections()->activeSection().line, {}, 0 };
}

bool ReaderComforts::open(const EntryRef &place)
{
    switch (m_form.showPlace(place)) {
    case PlaceResult::NoSection:
        m_form.setStatusText(QStringLiteral("Der Abschnitt %1 ist nicht mehr vorhanden.")
                                 .arg(quoted(ConvertUmlaut(place.section, true))));
        break;
    case PlaceResult::NoEntry:
        m_form.setStatusText(
            QStringLiteral("Der Eintrag %1 ist nicht mehr vorhanden.").arg(quoted(place.entry)));
        break;
    case PlaceResult::Opened:
        return true;
    }
    return false;
}

void ReaderComforts::restoreSession()
{
    const EntryRef place = m_state->session();
    if (!place.isEmpty())
        open(place);
}

QString ReaderComforts::saveFailure() const
{
    return QStringLiteral("Die Favoriten und Einstellungen konnten nicht in %1 gespeichert werden: %2")
        .arg(m_state->path(), QString::fromLocal8Bit(std::strerror(m_state->error())));
}

void ReaderComforts::saveNow()
{
    if (!m_state->save())
        m_form.setStatusText(saveFailure());
}

void ReaderComforts::saveState()
{
    m_state->setSession(shownPlace());
    if (!m_state->save())
        showMessage(m_seam, MessageKind::Warning, saveFailure());
}

void ReaderComforts::pageShown(PartPage *page)
{
    if (TextPage *text = textPageOf(page))
        zoomTextDocument(text->edit()->document(), m_state->zoom());
    if (!m_stepping && !m_form.viewer()->shownEntry().isEmpty())
        m_history.visit(shownPlace());
    updateCommands();
}

void ReaderComforts::updateCommands()
{
    m_back->setEnabled(m_history.canGoBack());
    m_forward->setEnabled(m_history.canGoForward());
    const bool text = textPageOf(m_form.viewer()->currentPage());
    m_print->setEnabled(text);
    m_pdf->setEnabled(text);
    m_addFavourite->setEnabled(!m_form.viewer()->shownEntry().isEmpty());
}

void ReaderComforts::step(const EntryRef &place)
{
    {
        const FlagWhile stepping(m_stepping);
        open(place);
    }
    updateCommands();
}

void ReaderComforts::goBack()
{
    if (m_history.canGoBack())
        step(m_history.back());
}

void ReaderComforts::goForward()
{
    if (m_history.canGoForward())
        step(m_history.forward());
}

void ReaderComforts::setZoom(int percent)
{
    m_state->setZoom(percent);
    applyZoom();
}

void ReaderComforts::applyZoom()
{
    if (TextPage *text = textPageOf(m_form.viewer()->currentPage()))
        zoomTextDocument(text->edit()->document(), m_state->zoom());
}

void ReaderComforts::zoomIn()
{
    setZoom(m_state->zoom() + kZoomStep);
}

void ReaderComforts::zoomOut()
{
    setZoom(m_state->zoom() - kZoomStep);
}

void ReaderComforts::zoomReset()
{
    setZoom(UserState::kDefaultZoom);
}

bool ReaderComforts::favouriteAvailable(int index) const
{
    const EntryRef &ref = m_state->favourites().at(index).ref;
    const SectionNavigator *sections = m_form.sections();
    return SectionNavigator::rowOf(sections->list(sections->tabOf(ref.section)), ref.entry) >= 0;
}

void ReaderComforts::rebuildFavouritesMenu()
{
    const QList<QAction *> actions = m_favouritesMenu->actions();
    for (qsizetype i = actions.indexOf(m_favouritesStart) + 1; i < actions.size(); ++i)
        delete actions[i];
    const QList<Favourite> &favourites = m_state->favourites();
    m_favouritesStart->setVisible(!favourites.isEmpty());
    for (int i = 0; i < favourites.size(); ++i) {
        QString text = QString(favourites[i].title).replace(u'&', QStringLiteral("&&"));
        if (i < 9)
            text = QStringLiteral("&%1 %2").arg(i + 1).arg(text);
        QAction *action = m_favouritesMenu->addAction(text);
        action->setObjectName(QStringLiteral("Favorit%1").arg(i + 1));
        if (!favouriteAvailable(i)) {
            // Gone with an update: shown, greyed, and told why.
            const QString why = QStringLiteral("Der Eintrag %1 ist nach einem Update nicht mehr vorhanden.")
                                    .arg(quoted(favourites[i].ref.entry));
            action->setEnabled(false);
            action->setToolTip(why);
            action->setStatusTip(why);
            continue;
        }
        action->setToolTip(fromCp1252(ConvertUmlaut(favourites[i].ref.section, true)) + QStringLiteral(": ")
            + fromCp1252(favourites[i].ref.entry));
        connect(action, &QAction::triggered, this, [this, i] { guarded(m_seam, [&] { openFavourite(i); }); });
    }
}

void ReaderComforts::addFavourite()
{
    const EntryRef place = shownPlace();
    if (place.entry.isEmpty())
        return;
    if (!m_state->addFavourite({ fromCp1252(place.entry), place })) {
        m_form.setStatusText(QStringLiteral("%1 ist bereits unter den Favoriten.").arg(quoted(place.entry)));
        return;
    }
    m_form.setStatusText(QStringLiteral("%1 wurde zu den Favoriten hinzugefügt.").arg(quoted(place.entry)));
    saveNow();
    rebuildFavouritesMenu();
}

void ReaderComforts::manageFavourites()
{
    FavouritesDialog dialog(m_state->favourites(), &m_form);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_state->setFavourites(dialog.favourites());
    saveNow();
    rebuildFavouritesMenu();
}

void ReaderComforts::openFavourite(int index)
{
    if (index < 0 || index >= m_state->favourites().size())
        return;
    EntryRef place = m_state->favourites().at(index).ref;
    place.part = 1; // the first part, as a click on the entry shows it
    open(place);
}

void ReaderComforts::printText()
{
    if (TextPage *text = textPageOf(m_form.viewer()->currentPage()))
        printTextDocument(m_seam, *text->edit()->document(), text->edit()->title());
}

void ReaderComforts::exportPdf()
{
    if (TextPage *text = textPageOf(m_form.viewer()->currentPage()))
        exportTextPdf(m_seam, *text->edit()->document(), text->edit()->title());
}

bool ReaderComforts::eventFilter(QObject *watched, QEvent *event)
{
    // Every event of the application passes here: the cheap test first.
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::Wheel)
        return false;
    const auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || widget->window() != &m_form)
        return false;
    if (event->type() == QEvent::MouseButtonPress) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::BackButton || mouse->button() == Qt::ForwardButton) {
            const bool back = mouse->button() == Qt::BackButton;
            guarded(m_seam, [&] { back ? goBack() : goForward(); });
            return true;
        }
    } else if (event->type() == QEvent::Wheel) {
        const auto *wheel = static_cast<QWheelEvent *>(event);
        if ((wheel->modifiers() & Qt::ControlModifier) && qobject_cast<RichEdit *>(widget->parentWidget())) {
            const int steps = wheel->angleDelta().y() / 120;
            if (steps != 0)
                setZoom(m_state->zoom() + steps * kZoomStep);
            return true; // the edit's own zoom would only scale unformatted text
        }
    }
    return false;
}

} // namespace tv
