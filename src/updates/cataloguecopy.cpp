// SPDX-License-Identifier: GPL-3.0-or-later
#include "cataloguecopy.h"

#include "catalogue/errors.h"
#include "catalogue/paths.h"
#include "catalogue/posixio.h"
#include "stagedfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

namespace tv {
namespace {

QString reasonFor(int err)
{
    return IoError::messageFor(IoError::codeFromErrno(err));
}

/// Copies every plain file of `from` into `to`, each through a checked and synced copy.
bool copyFiles(const QString &from, const QString &to, QString *reason)
{
    const QStringList names = QDir(from).entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
    for (const QString &name : names) {
        if (name.startsWith(QStringLiteral(".tipvault-")))
            continue; // what an interrupted integration left is no part of the catalogue
        StagedFile file(to);
        if (!file.copyFrom(from + name, reason) || !file.commit(to + name, reason)) {
            *reason = name + QStringLiteral(": ") + *reason;
            return false;
        }
    }
    return true;
}

/// Renames the finished `staging` to the first free name of `base`, "-2", "-3" ...
bool renameToFreeName(const QString &staging, const QString &base, QString *copy, QString *reason)
{
    for (int n = 1; n < 1000; ++n) {
        const QString target = n == 1 ? base : base + QStringLiteral("-%1").arg(n);
        // rename() would replace an empty folder of that name: only a free name is taken.
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink())
            continue;
        if (::rename(QFile::encodeName(staging).constData(), QFile::encodeName(target).constData()) == 0) {
            *copy = target + u'/';
            return true;
        }
        if (errno != EEXIST && errno != ENOTEMPTY) {
            *reason = reasonFor(errno);
            return false;
        }
    }
    *reason = reasonFor(EEXIST);
    return false;
}

} // namespace

bool isWritableFolder(const QString &dir)
{
    return ::access(QFile::encodeName(dir).constData(), W_OK | X_OK) == 0;
}

QString catalogueCopiesFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/Kataloge/");
}

bool copyCatalogue(const QString &from, const QString &parent, QString *copy, QString *reason)
{
    if (!QDir().mkpath(parent)) {
        *reason = reasonFor(errno ? errno : EACCES);
        return false;
    }
    QByteArray pattern = QFile::encodeName(parent) + ".tipvault-kopie-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        *reason = reasonFor(errno);
        return false;
    }
    const QString staging = QFile::decodeName(pattern);
    QString name = QDir(from).dirName();
    if (name.isEmpty() || name.startsWith(u'.'))
        name = QStringLiteral("Katalog");
    const bool done
        = copyFiles(from, staging + u'/', reason) && renameToFreeName(staging, parent + name, copy, reason);
    if (!done) {
        QDir(staging).removeRecursively();
        return false;
    }
    posix::syncFolder(QFile::encodeName(parent).constData());
    return true;
}

} // namespace tv
