// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"

#include "app/cataloguemenu.h"
#include "app/readercomforts.h"
#include "catalogue/catalogue.h"
#include "catalogue/errorreport.h"
#include "catalogue/paths.h"
#include "catalogue/seam.h"
#include "userstate/userstate.h"

#include <QDir>
#include <QFileInfo>

namespace tv {

bool TForm1::openCatalogue(const QString &folder, Opening how)
{
    if (!QFileInfo(folder).isDir()) {
        showMessage(m_seam, MessageKind::Error,
            QStringLiteral("Der Katalogordner '%1' existiert nicht.").arg(QDir::cleanPath(folder)));
        return false;
    }
    const QString dir = catalogueKey(folder);
    if (how == Opening::AtStart) {
        const QString before = GetProgramDir();
        setProgramDirOverride(dir);
        m_openedFolder = dir;
        if (!FormCreate()) { // the box is FormCreate's, the end the caller's
            setProgramDirOverride(before);
            return false;
        }
        m_comforts->catalogueOpened();
        m_catalogues->opened(dir);
        return true;
    }
    // The catalogue in use stays until the new one is known to be complete.
    if (!catalogueComplete(dir)) {
        showMessage(m_seam, MessageKind::Error,
            QStringLiteral("Einige Dateien sind fehlerhaft. Bitte installieren Sie den Tipvault neu."));
        return false;
    }
    const BusyCursor busy(m_seam);
    m_comforts->saveState();
    closeFullTextSearch();
    setProgramDirOverride(dir);
    m_openedFolder = dir;
    if (!RebuildNavigation()) { // emptied since the check: as an update that leaves it incomplete
        endProgram();
        return false;
    }
    m_catalogues->opened(dir);
    m_comforts->catalogueOpened();
    m_comforts->restoreSession();
    return true;
}

QString TForm1::captionFolder() const
{
    if (m_openedFolder.isEmpty() || m_openedFolder == catalogueKey(GetExecutableDir()))
        return QString();
    return QStringLiteral(" - ") + QDir::toNativeSeparators(QDir::cleanPath(m_openedFolder));
}

} // namespace tv
