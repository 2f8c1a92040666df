// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/filestamp.h"

#include <QString>

#include <memory>

namespace tv {

/// @short Reading of one file: buffered forward for the header walk, and at
/// given places for the central directory.
///
/// Small skips stay inside the buffer, large ones become a seek, so a walk
/// over many small entries reads the file once in big blocks and a walk over
/// large entries reads little more than their headers.
class FileReader
{
public:
    /// Opens `path` for reading; throws ZipStreamError
    /// "Datei <path> kann nicht geöffnet werden" when that fails.
    explicit FileReader(const QString &path);
    ~FileReader();
    FileReader(const FileReader &) = delete;
    FileReader &operator=(const FileReader &) = delete;

    /// The size when the file was opened.
    qint64 size() const { return m_stamp.size; }
    /// The file's stamp when it was opened.
    const FileStamp &stamp() const { return m_stamp; }
    /// The open file's stamp now; false when it cannot be had.
    bool currentStamp(FileStamp *stamp) const;
    qint64 pos() const { return m_bufferPos + m_offset; }

    /// The next byte, or -1 at the end of the file.
    int getByte()
    {
        if (m_offset == m_filled && !refill())
            return -1;
        return static_cast<unsigned char>(m_buffer[m_offset++]);
    }
    /// Reads up to `n` bytes; fewer only at the end of the file.
    qint64 read(char *into, qint64 n);
    /// Reads up to `n` bytes at `at`, leaving the reading position alone;
    /// fewer only at the end of the file.
    qint64 readAt(qint64 at, char *into, qint64 n) const;
    /// Moves `n` bytes forward and returns the position the system reports,
    /// -1 when the seek failed.
    qint64 skip(qint64 n);
    void close();

private:
    bool refill();

    int m_fd = -1;
    FileStamp m_stamp;
    std::unique_ptr<char[]> m_buffer;
    qint64 m_bufferPos = 0; // file position of m_buffer[0]
    qint64 m_offset = 0;
    qint64 m_filled = 0;
};

} // namespace tv
