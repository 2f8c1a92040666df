// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"

#include "catalogue/errorreport.h"
#include "catalogue/seam.h"
#include "navigation/sectionnavigator.h"
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

void TForm1::Moduleintegrieren1Click()
{
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
