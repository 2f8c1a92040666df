#include "modulupdate.h"

#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/errors.h"
#include "catalogue/ini.h"
#include "catalogue/paths.h"
#include "catalogue/seam.h"
#include "catalogue/textlines.h"
#include "updates/stagedfile.h"
#include "updates/updatefiles.h"
#include "zip/zipaccess.h"

#include <QDir>
#include <QFile>
#include <QSet>

namespace tv {
namespace {

constexpr char kCheckVersion[] = "CheckVersion";
constexpr char kModulDate[] = "ModulDate";
constexpr char kSectionsKey[] = "Section";

/// The file-system form of a catalogue name with its ASCII letters folded, as
/// resolveName compares names.
QByteArray foldedDiskName(const QByteArray &cp1252Name)
{
    return upperAscii(fromCp1252(cp1252Name).toUtf8());
}

/// Removes the Work directory's copies of `names`, in any letter case: a copy
/// left by an interrupted run must never stand in for a file the archive lacks.
void removeWorkCopies(const QList<QByteArray> &names)
{
    QSet<QByteArray> wanted;
    for (const QByteArray &name : names)
        wanted.insert(foldedDiskName(name));
    const QString work = GetWorkDir();
    const QStringList entries = QDir(work).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (wanted.contains(upperAscii(QFile::encodeName(entry))))
            QFile::remove(work + entry);
    }
}

} // namespace

QString modulFileName(const QString &updateName)
{
    const qsizetype dot = updateName.lastIndexOf(u'.');
    return (dot < 0 ? updateName : updateName.left(dot)) + QStringLiteral(".tvm");
}

bool isSafeSectionName(const QByteArray &line)
{
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '/' || c == '\\' || c == '*' || c == '?')
            return false;
    }
    return true;
}

QString integratedMessage(int count)
{
    return QStringLiteral("Es wurde(n) ") + QString::number(count) + QStringLiteral(" Modul(e) integriert.")
        + QStringLiteral("\r\n\n") + QStringLiteral("Die neuen Einträge sind ab sofort verfügbar.");
}

ModulUpdate::ModulUpdate(TZipAccess &zip)
    : m_zip(zip)
{
}

bool ModulUpdate::IntegrateModul(const QString &updatePath)
{
    m_info.UpdatePath = updatePath;
    m_info.UpdateName = updatePath.mid(updatePath.lastIndexOf(u'/') + 1);
    if (fileExistsIn(GetProgramDir(), toCp1252(modulFileName(m_info.UpdateName))))
        return false;
    m_sectionFiles.clear();
    m_failures.clear();
    if (!ExtractUpdateCatalogue())
        return false;
    UpdateCatalogueFiles();
    const bool installed = InstallModul();
    reportFailures(installed);
    m_sectionFiles.clear();
    return installed;
}

bool ModulUpdate::ExtractUpdateCatalogue()
{
    const QString work = GetWorkDir();
    removeWorkCopies({ kSectionsFile, kVersionFile });
    try {
        m_zip.setZipFilename(m_info.UpdatePath);
    } catch (const Error &e) {
        refuse(QStringLiteral("es kann nicht gelesen werden (%1).").arg(e.message()));
        return false;
    }
    m_zip.setFSpecArgs({ kSectionsFile, kVersionFile });
    m_zip.setExtrBaseDir(work);
    m_zip.Extract();
    m_versionCopy = resolveName(work, kVersionFile);

    QList<QByteArray> lines;
    try {
        lines = readLines(resolveName(work, kSectionsFile));
    } catch (const IoError &) {
        // An archive without Sections.dat lists no Section files.
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!isSafeSectionName(lines[i])) {
            removeUpdateCatalogue();
            refuse(QStringLiteral("Zeile %1 seiner Sections.dat ist kein gültiger Abschnittsname. "
                                  "Abschnittsnamen dürfen weder \"/\", \"\\\", \"*\", \"?\" noch "
                                  "Steuerzeichen enthalten.")
                       .arg(i + 1));
            return false;
        }
        m_sectionFiles.append(sectionFileName(lines[i]));
    }
    return true;
}

void ModulUpdate::removeUpdateCatalogue()
{
    removeWorkCopies(m_sectionFiles + QList<QByteArray> { kVersionFile, kSectionsFile });
}

bool ModulUpdate::CheckNewerVersion(const QByteArray &key) const
{
    return ini::readInteger(programFile(kVersionFile), kCheckVersion, key, 0)
        < ini::readInteger(m_versionCopy, kCheckVersion, key, 0);
}

