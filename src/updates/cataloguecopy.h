// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// @short A copy of a catalogue the user cannot write, in a folder they can.
///
/// A catalogue installed with the program (/opt/tipvault/) can be read but not
/// updated; its copy in the user's data folder can:
///
///     QString copy, reason;
///     if (!isWritableFolder(GetProgramDir()))
///         copyCatalogue(GetProgramDir(), catalogueCopiesFolder(), &copy, &reason);
///     // copy == "~/.local/share/Tipvault/Kataloge/tipvault/"
namespace tv {

/// True when files can be made and replaced in `dir`.
bool isWritableFolder(const QString &dir);

/// Where copies go: <AppDataLocation>/Kataloge/, ending with "/".
QString catalogueCopiesFolder();

/// Copies the plain files of the catalogue in `from` (catalogue files,
/// settings, modules; no subfolders, no staged left-overs) into a new folder
/// in `parent`, named like `from` ("tipvault", else "tipvault-2" ...), and
/// sets `*copy` to it, ending with "/". Whole or not at all: the files go into
/// a hidden folder there, each checked and synced, which is renamed only when
/// all are in; on any failure it is removed again and `*reason` says why
/// ("Zu wenig Speicherplatz").
bool copyCatalogue(const QString &from, const QString &parent, QString *copy, QString *reason);

} // namespace tv
