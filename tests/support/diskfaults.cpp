// SPDX-License-Identifier: GPL-3.0-or-later
#include "diskfaults.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {
const char ballastName[] = "ballast";
}

SmallTmpfs::SmallTmpfs(qint64 bytes)
{
    if (!m_dir.isValid()) {
        m_reason = QStringLiteral("no temporary folder for the mount point");
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
    if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, options.constData()) == 0) {
        m_mounted = true;
        return;
    }
    m_reason = QStringLiteral("cannot mount a small tmpfs here (%1): the full-disk case needs root")
                   .arg(QString::fromLocal8Bit(std::strerror(errno)));
}

SmallTmpfs::~SmallTmpfs()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

QString SmallTmpfs::path() const
{
    return m_dir.path() + u'/';
}

void SmallTmpfs::fill()
{
    const QByteArray name = QFile::encodeName(path() + QLatin1String(ballastName));
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0)
        return;
    static const char block[4096] = {};
    // Whole blocks first, then single bytes: the last partly used block of the
    // ballast is full too, so nothing at all is left.
    while (::write(fd, block, sizeof block) > 0) { }
    while (::write(fd, block, 1) > 0) { }
    ::close(fd);
}

void SmallTmpfs::freeBallast()
{
    QFile::remove(path() + QLatin1String(ballastName));
}

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &m_old);
    rlimit limit = m_old;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &m_old);
    std::signal(SIGXFSZ, m_oldHandler);
}

AsNobody::AsNobody()
{
    ::setfsgid(65534);
    ::setfsuid(65534);
    // setfsuid answers with the previous id: asking again tells whether it took.
    m_active = ::setfsuid(65534) == 65534;
}

AsNobody::~AsNobody()
{
    ::setfsuid(0);
    ::setfsgid(0);
}
