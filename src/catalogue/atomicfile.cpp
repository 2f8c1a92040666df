// SPDX-License-Identifier: GPL-3.0-or-later
#include "atomicfile.h"

#include "posixio.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tv {
namespace {

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray("./") : path.left(slash + 1);
}

} // namespace

AtomicFile::AtomicFile(const QString &path, Fallback fallback)
    : m_target(QFile::encodeName(path))
    , m_fallback(fallback)
{
    char resolved[PATH_MAX];
    if (::realpath(m_target.constData(), resolved))
        m_target = resolved;
}

AtomicFile::~AtomicFile()
{
    cancel();
}

bool AtomicFile::fail(int err)
{
    if (m_error == 0)
        m_error = err ? err : EIO;
    cancel();
    return false;
}

bool AtomicFile::open()
{
    cancel();
    m_error = 0;
    m_inPlace = false;
    m_touched = false;
    m_written = 0;
    struct stat st
    {
    };
    const bool exists = ::stat(m_target.constData(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode))
        return fail(S_ISDIR(st.st_mode) ? EISDIR : EACCES);

    QByteArray temp = folderOf(m_target) + ".tipvault-XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (m_fallback == Fallback::InPlace && exists)
            return openInPlace();
        return fail(err);
    }
    m_fd = fd;
    m_temp = temp;
    if (::fchmod(m_fd, exists ? (st.st_mode & 07777) : posix::newFileMode()) != 0)
        return fail(errno);
    return true;
}

bool AtomicFile::openInPlace()
{
    // Not atomic: the target itself is overwritten. Its old bytes are kept in
    // memory, and nothing shortens it before the new content is whole, so a
    // failed write can put them back (the blocks they need are still allocated).
    m_fd = ::open(m_target.constData(), O_RDWR | O_CLOEXEC);
    if (m_fd >= 0) {
        m_oldKnown = posix::readAllInto(m_fd, &m_old) && ::lseek(m_fd, 0, SEEK_SET) == 0;
        if (!m_oldKnown)
            return fail(errno);
    } else {
        m_fd = ::open(m_target.constData(), O_WRONLY | O_CLOEXEC);
        if (m_fd < 0)
            return fail(errno);
    }
    m_inPlace = true;
    return true;
}

bool AtomicFile::write(const QByteArray &data)
{
    if (m_fd < 0)
        return fail(m_error ? m_error : EBADF);
    m_touched = true;
    if (!posix::writeAll(m_fd, data.constData(), data.size()))
        return fail(errno);
    m_written += data.size();
    return true;
}

bool AtomicFile::commit()
{
    if (m_fd < 0)
        return fail(m_error ? m_error : EBADF);
    if (m_inPlace)
        return commitInPlace();
    if (::fsync(m_fd) != 0)
        return fail(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return fail(errno);
    if (::rename(m_temp.constData(), m_target.constData()) != 0)
        return fail(errno);
    m_temp.clear();
    posix::syncFolder(folderOf(m_target).constData());
    return true;
}

bool AtomicFile::commitInPlace()
{
    if (::ftruncate(m_fd, m_written) != 0 || ::fsync(m_fd) != 0)
        return fail(errno);
    m_old.clear();
    m_oldKnown = false;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        m_error = errno;
        return false;
    }
    return true;
}

void AtomicFile::restoreInPlace()
{
    if (!m_oldKnown || ::lseek(m_fd, 0, SEEK_SET) != 0)
        return;
    if (posix::writeAll(m_fd, m_old.constData(), m_old.size()) && ::ftruncate(m_fd, m_old.size()) == 0)
        ::fsync(m_fd);
}

void AtomicFile::cancel()
{
    if (m_fd >= 0) {
        if (m_inPlace && m_touched)
            restoreInPlace();
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_temp.isEmpty()) {
        ::unlink(m_temp.constData());
        m_temp.clear();
    }
    m_old.clear();
    m_oldKnown = false;
}

} // namespace tv
