// SPDX-License-Identifier: GPL-3.0-or-later
#include "textlines.h"

#include "errors.h"
#include "posixio.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tv {

QList<QByteArray> splitLines(const QByteArray &content)
{
    qsizetype end = content.indexOf('\x1A');
    if (end < 0)
        end = content.size();

    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < end) {
        qsizetype cr = content.indexOf('\r', start);
        if (cr < 0 || cr >= end) {
            lines.append(content.mid(start, end - start));
            break;
        }
        lines.append(content.mid(start, cr - start));
        start = cr + 1;
        if (start < end && content[start] == '\n')
            ++start;
    }
    return lines;
}

QByteArray readFileBytes(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw IoError(IoError::codeFromErrno(errno));
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EACCES : errno;
        ::close(fd);
        throw IoError(IoError::codeFromErrno(err));
    }
    QByteArray data;
    const bool read = posix::readAllInto(fd, &data);
    const int err = errno;
    ::close(fd);
    if (!read)
        throw IoError(IoError::codeFromErrno(err));
    return data;
}

QList<QByteArray> readLines(const QString &path)
{
    return splitLines(readFileBytes(path));
}

} // namespace tv
