// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"

#include "catalogue/errorreport.h"
#include "catalogue/paths.h"
#include "catalogue/seam.h"
#include "navigation/sectionnavigator.h"
#include "updates/cataloguecopy.h"
#include "updates/modulupdate.h"
#include "updates/updatefolder.h"
#include "viewer/entryviewer.h"
#include "zip/zipaccess.h"

#include <QCoreApplication>
#include <QTabWidget>
#include <QThread>

namespace tv {

void TForm1::endProgram()
{
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

bool TForm1::integrateIntoCopy()
{
    const QString parent = catalogueCopiesFolder();
    if (!askYesNo(m_seam,
            QStringLiteral("Der Katalog in '%1' kann nicht geändert werden. Soll er in Ihren Datenordner '%2' "
                           "kopiert werden, um die Modulupdates dort zu integrieren? Der Katalog in '%1' "
                           "bleibt, wie er ist.")
                .arg(GetProgramDir(), parent)))
        return true; // as ever: the integration says where it cannot write
    QString copy;
    QString reason;
    bool copied = false;
    {
        const BusyCursor busy(m_seam);
        copied = copyCatalogue(GetProgramDir(), parent, &copy, &reason);
    }
    if (!copied) {
        showMessage(m_seam, MessageKind::Error,
            QStringLiteral("Der Katalog konnte nicht nach '%1' kopiert werden: %2").arg(parent, reason));
        return false;
    }
    return openCatalogue(copy, Opening::FromMenu);
}

void TForm1::Moduleintegrieren1Click()
{
    if (!isWritableFolder(GetProgramDir()) && !integrateIntoCopy())
        return;
    const std::optional<QString> folder = chooseUpdateFolder(m_seam);
    if (!folder)
        return;
    int count = 0;
    {
        const BusyCursor busy(m_seam);
        try {
            // The engines come from where ZipAccess1 takes them.
            m_updateZip->setEngineDirectory(m_zip->EngineDirectory());
            count = IntegrateUpdates(m_seam, *m_updateZip, *folder);
        } catch (const IntegrationStopped &stopped) {
            // The archives integrated before the error are in place: the
            // navigation must show them, or they would seem lost until the next start.
            reportError(m_seam, stopped.message());
            count = stopped.integrated();
        }
    }
    if (count == 0) {
        setStatusText(QStringLiteral("Es wurde kein Modul integriert..."));
        return;
    }
    showMessage(m_seam, MessageKind::Information, integratedMessage(count));
    const BusyCursor busy(m_seam);
    if (!RebuildNavigation())
        endProgram();
}

bool TForm1::RebuildNavigation()
{
    {
        // Emptying the tab control switches pages; FormCreate writes the caption anew.
        const QSignalBlocker block(m_pageControl1);
        m_sections->removeSectionTabs();
    }
    m_viewer->removeEntryTabs();
    m_viewer->DeleteDescribe();
    setWindowTitle(QString::fromUtf16(kBaseCaption));
    const bool complete = FormCreate();
    searchCatalogueChanged();
    return complete;
}

} // namespace tv
