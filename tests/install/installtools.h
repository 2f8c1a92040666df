// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QSet>
#include <QString>
#include <QStringList>

/// What a command did: its exit code (-1 when it did not start or crashed)
/// and its output.
struct CommandResult
{
    int code = -1;
    QByteArray out;
    QByteArray err;
    QString describe() const; // for failure messages
};

/// Runs `program` with `args` to its end (five minutes at most).
CommandResult runCommand(const QString &program, const QStringList &args,
    const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment(),
    const QString &workDir = QString());

/// The permission bits of `path` itself (a link is not followed); -1 when it is missing.
int modeOf(const QString &path);
/// The target a symbolic link holds, as written; empty when `path` is no link.
QString linkTarget(const QString &path);

/// @short Which files of one folder have been opened since it started watching (inotify).
///
/// Shows that a started program really read its catalogue from the folder.
class OpenWatch
{
public:
    explicit OpenWatch(const QString &dir);
    ~OpenWatch();
    OpenWatch(const OpenWatch &) = delete;
    OpenWatch &operator=(const OpenWatch &) = delete;

    bool valid() const { return m_wd >= 0; }
    bool opened(const QString &name);

private:
    int m_fd = -1;
    int m_wd = -1;
    QSet<QString> m_opened;
};

/// @short A folder made read-only for as long as the object lives: a
/// read-only bind mount over itself.
///
/// Root writes into any folder whatever its modes, so a system install that
/// the user cannot write is imitated this way. Needs root; available() is
/// false elsewhere and the test should QSKIP with skipReason().
class ReadOnlyMount
{
public:
    explicit ReadOnlyMount(const QString &dir);
    ~ReadOnlyMount();
    ReadOnlyMount(const ReadOnlyMount &) = delete;
    ReadOnlyMount &operator=(const ReadOnlyMount &) = delete;

    bool available() const { return m_readOnly; }
    QString skipReason() const { return m_reason; }

private:
    QString m_dir;
    bool m_mounted = false;
    bool m_readOnly = false;
    QString m_reason;
};
