// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <optional>

namespace tv {

class FileReader;

/// @short The data descriptor that a streaming writer puts after a member's
/// data when it could not know the sizes before (flag bit 3).
struct DataDescriptor
{
    quint32 crc32 = 0;
    qint64 compressed = 0;
    qint64 uncompressed = 0;
    qint64 end = 0; // the file position right after the descriptor

    /// The first descriptor after `dataStart` whose signature "PK\7\8" stands
    /// where its compressed size says the data ends; in the zip64 form (64-bit
    /// sizes) when the local header has a zip64 field; nothing when the file
    /// holds none.
    static std::optional<DataDescriptor> find(const FileReader &in, qint64 dataStart, bool zip64);
};

} // namespace tv
