// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry.h"

#include "catalogue.h"
#include "cp1252.h"
#include "ini.h"
#include "paths.h"

#include <algorithm>

namespace tv {

bool Part::modulInstalled() const
{
    return tv::modulInstalled(modul);
}

bool Entry::isNew(const QByteArray &newestModul) const
{
    return isNewestModul(newsModul, newestModul);
}

SectionFile::SectionFile(QString path)
    : m_path(std::move(path))
{
}

SectionFile SectionFile::ofLine(const QByteArray &line)
{
    return SectionFile(programFile(sectionFileName(line)));
}

QList<QByteArray> SectionFile::entryNames() const
{
    return ini::sectionNames(m_path);
}

namespace {

// The rules of an entry and its parts, over any reader of the Section file.
struct PathReader
{
    const QString &path;
    QByteArray string(const QByteArray &s, const QByteArray &k, const QByteArray &d) const
    {
        return ini::readString(path, s, k, d);
    }
    qint32 integer(const QByteArray &s, const QByteArray &k, qint32 d) const
    {
        return ini::readInteger(path, s, k, d);
    }
};

struct SnapshotReader
{
    const ini::Snapshot &snapshot;
    QByteArray string(const QByteArray &s, const QByteArray &k, const QByteArray &d) const
    {
        return snapshot.readString(s, k, d);
    }
    qint32 integer(const QByteArray &s, const QByteArray &k, qint32 d) const
    {
        return snapshot.readInteger(s, k, d);
    }
};

template <typename Reader> Entry readEntry(const Reader &r, const QByteArray &name)
{
    Entry entry;
    entry.name = name;
    entry.declaredCount = r.integer(name, "Count", 1);
    entry.partCount = std::clamp<qint32>(entry.declaredCount, 0, kMaxParts);
    entry.countCapped = entry.declaredCount > kMaxParts;
    entry.newsModul = r.string(name, "CModul", r.string(name, "1Modul", QByteArray()));
    return entry;
}

template <typename Reader> Part readPart(const Reader &r, const QByteArray &name, int n)
{
    const QByteArray key = QByteArray::number(n);
    Part part;
    part.number = n;
    part.caption = r.string(name, key, "Artikel");
    part.kind = partKindOf(part.caption);
    part.modul = r.string(name, key + "Modul", QByteArray());
    part.file = r.string(name, key + "File", QByteArray());
    part.description = r.string(name, key + "Describe", name);
    part.archiveText = r.string(name, key + "Archiv", r.string(name, key + "Describe", QByteArray()));
    return part;
}

template <typename Reader> QList<Part> readParts(const Reader &r, const Entry &entry)
{
    QList<Part> parts;
    parts.reserve(entry.partCount);
    for (int n = 1; n <= entry.partCount; ++n)
        parts.append(readPart(r, entry.name, n));
    return parts;
}

} // namespace

Entry SectionFile::entry(const QByteArray &name) const
{
    return readEntry(PathReader { m_path }, name);
}

Part SectionFile::part(const QByteArray &name, int n) const
{
    return readPart(PathReader { m_path }, name, n);
}

QList<Part> SectionFile::parts(const Entry &entry) const
{
    return readParts(PathReader { m_path }, entry);
}

SectionSnapshot::SectionSnapshot(const SectionFile &file)
    : m_ini(file.path())
{
}

Entry SectionSnapshot::entry(const QByteArray &name) const
{
    return readEntry(SnapshotReader { m_ini }, name);
}

QList<Part> SectionSnapshot::parts(const Entry &entry) const
{
    return readParts(SnapshotReader { m_ini }, entry);
}

EntryKey entryKeyOf(const QByteArray &key)
{
    // Called for every key of a whole catalogue by the linter: no copies.
    const auto is = [](QByteArrayView text, const char *name) {
        return text.compare(QByteArrayView(name), Qt::CaseInsensitive) == 0;
    };
    if (is(key, "Count"))
        return { EntryKeyKind::Count, 0 };
    if (is(key, "CModul"))
        return { EntryKeyKind::CModul, 0 };
    qsizetype digits = 0;
    while (digits < key.size() && key[digits] >= '0' && key[digits] <= '9')
        ++digits;
    // The reader asks for QByteArray::number(n): "02" or a number past the part cap is never read.
    if (digits == 0 || key[0] == '0' || digits > 3)
        return {};
    const int n = QByteArrayView(key).first(digits).toInt();
    const QByteArrayView suffix = QByteArrayView(key).sliced(digits);
    if (suffix.isEmpty())
        return { EntryKeyKind::Caption, n };
    if (is(suffix, "Modul"))
        return { EntryKeyKind::Modul, n };
    if (is(suffix, "File"))
        return { EntryKeyKind::File, n };
    if (is(suffix, "Describe"))
        return { EntryKeyKind::Describe, n };
    if (is(suffix, "Archiv"))
        return { EntryKeyKind::Archiv, n };
    return {};
}

QList<Section> readSections()
{
    QList<Section> sections;
    for (const QByteArray &line : readSectionLines())
        sections.append({ line, ConvertUmlaut(line, true) });
    return sections;
}

bool isNewestModul(const QByteArray &modul, const QByteArray &newestModul)
{
    return upperAscii(modul + ".TVM") == upperAscii(newestModul);
}

ModulMark modulMark(const QByteArray &modul, const QByteArray &newestModul)
{
    if (!modulInstalled(modul))
        return ModulMark::Missing;
    return isNewestModul(modul, newestModul) ? ModulMark::Newest : ModulMark::None;
}

} // namespace tv
