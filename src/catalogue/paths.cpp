// SPDX-License-Identifier: GPL-3.0-or-later
#include "paths.h"

#include "cp1252.h"
#include "errors.h"
#include "seam.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tv {
namespace {

QString &programDirOverride()
{
    static QString dir;
    return dir;
}

QString executableDir()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return QStringLiteral("/");
    QString path = QFile::decodeName(QByteArray(buffer, n));
    return path.left(path.lastIndexOf(u'/') + 1);
}

bool lstatPath(const QString &path, struct stat *st)
{
    return ::lstat(QFile::encodeName(path).constData(), st) == 0;
}

} // namespace

QString withSeparator(QString dir)
{
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

QString GetProgramDir()
{
    const QString &over = programDirOverride();
    return withSeparator(over.isEmpty() ? executableDir() : over);
}

void setProgramDirOverride(const QString &dir)
{
    programDirOverride() = dir;
}

QString GetExecutableDir()
{
    return withSeparator(executableDir());
}

namespace {

/// `dir` (no final "/") as a private directory of ours: created with mode 0700
/// when missing; a symbolic link, a folder of another user or anything but a
/// directory is refused.
QString privateDirectory(const QString &dir)
{
    const QByteArray native = QFile::encodeName(dir);
    struct stat st
    {
    };
    if (::lstat(native.constData(), &st) != 0) {
        if (errno != ENOENT)
            throw IoError(IoError::codeFromErrno(errno));
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
            throw IoError(IoError::codeFromErrno(errno));
        if (::lstat(native.constData(), &st) != 0)
            throw IoError(IoError::codeFromErrno(errno));
    }
    if (S_ISLNK(st.st_mode) || st.st_uid != ::geteuid())
        throw IoError(5);
    if (!S_ISDIR(st.st_mode))
        throw IoError(IoError::codeFromErrno(EEXIST));
    if ((st.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0)
        throw IoError(5);
    return dir + u'/';
}

bool ownedByAnotherUser(const QString &path)
{
    struct stat st
    {
    };
    return lstatPath(path, &st) && st.st_uid != ::geteuid();
}

/// Where the Work directory lies or will lie, without making it.
QString sharedWorkPath()
{
    QString temp = qEnvironmentVariable("TMPDIR");
    if (temp.isEmpty() || !temp.startsWith(u'/'))
        temp = QStringLiteral("/tmp");
    const QString shared = withSeparator(temp) + QStringLiteral("TIPVAULT");
    // Several users share one /tmp: when another user's program made "TIPVAULT",
    // ours works beside it. Once made, ours stays in use, even when theirs goes.
    const QString own = shared + u'-' + QString::number(::geteuid());
    struct stat st
    {
    };
    return lstatPath(own, &st) || ownedByAnotherUser(shared) ? own : shared;
}

} // namespace

QString GetSharedWorkDir()
{
    return privateDirectory(sharedWorkPath());
}

QString GetWorkDir()
{
    const QString folder = QString::number(::getpid());
    // A process closing at this moment may remove the Work directory between
    // our making it and making our folder in it: then we make both again.
    for (int attempt = 0;; ++attempt) {
        try {
            return privateDirectory(GetSharedWorkDir() + folder);
        } catch (const IoError &e) {
            if (attempt == 2 || e.code() != IoError::codeFromErrno(ENOENT))
                throw;
        }
    }
}

bool isProcessGone(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

namespace {

/// The process numbers of the folders in the Work directory, with whether
/// their process still runs.
QList<std::pair<QString, bool>> processFolders(const QString &shared)
{
    QList<std::pair<QString, bool>> folders;
    const QStringList names = QDir(shared).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks);
    for (const QString &name : names) {
        bool number = false;
        const qlonglong pid = name.toLongLong(&number);
        if (!number || pid <= 0 || QString::number(pid) != name)
            continue;
        folders.append({ name, !isProcessGone(pid) });
    }
    return folders;
}

/// Removes the folders of gone processes; true when no folder of another
/// running process is left.
bool removeGoneFolders(const QString &shared)
{
    const QString own = QString::number(::getpid());
    bool alone = true;
    for (const auto &[name, running] : processFolders(shared)) {
        if (!running)
            QDir(shared + name).removeRecursively();
        else if (name != own)
            alone = false;
    }
    return alone;
}

/// Empties `dir` of its plain files and removes it when that leaves it empty.
void clearAndRemove(const QString &dir)
{
    ClearDirectory(dir);
    // Leave the folder, so that nothing of ours keeps it busy.
    if (::chdir("/") != 0) { }
    QDir().rmdir(dir);
}

} // namespace

void sweepWorkDirectory()
{
    struct stat st
    {
    };
    if (!lstatPath(sharedWorkPath(), &st))
        return; // nothing to sweep, and nothing is made
    try {
        removeGoneFolders(GetSharedWorkDir());
    } catch (const Error &) {
        // Nothing of ours can lie in a Work directory we may not use.
    }
}

void releaseWorkDirectory()
{
    try {
        clearAndRemove(GetWorkDir());
        const QString shared = GetSharedWorkDir();
        // Another process's files stay; its closing removes the Work directory.
        if (removeGoneFolders(shared))
            clearAndRemove(shared); // goes only when empty: a process starting now keeps it
    } catch (const Error &) {
        // A Work directory we may not use is left as it is.
    }
}

QByteArray ConvertUmlaut(QByteArray text, bool toUmlaut)
{
    if (toUmlaut) {
        for (qsizetype i = text.indexOf("ae"); i >= 0; i = text.indexOf("ae", i))
            text.replace(i, 2, "\xE4");
    } else {
        for (qsizetype i = text.indexOf('\xE4'); i >= 0; i = text.indexOf('\xE4', i))
            text.replace(i, 1, "ae");
    }
    return text;
}

void ClearDirectory(const QString &dir)
{
    const QByteArray native = QFile::encodeName(dir);
    DIR *d = ::opendir(native.constData());
    if (!d)
        return;
    while (const dirent *e = ::readdir(d)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        ::unlink((native + name).constData()); // directories stay: unlink refuses them
    }
    ::closedir(d);
}

std::optional<QString> SelectFolder(Seam &seam)
{
    const QString folder = seam.chooseFolder(QStringLiteral("Zielverzeichnis wählen:"));
    if (folder.isEmpty())
        return std::nullopt;
    return withSeparator(folder);
}

QString resolveName(const QString &dir, const QByteArray &name)
{
    // The system would read the name only up to a NUL: such a name names no file.
    if (name.contains('\0'))
        return QString();
    const QString display = fromCp1252(name);
    const QString direct = dir + display;
    struct stat st
    {
    };
    if (name.isEmpty() || lstatPath(direct, &st))
        return direct;

    const QByteArray wanted = display.toUtf8();
    const QByteArray nativeDir = QFile::encodeName(dir);
    DIR *d = ::opendir(nativeDir.constData());
    if (!d)
        return direct;
    QString found = direct;
    while (const dirent *e = ::readdir(d)) {
        const QByteArray entry(e->d_name);
        if (equalsIgnoringAsciiCase(entry, wanted)) {
            found = dir + QFile::decodeName(entry);
            break;
        }
    }
    ::closedir(d);
    return found;
}

bool isBareName(const QByteArray &name)
{
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') && !name.contains('\\')
        && !name.contains('\0');
}

QString workFile(const QByteArray &name)
{
    if (!isBareName(name))
        return QString();
    return resolveName(GetWorkDir(), name);
}

void removeWorkCopies(const QList<QByteArray> &names)
{
    QSet<QByteArray> wanted;
    for (const QByteArray &name : names)
        wanted.insert(upperAscii(fromCp1252(name).toUtf8()));
    const QString work = GetWorkDir();
    const QStringList entries = QDir(work).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (wanted.contains(upperAscii(QFile::encodeName(entry))))
            QFile::remove(work + entry);
    }
}

bool fileExistsIn(const QString &dir, const QByteArray &name)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(resolveName(dir, name)).constData(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace tv
