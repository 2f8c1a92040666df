// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

/// @short The Program and Work directories, name lookup and the small text helpers.
///
/// Directory values always end with "/" and file names are appended to them.
/// They are computed anew on every call: nothing is kept.
namespace tv {

class Seam;

/// The catalogue folder in use, ending with "/": the folder opened with
/// setProgramDirOverride(), else the directory of the running executable.
/// Catalogue files, the Settings file and the modules are read from here.
QString GetProgramDir();
/// Makes GetProgramDir() answer `dir` instead (a catalogue opened elsewhere,
/// `tipvault-cli --dir`, tests); an empty string restores the executable's directory.
void setProgramDirOverride(const QString &dir);
/// The directory of the running executable, ending with "/", whatever
/// catalogue is open: the engines lie here, and it names the installation.
QString GetExecutableDir();

/// The Work directory shared by this user's Tipvault processes: $TMPDIR (else
/// /tmp) + "TIPVAULT/", created with mode 0700 when missing. When another user
/// owns "TIPVAULT" (a shared /tmp), "TIPVAULT-<uid>/" beside it, which then
/// stays in use for as long as it exists. Throws IoError when the directory
/// cannot be created, or when what stands there is a symbolic link, not a
/// directory, or owned by another user: nothing is ever written through a
/// directory another local user controls.
QString GetSharedWorkDir();

/// This process's own folder in the Work directory, "<shared>/<pid>/", made
/// (mode 0700, same checks) when missing. Every file a process extracts goes
/// here, so that no other process's closing can remove it; "GetWorkDir" is
/// this folder for every caller. Throws IoError as GetSharedWorkDir().
QString GetWorkDir();

/// True when no process of number `pid` runs any more (a folder or file it
/// left may go).
bool isProcessGone(qint64 pid);

/// Removes the folders that processes which are gone left in the Work
/// directory (at start, and before an update integration). Silent; a Work
/// directory we may not use is left alone.
void sweepWorkDirectory();

/// At the end of the process: empties its own folder of plain files and
/// removes it when that leaves it empty (a subfolder keeps it, to be swept
/// at a later start), sweeps the folders of gone processes and then, when no
/// other running process has a folder there, does the same to the Work
/// directory itself. Silent.
void releaseWorkDirectory();

/// ToUmlaut: every "ae" becomes "ä" (Kaeltetechnik -> Kältetechnik);
/// otherwise every "ä" becomes "ae". Exact bytes, so "AE" and "Ä" never change.
QByteArray ConvertUmlaut(QByteArray text, bool toUmlaut);

/// Deletes every plain file in `dir`; what cannot be deleted (subdirectories,
/// files in use) stays, silently.
void ClearDirectory(const QString &dir);

/// The folder dialog "Zielverzeichnis wählen:"; the folder with a final "/",
/// or nothing when the dialog was cancelled.
std::optional<QString> SelectFolder(Seam &seam);

/// The path of `name` (Windows-1252) in `dir`, found without regard to ASCII
/// case: "NAME.TVM" finds "name.tvm". On disk a name is its UTF-8 form, so
/// "Kältetechnik" finds the file written as UTF-8. When nothing matches, the
/// path a new file of that name would get; "" when the name holds a NUL byte,
/// which no file name can.
QString resolveName(const QString &dir, const QByteArray &name);

/// True for a name that stays inside the folder it is appended to: not empty,
/// not "." or "..", and without "/", "\\" or NUL.
bool isBareName(const QByteArray &name);

/// The path of an extracted part file in the Work directory, or "" when `name`
/// cannot name one. Extraction writes members flat, so only a bare name
/// counts: "a.rtf" -> ".../TIPVAULT/a.rtf"; "../x", "a/b", "a\\b", ".", ".." and
/// "" -> "". A catalogue entry can never make us read or delete elsewhere.
QString workFile(const QByteArray &name);

/// Removes the Work directory's copies of `names` (as the catalogue spells
/// them), in any letter case, before they are extracted anew: a copy left by
/// an interrupted run or another part must never stand in for a member the
/// archive lacks.
void removeWorkCopies(const QList<QByteArray> &names);

/// True when `name` resolves to an existing regular file in `dir`.
bool fileExistsIn(const QString &dir, const QByteArray &name);

/// Appends "/" unless the text already ends with one.
QString withSeparator(QString dir);

} // namespace tv
