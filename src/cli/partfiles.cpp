// SPDX-License-Identifier: GPL-3.0-or-later
#include "partfiles.h"

#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/paths.h"
#include "catalogue/textlines.h"
#include "cli/clierror.h"
#include "cli/names.h"
#include "zip/enginefailures.h"

#include <QDir>
#include <QFileInfo>

namespace tv::cli {
namespace {

/// Puts the current directory back however an extraction ends.
class CurrentDirGuard
{
public:
    CurrentDirGuard()
        : m_dir(QDir::currentPath())
    {
    }
    ~CurrentDirGuard() { QDir::setCurrent(m_dir); }
    CurrentDirGuard(const CurrentDirGuard &) = delete;
    CurrentDirGuard &operator=(const CurrentDirGuard &) = delete;

private:
    QString m_dir;
};

// The engines read "*" and "?" as wildcards: such a name would not stand for itself.
bool isLiteralSpec(const QByteArray &name)
{
    return !name.contains('*') && !name.contains('?');
}

constexpr int kNoEntriesCode = 1036; // the listing's "No valid zip entries found"

} // namespace

QByteArray flatMemberName(const QByteArray &stored)
{
    const qsizetype cut = std::max(stored.lastIndexOf('/'), stored.lastIndexOf('\\'));
    return stored.mid(cut + 1);
}

PartFiles::PartFiles(Seam &seam, const QString &engineDir)
    : m_zip(seam)
{
    m_zip.setEngineDirectory(engineDir);
    if (!m_scratch.isValid())
        throw CliError(QStringLiteral("Kein temporärer Ordner: %1").arg(m_scratch.errorString()));
}

QString PartFiles::scratch()
{
    // One folder per fetch: part files of different modules may share a name.
    const QString dir = m_scratch.filePath(QString::number(++m_fetched)) + u'/';
    if (!QDir().mkpath(dir))
        throw CliError(QStringLiteral("Der Ordner '%1' kann nicht angelegt werden.").arg(dir));
    return dir;
}

int PartFiles::extract(const QString &archive, const QList<QByteArray> &specs, const QString &dir,
    bool overwrite, QStringList *failures)
{
    const CurrentDirGuard guard;
    m_zip.setZipFilename(archive);
    m_zip.setExtrOptions(overwrite ? ExtrOpts(ExtrOverWrite) : ExtrOpts());
    m_zip.setFSpecArgs(specs);
    m_zip.setExtrBaseDir(dir);
    const EngineFailures said(m_zip);
    m_zip.Extract();
    if (failures)
        *failures = said.texts();
    return m_zip.ProcessedCount();
}

QString PartFiles::fetch(const Part &part)
{
    if (!part.moduleInstalled())
        throw CliError(QStringLiteral("Das Modul '") + shownName(part.modul)
            + QStringLiteral(".tvm' ist nicht installiert oder es ist beschädigt."));
    if (!isBareName(part.file) || !isLiteralSpec(part.file))
        throw CliError(QStringLiteral("Der Dateiname '%1' von Teil %2 bezeichnet keine Datei.")
                           .arg(shownName(part.file))
                           .arg(part.number));
    const QString dir = scratch();
    QStringList failures;
    extract(moduleFile(part.modul), { part.file }, dir, true, &failures);
    const QString path = resolveName(dir, part.file);
    if (QFileInfo(path).isFile())
        return path;
    // The member is there but could not be read: say why, not that it is missing.
    if (!failures.isEmpty())
        throw CliError(QStringLiteral("Teil %1 ('%2' im Modul '%3.tvm') kann nicht gelesen werden: %4")
                           .arg(part.number)
                           .arg(shownName(part.file), shownName(part.modul), failures.join(u' ')));
    throw CliError(QStringLiteral("Die Datei '%1' fehlt im Modul '%2.tvm'.")
                       .arg(shownName(part.file), shownName(part.modul)));
}

QByteArray PartFiles::read(const Part &part)
{
    const QString path = fetch(part);
    const QByteArray bytes = readFileBytes(path);
    QFile::remove(path);
    return bytes;
}

QList<ZipDirEntry> PartFiles::members(const QString &path)
{
    QStringList said;
    const TZipAccess::MessageEvent previous = m_zip.OnMessage();
    m_zip.setOnMessage([&said](TZipAccess &, int code, const QString &text) {
        if (code == kNoEntriesCode)
            said << text;
    });
    try {
        m_zip.setZipFilename(path);
    } catch (...) {
        m_zip.setOnMessage(previous);
        throw;
    }
    m_zip.setOnMessage(previous);
    if (!said.isEmpty())
        throw CliError(QStringLiteral("Das Archiv '%1' ist kein ZIP-Archiv oder es ist beschädigt (%2).")
                           .arg(QFileInfo(path).fileName(), said.join(QStringLiteral("; "))));
    return m_zip.DirEntries();
}

QByteArray PartFiles::readMember(const QString &archive, const QByteArray &name)
{
    for (const ZipDirEntry &member : members(archive)) {
        if (!equalsIgnoringAsciiCase(member.FileName, name) || !isLiteralSpec(member.FileName))
            continue;
        const QString dir = scratch();
        extract(archive, { member.FileName }, dir, true, nullptr);
        const QString path = resolveName(dir, flatMemberName(member.FileName));
        if (QFileInfo(path).isFile())
            return readFileBytes(path);
    }
    return QByteArray();
}

int PartFiles::extractAll(const QString &archive, const QString &dir, bool force)
{
    const QString target = withSeparator(QFileInfo(dir).absoluteFilePath());
    if (!force) {
        QStringList present;
        // A first look by the listing's names, which are the engine's; what the
        // engine then keeps anyway is reported as a failure below.
        for (const ZipDirEntry &member : members(archive)) {
            const QString name = member.Name.mid(std::max(member.Name.lastIndexOf(u'/'), member.Name.lastIndexOf(u'\\')) + 1);
            const QFileInfo there(target + name);
            // A dangling link counts too: the engine would replace it.
            if (!name.isEmpty() && !present.contains(name) && (there.exists() || there.isSymLink()))
                present << name;
        }
        if (!present.isEmpty())
            throw CliError(QStringLiteral("In '%1' liegen schon Dateien dieser Namen; nichts wurde entpackt "
                                          "(--force ersetzt sie):\n  %2")
                               .arg(target, present.join(QStringLiteral("\n  "))));
    }
    QStringList failures;
    const int count = extract(archive, { "*" }, target, force, &failures);
    if (!failures.isEmpty())
        throw CliError(QStringLiteral("Es wurde(n) %1 Datei(en) nach '%2' entpackt, aber nicht alle:\n  %3")
                           .arg(count)
                           .arg(target, failures.join(QStringLiteral("\n  "))));
    return count;
}

} // namespace tv::cli
