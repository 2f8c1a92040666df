// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

namespace tv {

/// Loads Qt's own German texts (file and folder dialogs, standard buttons,
/// the edit fields' context menus, the print dialog) from Qt's translations
/// folder, whatever the system's locale: the program speaks German only.
/// False when they are not installed (Debian: qt6-translations-l10n); Qt's
/// English texts stay then.
bool installQtGermanTexts(QCoreApplication &app);

} // namespace tv
