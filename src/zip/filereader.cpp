// SPDX-License-Identifier: GPL-3.0-or-later
#include "filereader.h"

#include "catalogue/errors.h"
#include "zipaccess.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tv {
namespace {
constexpr qint64 kBufferSize = 64 * 1024;
}

FileReader::FileReader(const QString &path)
    : m_buffer(new char[kBufferSize])
{
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) {
        close();
        throw ZipStreamError(
            QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(QDir::toNativeSeparators(path)));
    }
    m_stamp = FileStamp::of(st);
}

bool FileReader::currentStamp(FileStamp *stamp) const
{
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0)
        return false;
    *stamp = FileStamp::of(st);
    return true;
}

FileReader::~FileReader()
{
    close();
}

void FileReader::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool FileReader::refill()
{
    m_bufferPos += m_filled;
    m_offset = 0;
    m_filled = 0;
    for (;;) {
        const ssize_t n = ::read(m_fd, m_buffer.get(), kBufferSize);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw IoError(IoError::codeFromErrno(errno));
        m_filled = n;
        return n > 0;
    }
}

qint64 FileReader::read(char *into, qint64 n)
{
    qint64 done = 0;
    while (done < n) {
        if (m_offset == m_filled && !refill())
            break;
        const qint64 take = std::min(n - done, m_filled - m_offset);
        std::memcpy(into + done, m_buffer.get() + m_offset, static_cast<size_t>(take));
        m_offset += take;
        done += take;
    }
    return done;
}

qint64 FileReader::readAt(qint64 at, char *into, qint64 n) const
{
    qint64 done = 0;
    while (done < n) {
        const ssize_t got = ::pread(m_fd, into + done, static_cast<size_t>(n - done), static_cast<off_t>(at + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw IoError(IoError::codeFromErrno(errno));
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

qint64 FileReader::skip(qint64 n)
{
    if (n <= m_filled - m_offset) {
        m_offset += n;
        return pos();
    }
    const off_t target = ::lseek(m_fd, static_cast<off_t>(pos() + n), SEEK_SET);
    if (target < 0)
        return -1;
    m_bufferPos = target;
    m_offset = 0;
    m_filled = 0;
    return target;
}

} // namespace tv
