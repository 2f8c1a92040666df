// SPDX-License-Identifier: GPL-3.0-or-later
#include "linkcommands.h"

#include "app/mainwindow.h"
#include "app/readercomforts.h"
#include "catalogue/cp1252.h"
#include "catalogue/entry.h"
#include "catalogue/errorreport.h"
#include "catalogue/paths.h"
#include "catalogue/seam.h"
#include "navigation/entrylistbox.h"
#include "navigation/sectionnavigator.h"
#include "searchwindow/searchwindow.h"

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>

namespace tv {
namespace {

/// The caption of part `n` of `place`'s entry and which of the parts with
/// that caption it is; nothing when the entry has no such part.
std::optional<std::pair<QByteArray, int>> partName(const EntryRef &place, int n)
{
    const SectionFile file = SectionFile::ofLine(place.section);
    const QList<Part> parts = file.parts(file.entry(place.entry));
    if (n < 1 || n > parts.size())
        return std::nullopt;
    int occurrence = 0;
    for (int i = 0; i < n; ++i)
        occurrence += parts[i].caption == parts[n - 1].caption ? 1 : 0;
    return std::pair { parts[n - 1].caption, occurrence };
}

/// The tab of the `occurrence`-th part captioned `caption`; 0 when there is none.
int partNumber(const EntryRef &place, const QByteArray &caption, int occurrence)
{
    const SectionFile file = SectionFile::ofLine(place.section);
    const QList<Part> parts = file.parts(file.entry(place.entry));
    for (const Part &part : parts) {
        if (part.caption == caption && --occurrence == 0)
            return part.number;
    }
    return 0;
}

} // namespace

LinkCommands::LinkCommands(TForm1 &form, Seam &seam)
    : QObject(&form)
    , m_form(form)
    , m_seam(seam)
{
    auto *datei = m_form.menuBar()->findChild<QMenu *>(QStringLiteral("Datei1"));
    auto *recent = datei->findChild<QMenu *>(QStringLiteral("Zuletztgeoeffnet1"));
    Q_ASSERT(datei && recent);
    const QList<QAction *> actions = datei->actions();
    QAction *after = actions.value(actions.indexOf(recent->menuAction()) + 1);
    auto *shown = new QAction(QStringLiteral("&Link kopieren"), datei);
    shown->setObjectName(QStringLiteral("LinkKopieren1"));
    shown->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    connect(shown, &QAction::triggered, this, [this] { guarded(m_seam, [&] { copyShownLink(); }); });
    datei->insertAction(after, shown);
    m_form.addAction(shown);

    m_entryMenu = new QMenu(&m_form);
    m_entryMenu->setObjectName(QStringLiteral("EintragPopup1"));
    m_entryMenu->setWindowTitle(QStringLiteral("Eintragsmenü"));
    QAction *entry = m_entryMenu->addAction(QStringLiteral("&Link kopieren"));
    entry->setObjectName(QStringLiteral("LinkKopieren2"));
    connect(entry, &QAction::triggered, this,
        [this] { guarded(m_seam, [&] { copyEntryLink(m_menuList, m_menuRow); }); });
    connect(m_form.sections(), &SectionNavigator::entryMenuRequested, this,
        [this](EntryListBox *list, int row, QPoint globalPos) {
            m_menuList = list;
            m_menuRow = row;
            m_entryMenu->popup(globalPos);
        });
}

TipvaultLink LinkCommands::linkTo(const EntryRef &place) const
{
    TipvaultLink link;
    link.section = place.section;
    link.entry = place.entry;
    if (place.part > 0) {
        if (const auto name = partName(place, place.part)) {
            link.part = name->first;
            link.partOccurrence = name->second;
        }
    }
    if (!m_form.captionFolder().isEmpty())
        link.folder = GetProgramDir();
    return link;
}

void LinkCommands::copy(const TipvaultLink &link)
{
    const QString address = formatLink(link);
    auto *data = new QMimeData;
    data->setText(address);
    m_seam.setClipboard(data);
    m_form.setStatusText(QStringLiteral("Link kopiert: ") + address);
}

void LinkCommands::copyShownLink()
{
    const EntryRef place = m_form.comforts()->shownPlace();
    if (place.entry.isEmpty()) {
        m_form.setStatusText(QStringLiteral("Kein Eintrag gewählt: es gibt keinen Link zu kopieren."));
        return;
    }
    copy(linkTo(place));
}

void LinkCommands::copyEntryLink(EntryListBox *list, int row)
{
    if (!list || row < 0 || row >= list->count())
        return;
    copy(linkTo({ list->section().line, list->entryName(row), -1 }));
}

void LinkCommands::openQuery(const QString &query)
{
    m_form.Volltextsuche1Click();
    m_form.searchWindow()->queryField()->setText(query);
}

void LinkCommands::openLink(const TipvaultLink &link)
{
    if (!link.folder.isEmpty() && catalogueKey(link.folder) != catalogueKey(GetProgramDir())
        && !m_form.openCatalogue(link.folder, TForm1::Opening::FromMenu))
        return;
    if (link.isSearch()) {
        openQuery(link.query);
        return;
    }
    EntryRef place { link.section, link.entry, -1 };
    const int part = link.part.isEmpty() ? -1 : partNumber(place, link.part, link.partOccurrence);
    place.part = part > 0 ? part : -1;
    if (!m_form.comforts()->open(place))
        return;
    m_form.raise();
    m_form.activateWindow();
    if (part == 0) {
        m_form.setStatusText(QStringLiteral("Der Teil \"%1\" des Eintrags \"%2\" ist nicht mehr vorhanden.")
                                 .arg(fromCp1252(link.part), fromCp1252(link.entry)));
    }
}

} // namespace tv
