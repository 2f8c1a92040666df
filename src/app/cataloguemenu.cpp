// SPDX-License-Identifier: GPL-3.0-or-later
#include "cataloguemenu.h"

#include "app/mainwindow.h"
#include "catalogue/catalogue.h"
#include "catalogue/errorreport.h"
#include "catalogue/paths.h"
#include "catalogue/seam.h"

#include <QDir>
#include <QMenu>
#include <QMenuBar>

#include <cstring>

namespace tv {

QString rememberedCatalogue()
{
    RecentCatalogues recent(GetExecutableDir(), RecentCatalogues::fileFor(GetExecutableDir()));
    recent.load();
    const QString last = recent.folders().value(0);
    return !last.isEmpty() && catalogueComplete(last) ? last : QString();
}

CatalogueMenu::CatalogueMenu(TForm1 &form, Seam &seam)
    : QObject(&form)
    , m_form(form)
    , m_seam(seam)
    , m_recent(GetExecutableDir(), RecentCatalogues::fileFor(GetExecutableDir()))
{
    m_recent.load(); // a damaged list starts empty and is replaced by the next opening
    auto *datei = m_form.menuBar()->findChild<QMenu *>(QStringLiteral("Datei1"));
    Q_ASSERT(datei);
    QAction *first = datei->actions().value(0);

    auto *open = new QAction(QStringLiteral("Katalog ö&ffnen..."), datei);
    open->setObjectName(QStringLiteral("Katalogoeffnen1"));
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, [this] { guarded(m_seam, [&] { Katalogoeffnen1Click(); }); });
    datei->insertAction(first, open);

    m_recentMenu = new QMenu(QStringLiteral("&Zuletzt geöffnet"), datei);
    m_recentMenu->setObjectName(QStringLiteral("Zuletztgeoeffnet1"));
    m_recentMenu->setWindowTitle(QStringLiteral("Zuletzt geöffnet")); // what a screen reader calls it
    datei->insertMenu(first, m_recentMenu);
    datei->insertSeparator(first);
    rebuildRecentMenu();
}

void CatalogueMenu::Katalogoeffnen1Click()
{
    const QString folder = m_seam.chooseFolder(QStringLiteral("Katalogordner wählen:"));
    if (!folder.isEmpty())
        m_form.openCatalogue(folder, TForm1::Opening::FromMenu);
}

void CatalogueMenu::opened(const QString &folder)
{
    m_recent.opened(folder);
    if (!m_recent.save()) {
        m_form.setStatusText(
            QStringLiteral("Die zuletzt geöffneten Kataloge konnten nicht in %1 gespeichert werden: %2")
                .arg(RecentCatalogues::fileFor(GetExecutableDir()),
                    QString::fromLocal8Bit(std::strerror(m_recent.error()))));
    }
    rebuildRecentMenu();
}

void CatalogueMenu::rebuildRecentMenu()
{
    m_recentMenu->clear();
    const QStringList &folders = m_recent.folders();
    for (qsizetype i = 0; i < folders.size(); ++i) {
        const QString folder = folders[i];
        // "&1 /home/anna/Tipps": a digit to choose it by, the folder as the shell writes it.
        QString shown = QDir::toNativeSeparators(QDir::cleanPath(folder));
        shown.replace(u'&', QStringLiteral("&&"));
        QAction *action = m_recentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
        action->setObjectName(QStringLiteral("Zuletztgeoeffnet1Ordner%1").arg(i + 1));
        connect(action, &QAction::triggered, this, [this, folder] {
            guarded(m_seam, [&] { m_form.openCatalogue(folder, TForm1::Opening::FromMenu); });
        });
    }
    m_recentMenu->setEnabled(!folders.isEmpty());
}

} // namespace tv
