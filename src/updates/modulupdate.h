#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace tv {

class TZipAccess;

/// The Update archive being integrated.
struct TNewModulInfo
{
    QString UpdatePath; ///< full path, as the folder scan found it
    QString UpdateName; ///< its file-name part, "neu.tvu"
};

/// "neu.tvu" -> "neu.tvm": the extension replaced, or appended when there is none.
QString modulFileName(const QString &updateName);

/// True when a line of an update's Sections.dat may become part of a file
/// name: no "/" or "\" (it would leave the Program directory), no "*" or "?"
/// (the ZIP engines read them as wildcards) and no control character.
bool isSafeSectionName(const QByteArray &line);

/// "Es wurde(n) 3 Modul(e) integriert.\r\n\nDie neuen Einträge sind ab sofort verfügbar."
QString integratedMessage(int count);

/// @short Integrates Update archives into the installed catalogue and module set.
///
/// For each archive: its catalogue files are extracted into the Work directory,
/// every catalogue file whose version is higher than the installed one is
/// copied into the Program directory, and the archive becomes the module
/// <name>.tvm without its catalogue files.
///
/// Nothing half-done is left behind. Every file is written beside its target
/// and renamed into place; a version key is raised only after its file was
/// copied; the Section files go before Sections.dat, which is replaced only
/// when every Section file it lists is in place; the module is renamed into
/// place last, so an interrupted archive is integrated again by the next run.
/// Copies that fail are told to the user, file by file, in one box per archive.
///
/// Works on the one ZIP component it is given, setting ZipFilename, FSpecArgs
/// and ExtrBaseDir before each operation.
class ModulUpdate
{
public:
    explicit ModulUpdate(TZipAccess &zip);

    /// Integrates one archive; true when its module was installed. An archive
    /// whose module exists is skipped (false) without touching anything.
    /// Throws WriteError when the installed Version file cannot be written.
    bool IntegrateModul(const QString &updatePath);

    /// Extracts the update's Sections.dat and CheckVersion.dat into the Work
    /// directory and lists its Section files. False, after telling the user,
    /// when the archive cannot be listed or names a Section unsafely.
    bool ExtractUpdateCatalogue();
    /// True when the update's [CheckVersion] `key` is higher than the installed
    /// one (both read as integers, missing = 0).
    bool CheckNewerVersion(const QByteArray &key) const;
    /// Copies the update's newer Section files, then its newer Sections.dat.
    void UpdateCatalogueFiles();
    /// Installs the archive as <name>.tvm without its catalogue files and
    /// carries a later [ModulDate] over; false when the module could not be written.
    bool InstallModul();

    const TNewModulInfo &NewModulInfo() const { return m_info; }
    /// "Section_" + line + ".dat" for every line of the update's Sections.dat.
    const QList<QByteArray> &SectionFiles() const { return m_sectionFiles; }

private:
    void removeUpdateCatalogue();
    void carryFile(const QByteArray &name, const QByteArray &versionKey);
    void raiseVersion(const QByteArray &key);
    QByteArray missingSectionFile() const;
    void refuse(const QString &reason);
    void reportFailures(bool installed);

    TZipAccess &m_zip;
    TNewModulInfo m_info;
    QList<QByteArray> m_sectionFiles;
    QString m_versionCopy; // the update's CheckVersion.dat in the Work directory
    QStringList m_failures; // "Section_C++.dat: Dateizugriff verweigert"
};

/// Integrates every Update archive in `folder`, in the order the directory
/// lists them, and returns how many were integrated.
int IntegrateUpdates(TZipAccess &zip, const QString &folder);

} // namespace tv
