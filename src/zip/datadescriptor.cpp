// SPDX-License-Identifier: GPL-3.0-or-later
#include "datadescriptor.h"

#include "zip/filereader.h"

#include <QByteArray>
#include <QtEndian>

#include <cstring>

namespace tv {
namespace {

constexpr quint32 kDescriptor = 0x08074B50;
constexpr qint64 kChunk = 64 * 1024;
constexpr qint64 kLongest = 24; // signature, CRC-32 and two 64-bit sizes

/// The descriptor whose signature starts at `p`, `at` bytes after the data's start.
std::optional<DataDescriptor> descriptorAt(const char *p, qint64 at, qint64 filePos, bool zip64)
{
    if (qFromLittleEndian<quint32>(p) != kDescriptor)
        return std::nullopt;
    const quint32 crc = qFromLittleEndian<quint32>(p + 4);
    if (zip64 && qFromLittleEndian<quint64>(p + 8) == quint64(at))
        return DataDescriptor { crc, at, qint64(qFromLittleEndian<quint64>(p + 16) & 0x7FFFFFFFFFFFFFFF),
            filePos + kLongest };
    if (!zip64 && qFromLittleEndian<quint32>(p + 8) == quint64(at))
        return DataDescriptor { crc, at, qFromLittleEndian<quint32>(p + 12), filePos + 16 };
    return std::nullopt;
}

} // namespace

std::optional<DataDescriptor> DataDescriptor::find(const FileReader &in, qint64 dataStart, bool zip64)
{
    // Chunks overlap by a descriptor's length, so that none is missed at a seam.
    QByteArray buffer(kChunk + kLongest, Qt::Uninitialized);
    for (qint64 chunk = dataStart; chunk < in.size(); chunk += kChunk) {
        const qint64 got = in.readAt(chunk, buffer.data(), buffer.size());
        const char *data = buffer.constData();
        for (qint64 i = 0; i + 16 <= got && i < kChunk;) {
            const void *hit = std::memchr(data + i, 'P', size_t(std::min(got - 16, kChunk - 1) - i + 1));
            if (!hit)
                break;
            i = static_cast<const char *>(hit) - data;
            if (i + kLongest > got) {
                // Room for the short form only: the file ends here.
                QByteArray tail(data + i, got - i);
                tail.append(QByteArray(kLongest - tail.size(), '\0'));
                if (auto found = descriptorAt(tail.constData(), chunk + i - dataStart, chunk + i, zip64);
                    found && found->end <= in.size())
                    return found;
            } else if (auto found = descriptorAt(data + i, chunk + i - dataStart, chunk + i, zip64);
                       found && found->end <= in.size()) {
                return found;
            }
            ++i;
        }
    }
    return std::nullopt;
}

} // namespace tv
