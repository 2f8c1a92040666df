// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "zip/zipdirentry.h"

#include <QByteArrayView>
#include <QList>

#include <optional>

namespace tv {

class FileReader;

/// Fills `entry.FileName` (the stored bytes up to the first NUL) and
/// `entry.Name` (decoded as the engines decode it) from the stored name.
void setEntryNames(ZipDirEntry &entry, QByteArrayView stored, unsigned host, QByteArrayView extra);

/// The sizes of a zip64 extended information field (0x0001) in `extra`, for
/// the fields whose 32-bit value is 0xFFFFFFFF, in the field's order:
/// uncompressed size, compressed size, local header offset.
struct Zip64Sizes
{
    qint64 uncompressed;
    qint64 compressed;
    qint64 offset;
};
Zip64Sizes zip64Sizes(QByteArrayView extra, Zip64Sizes stated);
/// True when `extra` holds a zip64 extended information field.
bool hasZip64Field(QByteArrayView extra);

/// @short Lists an archive as the format intends: the end of central directory
/// record in the last 64 KiB and 22 bytes, its zip64 locator and record, then
/// the central directory.
///
/// Data put in front of the archive (a self-extractor's stub) is allowed for:
/// offsets count from where the directory really lies.
class CentralDirectory
{
public:
    /// The entries in directory order; nothing when the archive has no end
    /// record, spans disks, holds no entry, or its directory does not hold
    /// together (records cut short, counts or offsets that do not fit the file).
    static std::optional<QList<ZipDirEntry>> read(const FileReader &in);
};

} // namespace tv
