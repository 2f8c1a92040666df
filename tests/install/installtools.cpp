// SPDX-License-Identifier: GPL-3.0-or-later
#include "installtools.h"

#include <QFile>
#include <QProcess>

#include <cerrno>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

QString CommandResult::describe() const
{
    return QStringLiteral("exit %1\n%2\n%3")
        .arg(code)
        .arg(QString::fromLocal8Bit(out), QString::fromLocal8Bit(err));
}

CommandResult runCommand(
    const QString &program, const QStringList &args, const QProcessEnvironment &env, const QString &workDir)
{
    QProcess process;
    process.setProcessEnvironment(env);
    if (!workDir.isEmpty())
        process.setWorkingDirectory(workDir);
    process.start(program, args);
    CommandResult result;
    if (!process.waitForFinished(300000)) {
        process.kill();
        process.waitForFinished();
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    if (process.exitStatus() == QProcess::NormalExit && process.error() != QProcess::FailedToStart)
        result.code = process.exitCode();
    return result;
}

int modeOf(const QString &path)
{
    struct stat st
    {
    };
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

QString linkTarget(const QString &path)
{
    char buffer[4096];
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
    return n > 0 ? QFile::decodeName(QByteArray(buffer, int(n))) : QString();
}

OpenWatch::OpenWatch(const QString &dir)
    : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    if (m_fd >= 0)
        m_wd = ::inotify_add_watch(m_fd, QFile::encodeName(dir).constData(), IN_OPEN);
}

OpenWatch::~OpenWatch()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool OpenWatch::opened(const QString &name)
{
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t at = 0; at < n;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if (event->len > 0)
                m_opened.insert(QFile::decodeName(event->name));
            at += ssize_t(sizeof(inotify_event)) + event->len;
        }
    }
    return m_opened.contains(name);
}

ReadOnlyMount::ReadOnlyMount(const QString &dir)
    : m_dir(dir)
{
    if (::geteuid() != 0) {
        m_reason = QStringLiteral("a read-only mount needs root");
        return;
    }
    const CommandResult bind = runCommand(QStringLiteral("mount"), { QStringLiteral("--bind"), dir, dir });
    m_mounted = bind.code == 0;
    const CommandResult ro = m_mounted ? runCommand(QStringLiteral("mount"),
                                 { QStringLiteral("-o"), QStringLiteral("remount,bind,ro"), dir })
                                       : bind;
    // Proof that it took: creating a file fails as on a read-only file system.
    const int fd = ::open(QFile::encodeName(dir + QStringLiteral("/.tipvault-probe")).constData(),
        O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    m_readOnly = ro.code == 0 && fd < 0 && errno == EROFS;
    if (fd >= 0) {
        ::close(fd);
        ::unlink(QFile::encodeName(dir + QStringLiteral("/.tipvault-probe")).constData());
    }
    if (!m_readOnly)
        m_reason = QStringLiteral("no read-only bind mount here: ") + ro.describe();
}

ReadOnlyMount::~ReadOnlyMount()
{
    if (m_mounted)
        runCommand(QStringLiteral("umount"), { m_dir });
}
