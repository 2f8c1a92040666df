// SPDX-License-Identifier: GPL-3.0-or-later
#include "modulupdate.h"

#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/errors.h"
#include "catalogue/ini.h"
#include "catalogue/paths.h"
#include "catalogue/posixio.h"
#include "catalogue/seam.h"
#include "catalogue/textlines.h"
#include "updates/stagedfile.h"
#include "updates/updatefiles.h"
#include "zip/zipaccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <sys/stat.h>
#include <unistd.h>

namespace tv {
namespace {

constexpr char kCheckVersion[] = "CheckVersion";
constexpr char kModuleDate[] = "ModulDate";
constexpr char kSectionsKey[] = "Section";
constexpr int kNoEntriesCode = 1036; // the listing found no entry

/// Left-overs: our staged files and the ZIP engine's working copies, with
/// whatever a writer put beside one of them (libzip appends ".XXXXXX").
const QRegularExpression kStagedName(
    QStringLiteral("^\\.(tipvault|zipengine)-[A-Za-z0-9]{6}(\\.[A-Za-z0-9]{6})?$"));
/// The UNZIP engine's temporary in the extraction directory: ".unzipengine-<pid>-<n>".
const QRegularExpression kUnzipTempName(QStringLiteral("^\\.unzipengine-([0-9]{1,9})-[0-9]+$"));

/// The file-system form of a catalogue name with its ASCII letters folded, as
/// resolveName compares names.
QByteArray foldedDiskName(const QByteArray &cp1252Name)
{
    return upperAscii(fromCp1252(cp1252Name).toUtf8());
}

/// The component's messages come to the integration while it runs, not in boxes of their own.
class ZipMessagesTaken
{
public:
    /// The listing's "No valid zip entries found" (code 1036) goes to `listing`,
    /// everything else (the engines, a missing engine) to `messages`.
    ZipMessagesTaken(TZipAccess &zip, QStringList &listing, QStringList &messages)
        : m_zip(zip)
        , m_unattended(zip.Unattended())
        , m_previous(zip.OnMessage())
    {
        m_zip.setUnattended(true);
        m_zip.setOnMessage([&listing, &messages](TZipAccess &, int code, const QString &text) {
            (code == kNoEntriesCode ? listing : messages).append(text);
        });
    }
    ~ZipMessagesTaken()
    {
        m_zip.setOnMessage(m_previous);
        m_zip.setUnattended(m_unattended);
    }
    ZipMessagesTaken(const ZipMessagesTaken &) = delete;
    ZipMessagesTaken &operator=(const ZipMessagesTaken &) = delete;

private:
    TZipAccess &m_zip;
    bool m_unattended;
    TZipAccess::MessageEvent m_previous;
};

/// A member name as the engines compare it: UTF-8, from Windows-1252 unless
/// the entry is flagged as UTF-8 (general purpose bit 11).
QByteArray memberName(const ZipDirEntry &entry)
{
    return entry.flags() & 0x0800 ? entry.FileName : fromCp1252(entry.FileName).toUtf8();
}

/// How many listed members the engines will take for `names`: they match
/// whole names without regard to ASCII case.
int countMembers(const QList<ZipDirEntry> &entries, const QList<QByteArray> &names)
{
    QList<QByteArray> wanted;
    for (const QByteArray &name : names)
        wanted.append(fromCp1252(name).toUtf8());
    int count = 0;
    for (const ZipDirEntry &entry : entries) {
        const QByteArray member = memberName(entry);
        for (const QByteArray &name : std::as_const(wanted)) {
            if (equalsIgnoringAsciiCase(member, name)) {
                ++count;
                break;
            }
        }
    }
    return count;
}

/// For a box: a line feed in a name would break the text, so control
/// characters show as "?".
QString shownName(QString name)
{
    for (QChar &c : name) {
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
            c = u'?';
    }
    return name;
}

/// Removes the plain files of `dir` whose names `isLeftover` accepts.
void removeFilesIn(const QString &dir, const std::function<bool(const QString &name)> &isLeftover)
{
    const QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (!isLeftover(name))
            continue;
        const QByteArray path = QFile::encodeName(dir + name);
        struct stat st
        {
        };
        if (::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode))
            ::unlink(path.constData());
    }
}

} // namespace

