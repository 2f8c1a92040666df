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

Entry SectionFile::entry(const QByteArray &name) const
{
    Entry entry;
    entry.name = name;
    entry.declaredCount = ini::readInteger(m_path, name, "Count", 1);
    entry.partCount = std::clamp<qint32>(entry.declaredCount, 0, kMaxParts);
    entry.countCapped = entry.declaredCount > kMaxParts;
    entry.newsModul
        = ini::readString(m_path, name, "CModul", ini::readString(m_path, name, "1Modul", QByteArray()));
    return entry;
}

Part SectionFile::part(const QByteArray &name, int n) const
{
    const QByteArray key = QByteArray::number(n);
    Part part;
    part.number = n;
    part.caption = ini::readString(m_path, name, key, "Artikel");
    part.kind = partKindOf(part.caption);
    part.modul = ini::readString(m_path, name, key + "Modul", QByteArray());
    part.file = ini::readString(m_path, name, key + "File", QByteArray());
    part.description = ini::readString(m_path, name, key + "Describe", name);
    part.archiveText = ini::readString(
        m_path, name, key + "Archiv", ini::readString(m_path, name, key + "Describe", QByteArray()));
    return part;
}

QList<Part> SectionFile::parts(const Entry &entry) const
{
    QList<Part> parts;
    parts.reserve(entry.partCount);
    for (int n = 1; n <= entry.partCount; ++n)
        parts.append(part(entry.name, n));
    return parts;
}

EntryKey entryKeyOf(const QByteArray &key)
{
    const QByteArray upper = upperAscii(key);
    if (upper == "COUNT")
        return { EntryKeyKind::Count, 0 };
    if (upper == "CMODUL")
        return { EntryKeyKind::CModul, 0 };
    qsizetype digits = 0;
    while (digits < upper.size() && upper[digits] >= '0' && upper[digits] <= '9')
        ++digits;
    // The reader asks for QByteArray::number(n): "02" or a number past the part cap is never read.
    if (digits == 0 || upper[0] == '0' || digits > 3)
        return {};
    const int n = upper.left(digits).toInt();
    const QByteArray suffix = upper.mid(digits);
    if (suffix.isEmpty())
        return { EntryKeyKind::Caption, n };
    if (suffix == "MODUL")
        return { EntryKeyKind::Modul, n };
    if (suffix == "FILE")
        return { EntryKeyKind::File, n };
    if (suffix == "DESCRIBE")
        return { EntryKeyKind::Describe, n };
    if (suffix == "ARCHIV")
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
