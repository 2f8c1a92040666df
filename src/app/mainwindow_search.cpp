// SPDX-License-Identifier: GPL-3.0-or-later
// The full-text search's window and how a result opens in the main window.
#include "mainwindow.h"

#include "catalogue/cp1252.h"
#include "catalogue/entry.h"
#include "catalogue/errorreport.h"
#include "catalogue/errors.h"
#include "catalogue/paths.h"
#include "search/fold.h"
#include "search/searchindex.h"
#include "search/searchservice.h"
#include "searchwindow/searchwindow.h"
#include "userstate/userstate.h"
#include "viewer/entryviewer.h"
#include "viewer/textpart.h"

#include <QLineEdit>
#include <QTimer>
#include <QTextBlock>
#include <QTextEdit>

namespace tv {
namespace {

// How long after the main window is first shown the index begins to update.
constexpr int kIndexDelayMs = 1500;

// Selects the first place where one of `terms` occurs, block by block, the
// way the index folded the text; false when none does.
bool selectFirstMatch(QTextEdit *edit, const QStringList &terms)
{
    QTextDocument *doc = edit->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        const search::FoldedText folded = search::foldWithOrigin(block.text());
        qsizetype best = -1;
        qsizetype length = 0;
        for (const QString &term : terms) {
            const qsizetype at = folded.text.indexOf(term);
            if (at >= 0 && (best < 0 || at < best)) {
                best = at;
                length = term.size();
            }
        }
        if (best < 0)
            continue;
        QTextCursor cursor(doc);
        cursor.setPosition(block.position() + folded.origin[best]);
        cursor.setPosition(block.position() + folded.origin[best + length - 1] + 1, QTextCursor::KeepAnchor);
        edit->setTextCursor(cursor);
        edit->ensureCursorVisible();
        return true;
    }
    return false;
}

QList<Section> sectionsOrNone()
{
    try {
        return readSections();
    } catch (const Error &) {
        return {}; // the window offers "Alle Bereiche" only; the index reports the fault
    }
}

} // namespace

void TForm1::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_indexScheduled)
        return;
    m_indexScheduled = true;
    scheduleSearchIndex();
}

void TForm1::scheduleSearchIndex()
{
    // Once start-up is over and the window has drawn itself: the first search
    // should find the index ready, but nothing at start may wait for it.
    QTimer::singleShot(kIndexDelayMs, this, [this] { guarded(m_seam, [this] { startSearchIndex(); }); });
}

void TForm1::startSearchIndex()
{
    if (m_searchService)
        return;
    const QString dir = GetProgramDir();
    m_searchService = new search::SearchService(dir, search::SearchIndex::defaultPath(dir), this);
    m_searchService->start();
}

void TForm1::Volltextsuche1Click()
{
    if (!m_searchWindow) {
        startSearchIndex(); // first: the window opens saying how far the index is
        m_searchWindow = new search::SearchWindow(
            m_searchService, sectionsOrNone,
            [this](const search::Hit &hit, const QStringList &terms) {
                guarded(m_seam, [&] { openSearchHit(hit, terms); });
            },
            this);
    }
    m_searchWindow->show();
    m_searchWindow->raise();
    m_searchWindow->activateWindow();
    m_searchWindow->queryField()->setFocus();
    m_searchWindow->queryField()->selectAll();
}

void TForm1::searchCatalogueChanged()
{
    if (m_searchService)
        m_searchService->refresh();
    if (m_searchWindow)
        m_searchWindow->reloadSections();
}

void TForm1::closeFullTextSearch()
{
    delete m_searchWindow;
    m_searchWindow = nullptr;
    delete m_searchService;
    m_searchService = nullptr;
    // The catalogue opened instead gets its index in the background too.
    if (m_indexScheduled)
        scheduleSearchIndex();
}

void TForm1::openSearchHit(const search::Hit &hit, const QStringList &terms)
{
    // A name hit opens the entry as a click does.
    switch (showPlace({ hit.sectionLine, hit.entry, hit.part > 0 ? hit.part : -1 },
        { hit.sectionPosition, -1, hit.member })) {
    case PlaceResult::NoSection:
        setStatusText(QStringLiteral("Der Bereich \"%1\" ist nicht mehr vorhanden.")
                          .arg(fromCp1252(hit.sectionCaption())));
        return;
    case PlaceResult::NoEntry:
        setStatusText(
            QStringLiteral("Der Eintrag \"%1\" ist nicht mehr vorhanden.").arg(fromCp1252(hit.entry)));
        return;
    case PlaceResult::Opened:
        break;
    }
    raise();
    activateWindow();
    if (hit.part <= 0 || m_pageControl2->currentIndex() != hit.part)
        return;
    if (auto *text = qobject_cast<TextPage *>(m_viewer->currentPage())) {
        if (selectFirstMatch(text->edit(), terms))
            text->edit()->setFocus(); // the selection shows while the text has the focus
    }
}

} // namespace tv