/// A catalogue file or the Version file, ready beside its target.
struct ModulUpdate::Prepared
{
    QByteArray name; // as the catalogue spells it: "Section_Grafik.dat"
    QString target;
    StagedFile file;

    Prepared(const QByteArray &fileName, const QString &targetPath)
        : name(fileName)
        , target(targetPath)
        , file(GetProgramDir())
    {
    }
};

QString moduleFileName(const QString &updateName)
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

QString updateNameProblem(const QString &updateName)
{
    for (const QChar c : updateName) {
        // The five bytes 1252 leaves unassigned come back as C1 controls; they count as controls too.
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F))
            return QStringLiteral("sein Dateiname enthält Steuerzeichen.");
    }
    if (fromCp1252(toCp1252(updateName)) != updateName)
        return QStringLiteral("sein Dateiname enthält Zeichen, die es im Zeichensatz Windows-1252 "
                              "nicht gibt; der Katalog kann das Modul so nicht benennen.");
    return QString();
}

QString integratedMessage(int count)
{
    return QStringLiteral("Es wurde(n) ") + QString::number(count) + QStringLiteral(" Modul(e) integriert.")
        + QStringLiteral("\r\n\n") + QStringLiteral("Die neuen Einträge sind ab sofort verfügbar.");
}

ModulUpdate::ModulUpdate(Seam &seam, TZipAccess &zip, StepObserver observer)
    : m_seam(seam)
    , m_zip(zip)
    , m_observer(std::move(observer))
{
}

ModulUpdate::~ModulUpdate()
{
    // The last module's rename; those before it were made durable by the
    // folder syncs of the archives after them.
    if (!m_unsyncedFolder.isEmpty())
        posix::syncFolder(m_unsyncedFolder.constData());
}

bool ModulUpdate::IntegrateModul(const QString &updatePath)
{
    m_info.UpdatePath = updatePath;
    m_info.UpdateName = updatePath.mid(updatePath.lastIndexOf(u'/') + 1);
    const QString nameProblem = updateNameProblem(m_info.UpdateName);
    if (!nameProblem.isEmpty()) {
        refuse(nameProblem);
        return false;
    }
    if (fileExistsIn(GetProgramDir(), toCp1252(moduleFileName(m_info.UpdateName))))
        return false;
    m_sectionFiles.clear();
    m_failure.clear();
    m_prepared.clear();
    m_raised.clear();
    bool integrated = false;
    {
        const ZipMessagesTaken taken(m_zip, m_listingMessages, m_zipMessages);
        try {
            integrated = integrate();
        } catch (...) {
            removeUpdateCatalogue();
            m_prepared.clear();
            throw;
        }
    }
    removeUpdateCatalogue();
    m_prepared.clear();
    if (!m_failure.isEmpty())
        reportFailure();
    m_sectionFiles.clear();
    return integrated;
}

bool ModulUpdate::integrate()
{
    return ExtractUpdateCatalogue() && UpdateCatalogueFiles() && InstallModul();
}

