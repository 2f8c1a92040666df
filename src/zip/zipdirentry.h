// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QtEndian>

#include <array>

namespace tv {

/// @short One listed archive entry: its local header as read, and its name.
///
/// `header` holds the 26 bytes that follow the local header's signature,
/// unchanged (little-endian): version needed, flags, method, time, date,
/// CRC-32, compressed size, uncompressed size, name length, extra length.
struct ZipDirEntry
{
    std::array<char, 26> header {};
    /// The stored name up to its first NUL byte, bytes as stored (Windows-1252).
    QByteArray FileName;

    quint16 versionNeeded() const { return u16(0); }
    quint16 flags() const { return u16(2); }
    quint16 compressionMethod() const { return u16(4); }
    /// MS-DOS date and time in one value: date in the high 16 bits, time in the low.
    quint32 dateTime() const { return quint32(u16(8)) << 16 | u16(6); }
    quint32 crc32() const { return u32(10); }
    qint64 compressedSize() const { return u32(14); }
    qint64 uncompressedSize() const { return u32(18); }
    quint16 fileNameLength() const { return u16(22); }
    quint16 extraFieldLength() const { return u16(24); }

private:
    quint16 u16(int at) const { return qFromLittleEndian<quint16>(header.data() + at); }
    quint32 u32(int at) const { return qFromLittleEndian<quint32>(header.data() + at); }
};

} // namespace tv
