// SPDX-License-Identifier: GPL-3.0-or-later
#include "centraldirectory.h"

#include "zip/engines/membernames.h"
#include "zip/filereader.h"

#include <QtEndian>

#include <limits>

namespace tv {
namespace {

constexpr qint64 kEndRecordSize = 22;
constexpr qint64 kMaxComment = 0xFFFF;
constexpr qint64 kLocatorSize = 20;
constexpr qint64 kZip64EndSize = 56;
constexpr qint64 kCentralSize = 46;
constexpr qint64 kLocalSize = 30;
constexpr quint32 kEndRecord = 0x06054B50;
constexpr quint32 kZip64Locator = 0x07064B50;
constexpr quint32 kZip64End = 0x06064B50;
constexpr quint32 kCentralHeader = 0x02014B50;
constexpr quint16 kZip64Field = 0x0001;
constexpr quint32 kMore32 = 0xFFFFFFFF;
constexpr quint16 kMore16 = 0xFFFF;

quint16 u16(const char *p)
{
    return qFromLittleEndian<quint16>(p);
}
quint32 u32(const char *p)
{
    return qFromLittleEndian<quint32>(p);
}
quint64 u64(const char *p)
{
    return qFromLittleEndian<quint64>(p);
}

/// Where the directory lies and what it holds, as the end records state it.
struct EndRecord
{
    qint64 directoryEnd = 0; // where the directory ends: the (zip64) end record
    quint64 entries = 0;
    quint64 size = 0;
    quint64 offset = 0;
    bool zip64 = false;
};

/// The last end record whose comment reaches to the end of the file; else the
/// last whose comment fits in (a few bytes appended after an archive).
std::optional<qint64> findEndRecord(const FileReader &in)
{
    const qint64 tail = std::min(in.size(), kEndRecordSize + kMaxComment);
    if (tail < kEndRecordSize)
        return std::nullopt;
    QByteArray bytes(tail, Qt::Uninitialized);
    if (in.readAt(in.size() - tail, bytes.data(), tail) < tail)
        return std::nullopt;
    std::optional<qint64> fitting;
    for (qint64 i = tail - kEndRecordSize; i >= 0; --i) {
        const char *p = bytes.constData() + i;
        if (p[0] != 'P' || u32(p) != kEndRecord)
            continue;
        const qint64 end = i + kEndRecordSize + u16(p + 20);
        if (end == tail)
            return in.size() - tail + i;
        if (end < tail && !fitting)
            fitting = in.size() - tail + i;
    }
    return fitting;
}

/// Reads the zip64 end record that the locator before `endAt` points to, or
/// that lies right before the locator when a stub moved it.
bool readZip64(const FileReader &in, qint64 endAt, EndRecord &record)
{
    char locator[kLocatorSize];
    if (endAt < kLocatorSize || in.readAt(endAt - kLocatorSize, locator, kLocatorSize) < kLocatorSize
        || u32(locator) != kZip64Locator)
        return false;
    const quint64 stated = u64(locator + 8);
    for (const qint64 at : { qint64(stated), endAt - kLocatorSize - kZip64EndSize }) {
        char end[kZip64EndSize];
        if (at < 0 || at > endAt - kLocatorSize - kZip64EndSize
            || in.readAt(at, end, kZip64EndSize) < kZip64EndSize || u32(end) != kZip64End)
            continue;
        if (u32(end + 16) != 0 || u32(end + 20) != 0)
            return false; // spans disks
        record.directoryEnd = at;
        record.entries = u64(end + 32);
        record.size = u64(end + 40);
        record.offset = u64(end + 48);
        record.zip64 = true;
        return true;
    }
    return false;
}

std::optional<EndRecord> endRecord(const FileReader &in)
{
    const std::optional<qint64> at = findEndRecord(in);
    if (!at)
        return std::nullopt;
    char end[kEndRecordSize];
    in.readAt(*at, end, kEndRecordSize);
    EndRecord record;
    if (readZip64(in, *at, record))
        return record;
    if (u16(end + 4) != 0 || u16(end + 6) != 0)
        return std::nullopt; // spans disks
    record.directoryEnd = *at;
    record.entries = u16(end + 10);
    record.size = u32(end + 12);
    record.offset = u32(end + 16);
    return record;
}

/// Parses the directory's records into entries; false when one does not hold together.
class DirectoryParser
{
public:
    DirectoryParser(const QByteArray &directory, qint64 delta, qint64 directoryStart)
        : m_directory(directory)
        , m_delta(delta)
        , m_directoryStart(directoryStart)
    {
    }

