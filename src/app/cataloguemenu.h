// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "userstate/recentcatalogues.h"

#include <QObject>

class QAction;
class QMenu;

/// @short "Datei → Katalog öffnen..." and "Datei → Zuletzt geöffnet": the
/// catalogue folder in use, chosen by the user and remembered per installation.
namespace tv {

class Seam;
class TForm1;

/// The folder a start without one opens: the catalogue last opened from this
/// Program directory while it is still complete there, else "" (the Program
/// directory itself).
QString rememberedCatalogue();

class CatalogueMenu : public QObject
{
    Q_OBJECT
public:
    /// Adds the commands at the top of the window's "Datei" menu.
    CatalogueMenu(TForm1 &form, Seam &seam);

    /// "Katalog öffnen...": a folder through the folder dialog, opened in the window.
    void Katalogoeffnen1Click();
    /// Puts `folder` first among the recent ones and keeps that; a failure is
    /// told on the status bar.
    void opened(const QString &folder);

    const RecentCatalogues &recent() const { return m_recent; }
    QMenu *recentMenu() const { return m_recentMenu; }

private:
    void rebuildRecentMenu();

    TForm1 &m_form;
    Seam &m_seam;
    RecentCatalogues m_recent;
    QMenu *m_recentMenu = nullptr;
};

} // namespace tv
