// SPDX-License-Identifier: GPL-3.0-or-later
#include "stagedfile.h"

#include "catalogue/errors.h"
#include "catalogue/posixio.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tv {
namespace {

QString reasonFor(int err)
{
    return IoError::messageFor(IoError::codeFromErrno(err));
}

bool fail(QString *reason, int err)
{
    *reason = reasonFor(err);
    return false;
}

/// Copies the open `in` to the open `out`; false with errno set.
bool copyContent(int in, int out)
{
    return posix::readAll(in, [out](const char *data, std::size_t size) {
        return posix::writeAll(out, data, qint64(size));
    });
}

/// Opens a regular file for reading. Non-blocking, so that a FIFO named like an
/// update never hangs the command; it is refused like a directory.
int openSource(const QString &source)
{
    const int fd = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EACCES;
        return -1;
    }
    return fd;
}

/// Flushes a file that someone else may have written and closed; false with errno set.
bool syncFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    const int err = errno;
    if (::close(fd) != 0 || !synced) {
        errno = synced ? errno : err;
        return false;
    }
    return true;
}

} // namespace

StagedFile::StagedFile(const QString &dir)
    : m_dir(dir)
{
}

StagedFile::~StagedFile()
{
    discard();
}

void StagedFile::discard()
{
    if (!m_path.isEmpty())
        ::unlink(QFile::encodeName(m_path).constData());
    m_path.clear();
}

int StagedFile::create(QString *reason)
{
    discard();
    QByteArray name = QFile::encodeName(m_dir) + ".tipvault-XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        fail(reason, errno);
        return -1;
    }
    m_path = QFile::decodeName(name);
    if (::fchmod(fd, posix::newFileMode()) != 0) {
        const int err = errno;
        ::close(fd);
        discard();
        fail(reason, err);
        return -1;
    }
    return fd;
}

bool StagedFile::createWith(const QByteArray &content, QString *reason)
{
    const int fd = create(reason);
    if (fd < 0)
        return false;
    const bool written = posix::writeAll(fd, content.constData(), content.size());
    const int err = errno;
    if (::close(fd) != 0 || !written) {
        const int reported = written ? errno : err;
        discard();
        return fail(reason, reported);
    }
    return true;
}

bool StagedFile::copyFrom(const QString &source, QString *reason)
{
    discard();
    const int in = openSource(source);
    if (in < 0)
        return fail(reason, errno);
    const int out = create(reason);
    if (out < 0) {
        ::close(in);
        return false;
    }
    const bool copied = copyContent(in, out);
    const int err = errno;
    ::close(in);
    const bool closed = ::close(out) == 0;
    if (!copied || !closed) {
        const int reported = copied ? errno : err;
        discard();
        return fail(reason, reported);
    }
    return true;
}

bool StagedFile::sync(QString *reason)
{
    if (m_path.isEmpty())
        return fail(reason, ENOENT);
    if (!syncFile(m_path)) {
        const int err = errno;
        discard();
        return fail(reason, err);
    }
    return true;
}

bool StagedFile::renameTo(const QString &target, QString *reason)
{
    if (m_path.isEmpty())
        return fail(reason, ENOENT);
    if (::rename(QFile::encodeName(m_path).constData(), QFile::encodeName(target).constData()) != 0) {
        const int err = errno;
        discard();
        return fail(reason, err);
    }
    m_path.clear();
    return true;
}

bool StagedFile::commit(const QString &target, QString *reason)
{
    if (!sync(reason) || !renameTo(target, reason))
        return false;
    posix::syncFolder(QFile::encodeName(m_dir).constData());
    return true;
}

bool canReplace(const QString &target, QString *reason)
{
    struct stat st
    {
    };
    if (::lstat(QFile::encodeName(target).constData(), &st) != 0)
        return errno == ENOENT || fail(reason, errno);
    // Windows answers a directory in the way with "access denied", and so do we.
    return !S_ISDIR(st.st_mode) || fail(reason, EACCES);
}

bool readRegularFile(const QString &path, QByteArray *content, QString *reason)
{
    const int fd = openSource(path);
    if (fd < 0)
        return fail(reason, errno);
    content->clear();
    const bool read = posix::readAllInto(fd, content);
    const int err = errno;
    ::close(fd);
    return read || fail(reason, err);
}

bool replaceFile(const QString &source, const QString &target, QString *reason)
{
    const qsizetype slash = target.lastIndexOf(u'/');
    StagedFile staged(target.left(slash + 1));
    return staged.copyFrom(source, reason) && staged.commit(target, reason);
}

} // namespace tv