void ModulUpdate::UpdateCatalogueFiles()
{
    const QString work = GetWorkDir();
    removeWorkCopies(m_sectionFiles);
    m_zip.setZipFilename(m_info.UpdatePath);
    m_zip.setFSpecArgs(m_sectionFiles);
    m_zip.setExtrBaseDir(work);
    m_zip.Extract();
    for (const QByteArray &name : std::as_const(m_sectionFiles)) {
        if (CheckNewerVersion(name))
            carryFile(name, name);
    }
    // Sections.dat names the Section files that must exist, so it goes last and
    // only onto a catalogue that holds them all: the start-up check would
    // otherwise refuse the catalogue for good.
    if (!CheckNewerVersion(kSectionsKey))
        return;
    const QByteArray missing = missingSectionFile();
    if (missing.isEmpty())
        carryFile(kSectionsFile, kSectionsKey);
    else
        m_failures.append(
            QStringLiteral("%1: %2 fehlt").arg(QLatin1String(kSectionsFile), fromCp1252(missing)));
}

QByteArray ModulUpdate::missingSectionFile() const
{
    for (const QByteArray &name : m_sectionFiles) {
        if (!fileExistsIn(GetProgramDir(), name))
            return name;
    }
    return QByteArray();
}

void ModulUpdate::carryFile(const QByteArray &name, const QByteArray &versionKey)
{
    QString reason;
    if (replaceFile(resolveName(GetWorkDir(), name), programFile(name), &reason))
        raiseVersion(versionKey);
    else
        m_failures.append(fromCp1252(name) + QStringLiteral(": ") + reason);
}

void ModulUpdate::raiseVersion(const QByteArray &key)
{
    const QByteArray value = ini::readString(m_versionCopy, kCheckVersion, key, QByteArray());
    ini::writeString(programFile(kVersionFile), kCheckVersion, key, value);
}

bool ModulUpdate::InstallModul()
{
    const qint32 date = ini::readInteger(m_versionCopy, kModulDate, "Date", 0);
    const QByteArray dateText = ini::readString(m_versionCopy, kModulDate, "Date", QByteArray());
    removeUpdateCatalogue();

    const QByteArray modul = toCp1252(modulFileName(m_info.UpdateName));
    StagedFile staged(GetProgramDir());
    QString reason;
    if (!staged.copyFrom(m_info.UpdatePath, &reason)) {
        m_failures.append(fromCp1252(modul) + QStringLiteral(": ") + reason);
        return false;
    }
    m_zip.setZipFilename(staged.path());
    m_zip.setFSpecArgs(m_sectionFiles + QList<QByteArray> { kVersionFile, kSectionsFile });
    m_zip.Delete();

    // The date goes before the rename: should the rename fail, the next run
    // installs the module again and finds the date already carried over.
    const QString installed = programFile(kVersionFile);
    if (ini::readInteger(installed, kModulDate, "Date", 0) < date) {
        ini::writeString(installed, kModulDate, "Modul", modul);
        ini::writeString(installed, kModulDate, "Date", dateText);
    }
    if (!staged.commit(programFile(modul), &reason)) {
        m_failures.append(fromCp1252(modul) + QStringLiteral(": ") + reason);
        return false;
    }
    return true;
}

void ModulUpdate::refuse(const QString &reason)
{
    showMessage(MessageKind::Error,
        QStringLiteral("Das Modulupdate '%1' wird nicht integriert: %2").arg(m_info.UpdateName, reason));
}

void ModulUpdate::reportFailures(bool installed)
{
    if (m_failures.isEmpty())
        return;
    QString text = QStringLiteral("Das Modulupdate '%1' wurde nicht vollständig integriert. "
                                  "Diese Dateien konnten nicht ins Programmverzeichnis geschrieben werden:")
                       .arg(m_info.UpdateName);
    // A box must fit on the screen, even for an update of a thousand Section files.
    constexpr qsizetype kShown = 20;
    QStringList lines = m_failures.mid(0, kShown);
    if (m_failures.size() > kShown)
        lines.append(QStringLiteral("... und %1 weitere").arg(m_failures.size() - kShown));
    text += QStringLiteral("\r\n\r\n") + lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n\r\n");
    text += installed ? QStringLiteral("Die bisherigen Fassungen dieser Dateien bleiben erhalten.")
                      : QStringLiteral("Das Modul wurde nicht installiert; das Modulupdate wird beim "
                                       "nächsten Mal erneut integriert.");
    showMessage(MessageKind::Error, text);
}

int IntegrateUpdates(TZipAccess &zip, const QString &folder)
{
    QStringList updateFiles;
    FindUpdateFiles(folder, updateFiles);
    ModulUpdate update(zip);
    int count = 0;
    for (const QString &path : std::as_const(updateFiles)) {
        if (update.IntegrateModul(path))
            ++count;
    }
    return count;
}

} // namespace tv