bool ModulUpdate::ExtractUpdateCatalogue()
{
    const QString work = GetWorkDir();
    removeWorkCopies({ kSectionsFile, kVersionFile });
    m_listingMessages.clear();
    try {
        m_zip.setZipFilename(m_info.UpdatePath);
    } catch (const Error &e) {
        refuse(QStringLiteral("es kann nicht gelesen werden (%1).").arg(e.message()));
        return false;
    }
    if (m_zip.EntryCount() == 0) {
        // A file that is no ZIP archive at all, or one without a single entry.
        const QString why = m_listingMessages.join(QStringLiteral("; "));
        refuse(why.isEmpty() ? QStringLiteral("es enthält keine Einträge.")
                             : QStringLiteral("es enthält keine gültigen Einträge (%1).").arg(why));
        return false;
    }
    tell(UpdateStep::Extracting, kSectionsFile);
    if (!extract({ kSectionsFile, kVersionFile },
            QStringLiteral("Entpacken von Sections.dat und CheckVersion.dat")))
        return false;
    m_versionCopy = resolveName(work, kVersionFile);

    QList<QByteArray> lines;
    try {
        lines = readLines(resolveName(work, kSectionsFile));
    } catch (const IoError &) {
        // An archive without Sections.dat lists no Section files.
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!isSafeSectionName(lines[i])) {
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

bool ModulUpdate::openArchive(const QString &path, const QString &what)
{
    try {
        m_zip.setZipFilename(path);
    } catch (const Error &e) {
        fail(what, e.message());
        return false;
    }
    return true;
}

bool ModulUpdate::takeZipMessages(const QString &what)
{
    if (m_zipMessages.isEmpty())
        return true;
    // A box must fit on the screen, even when a thousand Section files failed.
    constexpr qsizetype kShown = 5;
    QStringList shown = m_zipMessages.mid(0, kShown);
    if (m_zipMessages.size() > kShown)
        shown.append(QStringLiteral("... und %1 weitere").arg(m_zipMessages.size() - kShown));
    fail(what, shown.join(QStringLiteral("\r\n")));
    m_zipMessages.clear();
    return false;
}

/// Extracts `names` of the listed update into the Work directory. Every member
/// the listing found must arrive, and the engine must not have complained.
bool ModulUpdate::extract(const QList<QByteArray> &names, const QString &what)
{
    if (names.isEmpty())
        return true;
    const int expected = countMembers(m_zip.DirEntries(), names);
    m_zipMessages.clear();
    m_zip.setFSpecArgs(names);
    m_zip.setExtrBaseDir(GetWorkDir());
    m_zip.Extract();
    if (!takeZipMessages(what))
        return false;
    if (m_zip.ProcessedCount() < expected) {
        fail(what,
            QStringLiteral("nur %1 von %2 Dateien wurden entpackt")
                .arg(m_zip.ProcessedCount())
                .arg(expected));
        return false;
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

bool ModulUpdate::UpdateCatalogueFiles()
{
    removeWorkCopies(m_sectionFiles);
    tell(UpdateStep::Extracting, m_sectionFiles.value(0));
    if (!extract(m_sectionFiles, QStringLiteral("Entpacken der Abschnittsdateien")))
        return false;
    QSet<QByteArray> seen;
    for (const QByteArray &name : std::as_const(m_sectionFiles)) {
        // A line twice in Sections.dat names its file twice; it goes in once.
        if (seen.contains(foldedDiskName(name)))
            continue;
        seen.insert(foldedDiskName(name));
        if (CheckNewerVersion(name) && !prepareFile(name, name))
            return false;
    }
    // Sections.dat names the Section files that must exist, so it goes in last
    // and only onto a catalogue that holds them all: the start-up check would
    // otherwise refuse the catalogue for good.
    if (!CheckNewerVersion(kSectionsKey))
        return true;
    for (const QByteArray &name : std::as_const(m_sectionFiles)) {
        if (!isInPlaceAfterwards(name)) {
            fail(QLatin1String(kSectionsFile), fromCp1252(name) + QStringLiteral(" fehlt"));
            return false;
        }
    }
    return prepareFile(kSectionsFile, kSectionsKey);
}

bool ModulUpdate::isInPlaceAfterwards(const QByteArray &name) const
{
    if (fileExistsIn(GetProgramDir(), name))
        return true;
    const QByteArray folded = foldedDiskName(name);
    for (const auto &prepared : m_prepared) {
        if (foldedDiskName(prepared->name) == folded)
            return true;
    }
    return false;
}

bool ModulUpdate::prepareFile(const QByteArray &name, const QByteArray &versionKey)
{
    auto prepared = std::make_unique<Prepared>(name, programFile(name));
    tell(UpdateStep::Staging, name);
    QString reason;
    if (!canReplace(prepared->target, &reason)
        || !prepared->file.copyFrom(resolveName(GetWorkDir(), name), &reason)) {
        fail(fromCp1252(name), reason);
        return false;
    }
    m_prepared.push_back(std::move(prepared));
    m_raised.append({ versionKey, ini::readString(m_versionCopy, kCheckVersion, versionKey, QByteArray()) });
    return true;
}

bool ModulUpdate::InstallModul()
{
    const QByteArray modul = toCp1252(moduleFileName(m_info.UpdateName));
    const QString what = fromCp1252(modul);
    const QString target = programFile(modul);
    StagedFile staged(GetProgramDir());
    tell(UpdateStep::Staging, modul);
    QString reason;
    if (!canReplace(target, &reason) || !staged.copyFrom(m_info.UpdatePath, &reason)) {
        fail(what, reason);
        return false;
    }
    tell(UpdateStep::Deleting, modul);
    bool rewritten = false;
    if (!deleteCatalogueFrom(staged.path(), &rewritten) || !prepareVersionFile())
        return false;

    // Everything reaches the disk before anything goes in place; a module the
    // ZIP engine rewrote is a copy it synced before it renamed it.
    for (const auto &prepared : m_prepared) {
        if (!prepared->file.sync(&reason)) {
            fail(fromCp1252(prepared->name), reason);
            return false;
        }
    }
    if (!rewritten && !staged.sync(&reason)) {
        fail(what, reason);
        return false;
    }

    // Now it goes in place, the module last, so that an archive whose module
    // exists is always integrated whole.
    bool renamedSinceSync = false;
    for (const auto &prepared : m_prepared) {
        if (!putInPlace(*prepared, &renamedSinceSync))
            return false;
    }
    if (renamedSinceSync)
        syncProgramDir();
    tell(UpdateStep::Replacing, modul);
    if (!staged.renameTo(target, &reason)) {
        fail(what, reason);
        return false;
    }
    // Nothing depends on this rename: the folder is synced with the next
    // archive's renames, or at the end.
    m_unsyncedFolder = QFile::encodeName(GetProgramDir());
    tell(UpdateStep::Replaced, modul);
    return true;
}

/// Deletes the catalogue files from the staged module and makes sure none is
/// left; `rewritten` tells whether the engine replaced the module by a new file.
bool ModulUpdate::deleteCatalogueFrom(const QString &staged, bool *rewritten)
{
    const QString what = QStringLiteral("Entfernen der Katalogdateien aus dem Modul");
    const QList<QByteArray> names = m_sectionFiles + QList<QByteArray> { kVersionFile, kSectionsFile };
    if (!openArchive(staged, what))
        return false;
    const int expected = countMembers(m_zip.DirEntries(), names);
    if (expected == 0)
        return true;
    m_zipMessages.clear();
    m_zip.setFSpecArgs(names);
    try {
        m_zip.Delete();
    } catch (const Error &e) {
        fail(what, e.message());
        return false;
    }
    if (!takeZipMessages(what))
        return false;
    // With something deleted the component has listed the module again.
    *rewritten = m_zip.ProcessedCount() > 0;
    const int left = *rewritten ? countMembers(m_zip.DirEntries(), names) : expected;
    if (left > 0) {
        fail(what, QStringLiteral("%1 Katalogdateien blieben im Modul").arg(left));
        return false;
    }
    return true;
}

/// The installed Version file with every raised version and a later module
/// date, written beside it in one go.
bool ModulUpdate::prepareVersionFile()
{
    const QString installed = programFile(kVersionFile);
    const qint32 date = ini::readInteger(m_versionCopy, kModuleDate, "Date", 0);
    const bool later = ini::readInteger(installed, kModuleDate, "Date", 0) < date;
    if (m_raised.isEmpty() && !later)
        return true;
    auto prepared = std::make_unique<Prepared>(QByteArray(kVersionFile), installed);
    tell(UpdateStep::Staging, kVersionFile);
    QList<ini::Assignment> changes;
    for (const auto &[key, value] : std::as_const(m_raised))
        changes.append({ kCheckVersion, key, value });
    if (later) {
        changes.append({ kModuleDate, "Modul", toCp1252(moduleFileName(m_info.UpdateName)) });
        changes.append({ kModuleDate, "Date", ini::readString(m_versionCopy, kModuleDate, "Date", {}) });
    }
    // The installed Version file cannot be written whenever this fails: that stops the command.
    QString reason;
    QByteArray content;
    if (!canReplace(installed, &reason)
        || (QFileInfo::exists(installed) && !readRegularFile(installed, &content, &reason)))
        throw WriteError(installed);
    try {
        content = ini::withStrings(content, changes, installed);
    } catch (const WriteError &) {
        throw WriteError(installed);
    }
    if (!prepared->file.createWith(content, &reason))
        throw WriteError(installed);
    m_prepared.push_back(std::move(prepared));
    return true;
}

/// Renames a prepared file into place. Sections.dat must never be seen without
/// the Section files it names, nor CheckVersion.dat without the files whose
/// versions it raises: before either the folder is synced, so that a power
/// cut keeps that order too.
bool ModulUpdate::putInPlace(Prepared &prepared, bool *renamedSinceSync)
{
    const bool ordered = prepared.name == kSectionsFile || prepared.name == kVersionFile;
    if (ordered && *renamedSinceSync) {
        syncProgramDir();
        *renamedSinceSync = false;
    }
    tell(UpdateStep::Replacing, prepared.name);
    QString reason;
    if (!prepared.file.renameTo(prepared.target, &reason)) {
        fail(fromCp1252(prepared.name), reason);
        return false;
    }
    *renamedSinceSync = true;
    m_unsyncedFolder = QFile::encodeName(GetProgramDir());
    tell(UpdateStep::Replaced, prepared.name);
    return true;
}

void ModulUpdate::syncProgramDir()
{
    posix::syncFolder(QFile::encodeName(GetProgramDir()).constData());
    m_unsyncedFolder.clear();
}

void ModulUpdate::tell(UpdateStep step, const QByteArray &file) const
{
    if (m_observer)
        m_observer(step, file);
}

void ModulUpdate::fail(const QString &what, const QString &reason)
{
    m_failure = what + QStringLiteral(": ") + reason;
}

void ModulUpdate::refuse(const QString &reason)
{
    showMessage(m_seam, MessageKind::Error,
        QStringLiteral("Das Modulupdate '%1' wird nicht integriert: %2")
            .arg(shownName(m_info.UpdateName), reason));
}

void ModulUpdate::reportFailure()
{
    showMessage(m_seam, MessageKind::Error,
        QStringLiteral("Das Modulupdate '%1' wurde nicht integriert:\r\n\r\n%2\r\n\r\n"
                       "Das Modul wurde nicht installiert und keine Version erhöht; das Modulupdate "
                       "wird beim nächsten Mal erneut integriert.")
            .arg(shownName(m_info.UpdateName), m_failure));
}

void removeIntegrationLeftovers()
{
    sweepWorkDirectory();
    removeFilesIn(GetProgramDir(), [](const QString &name) { return kStagedName.match(name).hasMatch(); });
    const QString ownPid = QString::number(::getpid());
    removeFilesIn(GetWorkDir(), [&ownPid](const QString &name) {
        const QRegularExpressionMatch match = kUnzipTempName.match(name);
        return match.hasMatch() && match.captured(1) != ownPid && isProcessGone(match.captured(1).toLongLong());
    });
}

IntegrationStopped::IntegrationStopped(const Error &cause, int integrated)
    : Error(cause.message())
    , m_integrated(integrated)
{
}

int IntegrateUpdates(Seam &seam, TZipAccess &zip, const QString &folder, const StepObserver &observer)
{
    int count = 0;
    try {
        removeIntegrationLeftovers();
        QStringList updateFiles;
        FindUpdateFiles(folder, updateFiles);
        ModulUpdate update(seam, zip, observer);
        for (const QString &path : std::as_const(updateFiles)) {
            if (update.IntegrateModul(path))
                ++count;
        }
    } catch (const Error &error) {
        throw IntegrationStopped(error, count);
    }
    return count;
}

} // namespace tv
