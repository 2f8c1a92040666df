// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

/// @short Writes ZIP archives byte by byte, well-formed or not, for the tests.
///
/// Members are stored (method 0). bytes() gives prefix, local headers with
/// their data, central directory and end record; parts can be taken apart to
/// build damaged archives.
struct ZipMember
{
    QByteArray name;
    QByteArray data;
    quint32 dosDateTime = 0x5A2F6000; // 2025-01-15 12:00:00
    QByteArray extra;
    bool zeroSizesInLocal = false; // sizes in a data descriptor after the data
    quint16 unixMode = 0; // 0: made on Windows; else made on Unix with this mode (S_IFLNK | 0777 ...)
    quint8 host = 10; // without unixMode: 10 Windows NTFS (names in Windows-1252), 0 MS-DOS (CP850)
    std::optional<quint32> crc; // a wrong CRC for damaged data
    std::optional<quint32> localCompressedSize; // a lying local header
    bool utf8 = false; // general purpose bit 11
};

/// A plain member: a name and its bytes, every other field at its default.
ZipMember member(const QByteArray &name, const QByteArray &data);

class ZipBuilder
{
public:
    ZipBuilder &add(ZipMember member);
    /// The local header and data of member i (with its descriptor, if any).
    QByteArray local(int i) const;
    QByteArray centralDirectory() const;
    QByteArray bytes() const;
    /// Prefix, local headers and central directory: an archive whose end
    /// record was lost, which only the local headers describe.
    QByteArray withoutEndRecord() const;

    QByteArray prefix;

    static quint32 crc32(const QByteArray &data);

private:
    quint32 crcOf(const ZipMember &m) const { return m.crc.value_or(crc32(m.data)); }
    QList<ZipMember> m_members;
};

/// Writes `content` to `path`, failing the test when that does not work.
void writeBytes(const QString &path, const QByteArray &content);
QByteArray readBytes(const QString &path);