    bool parse(QList<ZipDirEntry> &entries)
    {
        qint64 at = 0;
        while (at < m_directory.size()) {
            ZipDirEntry entry;
            const qint64 next = record(at, entry);
            if (next < 0)
                return false;
            entries.append(std::move(entry));
            at = next;
        }
        return true;
    }

private:
    /// The record at `at` into `entry`; the offset of the next one, -1 when damaged.
    qint64 record(qint64 at, ZipDirEntry &entry) const
    {
        if (at + kCentralSize > m_directory.size())
            return -1;
        const char *p = m_directory.constData() + at;
        if (u32(p) != kCentralHeader)
            return -1;
        const qint64 nameLength = u16(p + 28);
        const qint64 extraLength = u16(p + 30);
        const qint64 next = at + kCentralSize + nameLength + extraLength + u16(p + 32);
        if (next > m_directory.size())
            return -1;
        const QByteArrayView name(p + kCentralSize, nameLength);
        const QByteArrayView extra(p + kCentralSize + nameLength, extraLength);
        const Zip64Sizes sizes = zip64Sizes(extra, { u32(p + 24), u32(p + 20), u32(p + 42) });
        // The data must lie between the start of the archive and the directory.
        const qint64 local = sizes.offset + m_delta;
        if (sizes.compressed > m_directoryStart || local < 0 || local > m_directoryStart
            || local + kLocalSize + nameLength + sizes.compressed > m_directoryStart)
            return -1;
        static constexpr int kFields[] = { 6, 8, 10, 12, 14 }; // version, flags, method, time, date
        for (int i = 0; i < 5; ++i)
            entry.setU16(2 * i, u16(p + kFields[i]));
        entry.setU32(10, u32(p + 16));
        entry.setU32(14, u32(p + 20));
        entry.setU32(18, u32(p + 24));
        entry.setU16(22, quint16(nameLength));
        entry.setU16(24, quint16(extraLength));
        entry.compressed = sizes.compressed;
        entry.uncompressed = sizes.uncompressed;
        setEntryNames(entry, name, static_cast<unsigned char>(p[5]), extra);
        return next;
    }

    const QByteArray &m_directory;
    qint64 m_delta;
    qint64 m_directoryStart;
};

} // namespace

void setEntryNames(ZipDirEntry &entry, QByteArrayView stored, unsigned host, QByteArrayView extra)
{
    const qsizetype nul = stored.indexOf('\0');
    entry.FileName = (nul < 0 ? stored : stored.first(nul)).toByteArray();
    const std::string_view raw(entry.FileName.constData(), size_t(entry.FileName.size()));
    if (engines::isAscii(raw)) {
        entry.Name = QString::fromLatin1(entry.FileName);
        return;
    }
    const std::string decoded = engines::decodeMemberName(
        raw, entry.flags(), host, std::string_view(extra.data(), size_t(extra.size())));
    entry.Name = QString::fromUtf8(decoded.data(), qsizetype(decoded.size()));
    if (const qsizetype cut = entry.Name.indexOf(QChar(0)); cut >= 0)
        entry.Name.truncate(cut);
}

/// The data of the first field `id` in an extra block; empty when there is none.
QByteArrayView extraField(QByteArrayView extra, quint16 id, bool *found)
{
    qsizetype at = 0;
    while (at + 4 <= extra.size()) {
        const qsizetype size = u16(extra.data() + at + 2);
        if (at + 4 + size > extra.size())
            break;
        if (u16(extra.data() + at) == id) {
            *found = true;
            return extra.sliced(at + 4, size);
        }
        at += 4 + size;
    }
    *found = false;
    return QByteArrayView();
}

bool hasZip64Field(QByteArrayView extra)
{
    bool found = false;
    extraField(extra, kZip64Field, &found);
    return found;
}

Zip64Sizes zip64Sizes(QByteArrayView extra, Zip64Sizes stated)
{
    if (stated.uncompressed != kMore32 && stated.compressed != kMore32 && stated.offset != kMore32)
        return stated;
    bool found = false;
    const QByteArrayView field = extraField(extra, kZip64Field, &found);
    if (!found)
        return stated;
    const char *p = field.data();
    const char *end = p + field.size();
    for (qint64 *value : { &stated.uncompressed, &stated.compressed, &stated.offset }) {
        if (*value != kMore32)
            continue;
        if (end - p < 8)
            break;
        if (u64(p) <= quint64(std::numeric_limits<qint64>::max()))
            *value = qint64(u64(p));
        p += 8;
    }
    return stated;
}

std::optional<QList<ZipDirEntry>> CentralDirectory::read(const FileReader &in)
{
    const std::optional<EndRecord> end = endRecord(in);
    if (!end || end->entries == 0 || end->size > quint64(end->directoryEnd)
        || end->entries > end->size / kCentralSize)
        return std::nullopt;
    const qint64 start = end->directoryEnd - qint64(end->size);
    const qint64 delta = start - qint64(end->offset); // the length of a stub the offsets leave out
    if (end->offset > quint64(start))
        return std::nullopt;
    QByteArray directory(qint64(end->size), Qt::Uninitialized);
    if (in.readAt(start, directory.data(), directory.size()) < directory.size())
        return std::nullopt;
    QList<ZipDirEntry> entries;
    entries.reserve(qsizetype(end->entries));
    if (!DirectoryParser(directory, delta, start).parse(entries))
        return std::nullopt;
    // Writers of more than 65535 entries without zip64 let the count wrap.
    const quint64 counted = quint64(entries.size());
    if (end->zip64 ? counted != end->entries : (counted & kMore16) != end->entries)
        return std::nullopt;
    return entries;
}

} // namespace tv
