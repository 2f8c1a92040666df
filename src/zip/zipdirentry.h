// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QtEndian>

#include <array>

namespace tv {

/// @short One listed archive entry: its header fields, its name as stored and
/// as the engine writes it.
///
/// `header` holds the 26 bytes of a local header after its signature
/// (little-endian): version needed, flags, method, time, date, CRC-32,
/// compressed size, uncompressed size, name length, extra length. They come
/// from the entry's central directory record, or from its local header where
/// the archive has no usable central directory; sizes and CRC-32 that stand in
/// a data descriptor or a zip64 field are put in there, sizes past 32 bits
/// as 0xFFFFFFFF.
struct ZipDirEntry
{
    std::array<char, 26> header {};
    /// The stored name up to its first NUL byte, bytes as stored; what FSpecArgs
    /// names this member by for the engines.
    QByteArray FileName;
    /// The name decoded by the rule of membernames.h, as the engine writes it.
    QString Name;
    qint64 compressed = 0;
    qint64 uncompressed = 0;

    quint16 versionNeeded() const { return u16(0); }
    quint16 flags() const { return u16(2); }
    quint16 compressionMethod() const { return u16(4); }
    /// MS-DOS date and time in one value: date in the high 16 bits, time in the low.
    quint32 dateTime() const { return quint32(u16(8)) << 16 | u16(6); }
    quint32 crc32() const { return u32(10); }
    qint64 compressedSize() const { return compressed; }
    qint64 uncompressedSize() const { return uncompressed; }
    bool isEncrypted() const { return flags() & 0x0001; }
    quint16 fileNameLength() const { return u16(22); }
    quint16 extraFieldLength() const { return u16(24); }

    void setU16(int at, quint16 v) { qToLittleEndian(v, header.data() + at); }
    void setU32(int at, quint32 v) { qToLittleEndian(v, header.data() + at); }

private:
    quint16 u16(int at) const { return qFromLittleEndian<quint16>(header.data() + at); }
    quint32 u32(int at) const { return qFromLittleEndian<quint32>(header.data() + at); }
};

} // namespace tv
