// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/errors.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace tv {

class Seam;
class StagedFile;
class TZipAccess;

/// The Update archive being integrated.
struct TNewModulInfo
{
    QString UpdatePath; ///< full path, as the folder scan found it
    QString UpdateName; ///< its file-name part, "neu.tvu"
};

/// "neu.tvu" -> "neu.tvm": the extension replaced, or appended when there is none.
QString moduleFileName(const QString &updateName);

/// True when a line of an update's Sections.dat may become part of a file
/// name: no "/" or "\" (it would leave the Program directory), no "*" or "?"
/// (the ZIP engines read them as wildcards) and no control character.
bool isSafeSectionName(const QByteArray &line);

/// Why an Update archive's file name cannot name a module, or "" when it can.
/// The catalogue spells module names in Windows-1252: "日本.tvu" would become
/// "??.tvm" and collide with "中文.tvu"; a control character (a line feed is
/// allowed in Linux file names) would break the lines of CheckVersion.dat.
QString updateNameProblem(const QString &updateName);

/// "Es wurde(n) 3 Modul(e) integriert.\r\n\nDie neuen Einträge sind ab sofort verfügbar."
QString integratedMessage(int count);

/// What an integration is about to do or has done, with the file concerned.
enum class UpdateStep {
    Extracting, ///< the update's catalogue files ("Sections.dat") or Section files go to the Work directory
    Staging, ///< a catalogue file or the module ("neu.tvm") is copied beside its target
    Deleting, ///< the catalogue files leave the staged module ("neu.tvm")
    Replacing, ///< a staged file is renamed over its target
    Replaced, ///< ... and is in place
};
/// Told every step of an integration, for a caller that shows or checks progress.
using StepObserver = std::function<void(UpdateStep step, const QByteArray &file)>;

/// @short Integrates Update archives into the installed catalogue and module set.
///
/// For each archive: its catalogue files are extracted into the Work directory,
/// every catalogue file whose version is higher than the installed one is
/// copied into the Program directory, and the archive becomes the module
/// <name>.tvm without its catalogue files.
///
/// An archive is integrated whole or not at all. First everything is prepared
/// beside its target: the newer catalogue files, the Version file with the
/// raised versions and the module without its catalogue files. Any failure on
/// the way (an engine message, fewer files than listed, a copy that fails)
/// discards it all, the user is told which archive failed and why, and the
/// next run tries again. Only then, with everything prepared on disk, are the
/// files renamed into place: the Section files, then Sections.dat, then
/// CheckVersion.dat, the module last, with the folder synced in between so
/// that a power cut keeps that order. A run that is killed half-way
/// therefore leaves a catalogue that starts, and the next run completes it to
/// the same files.
///
/// Works on the one ZIP component it is given, setting ZipFilename, FSpecArgs
/// and ExtrBaseDir before each operation. While it integrates, the component's
/// messages come to it (the component is Unattended and its OnMessage event is
/// taken; afterwards both are as before).
/// Refused and failed archives are reported through the seam it is given.
class ModulUpdate
{
public:
    ModulUpdate(Seam &seam, TZipAccess &zip, StepObserver observer = {});
    ~ModulUpdate();
    ModulUpdate(const ModulUpdate &) = delete;
    ModulUpdate &operator=(const ModulUpdate &) = delete;

    /// Integrates one archive; true when it was integrated whole. An archive
    /// whose module exists is skipped (false) without touching anything.
    /// Throws WriteError when the installed Version file cannot be written.
    bool IntegrateModul(const QString &updatePath);

    /// Extracts the update's Sections.dat and CheckVersion.dat into the Work
    /// directory and lists its Section files. False, after telling the user,
    /// when the archive cannot be listed, lists no entry or names a Section unsafely.
    bool ExtractUpdateCatalogue();
    /// True when the update's [CheckVersion] `key` is higher than the installed
    /// one (both read as integers, missing = 0).
    bool CheckNewerVersion(const QByteArray &key) const;
    /// Extracts the Section files and prepares the newer ones, then a newer
    /// Sections.dat, beside their targets; false when something failed.
    bool UpdateCatalogueFiles();
    /// Prepares the module without its catalogue files and the raised Version
    /// file, then puts everything prepared in place; false when something failed.
    bool InstallModul();

    const TNewModulInfo &NewModulInfo() const { return m_info; }
    /// "Section_" + line + ".dat" for every line of the update's Sections.dat.
    const QList<QByteArray> &SectionFiles() const { return m_sectionFiles; }

private:
    struct Prepared;

    bool integrate();
    bool extract(const QList<QByteArray> &names, const QString &what);
    bool openArchive(const QString &path, const QString &what);
    bool takeZipMessages(const QString &what);
    void removeUpdateCatalogue();
    bool prepareFile(const QByteArray &name, const QByteArray &versionKey);
    bool isInPlaceAfterwards(const QByteArray &name) const;
    bool deleteCatalogueFrom(const QString &staged, bool *rewritten);
    bool prepareVersionFile();
    bool putInPlace(Prepared &prepared, bool *renamedSinceSync);
    void syncProgramDir();
    void tell(UpdateStep step, const QByteArray &file) const;
    void fail(const QString &what, const QString &reason);
    void refuse(const QString &reason);
    void reportFailure();

    Seam &m_seam;
    TZipAccess &m_zip;
    StepObserver m_observer;
    TNewModulInfo m_info;
    QList<QByteArray> m_sectionFiles;
    QString m_versionCopy; // the update's CheckVersion.dat in the Work directory
    QStringList m_listingMessages; // why the last listing found no entry
    QStringList m_zipMessages; // what else the component reported during the current operation
    QString m_failure; // what failed and why: "Section_C++.dat: Dateizugriff verweigert"
    std::vector<std::unique_ptr<Prepared>> m_prepared; // catalogue files, in the order they go in place
    QList<QPair<QByteArray, QByteArray>> m_raised; // [CheckVersion] keys and their new values
    QByteArray m_unsyncedFolder; // the Program directory while a rename into it awaits its folder sync
};

/// Removes what an interrupted integration left: the staged files
/// ".tipvault-XXXXXX" in the Program directory (with the temporaries the ZIP
/// engine and the INI writer made beside them, ".tipvault-XXXXXX.YYYYYY"), and
/// the UNZIP engine's ".unzipengine-<pid>-<n>" in the Work directory when no
/// process of that number runs any more, and the folders of gone processes in
/// the Work directory. Nothing else is touched.
void removeIntegrationLeftovers();

/// An error that stopped the integration (a Version file that cannot be
/// written, a Work directory that cannot be made) after `integrated()`
/// archives went in whole: the caller tells the error and still shows what
/// they brought. message() is the error's own.
class IntegrationStopped : public Error
{
public:
    IntegrationStopped(const Error &cause, int integrated);
    int integrated() const { return m_integrated; }

private:
    int m_integrated;
};

/// Removes the left-overs of an interrupted run, then integrates every Update
/// archive in `folder` in the order the directory lists them, and returns how
/// many were integrated whole. Throws IntegrationStopped when an error stops it.
int IntegrateUpdates(Seam &seam, TZipAccess &zip, const QString &folder, const StepObserver &observer = {});

} // namespace tv
