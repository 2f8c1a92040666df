// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

/// @short The folder the Update archives are taken from, remembered in TIPVAULT.ini.
namespace tv {

class Seam;

/// [Settings] ModulPath of TIPVAULT.ini in the Program directory: the folder
/// searched last, ending with "/"; "0" (also when missing) means none.
QString ModulPath();
/// Writes ModulPath; throws WriteError.
void setModulPath(const QString &folder);

/// "Sie haben letztes Mal das Verzeichnis '<folder>' ausgewählt. Soll diesmal ..."
QString repeatFolderQuestion(const QString &folder);

/// Asks for the folder to search: when ModulPath names an existing folder the
/// user is asked whether to take it again (No opens the folder dialog),
/// otherwise the dialog opens at once. A chosen folder is written back to
/// ModulPath, also when unchanged. Returns the folder (as stored, or from the
/// dialog with "/"), or nothing when the dialog was cancelled; ModulPath then
/// stays as it was.
std::optional<QString> chooseUpdateFolder(Seam &seam);

} // namespace tv
