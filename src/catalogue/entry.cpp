// SPDX-License-Identifier: GPL-3.0-or-later
#include "entry.h"

#include "catalogue.h"
#include "cp1252.h"
#include "ini.h"
#include "paths.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace tv {

bool Part::moduleInstalled() const
{
    return tv::moduleInstalled(modul);
}

bool Entry::isNew(const QByteArray &newestModule) const
{
    return isNewestModule(newsModule, newestModule);
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

// Each record is read through one ini::Reader: the file is checked once per
// record, and the record's values all come from the same state of the file.

/// The keys of part n: "2", "2Modul", "2File", "2Describe", "2Archiv".
struct PartKeys
{
    QByteArray caption, modul, file, describe, archiv;

    explicit PartKeys(int n)
        : caption(QByteArray::number(n))
        , modul(caption + "Modul")
        , file(caption + "File")
        , describe(caption + "Describe")
        , archiv(caption + "Archiv")
    {
    }
};

/// Built once for the part numbers nearly every entry has (read from any thread).
const PartKeys &commonPartKeys(int n)
{
    static const std::vector<PartKeys> keys = [] {
        std::vector<PartKeys> k;
        for (int i = 1; i <= 16; ++i)
            k.emplace_back(i);
        return k;
    }();
    return keys[std::size_t(n - 1)];
}

Part readPart(const ini::Reader &file, const QByteArray &name, int n, PartFields fields = PartFields::All)
{
    static const QByteArray kArtikel("Artikel");
    const std::optional<PartKeys> rare = n > 16 ? std::optional<PartKeys>(PartKeys(n)) : std::nullopt;
    const PartKeys &key = rare ? *rare : commonPartKeys(n);
    Part part;
    part.number = n;
    part.caption = file.readString(name, key.caption, kArtikel);
    part.kind = partKindOf(part.caption);
    part.modul = file.readString(name, key.modul, QByteArray());
    if (fields == PartFields::KindAndModule)
        return part;
    part.file = file.readString(name, key.file, QByteArray());
    part.description = file.readString(name, key.describe, name);
    part.archiveText = file.readString(name, key.archiv, file.readString(name, key.describe, QByteArray()));
    return part;
}

Entry readEntry(const ini::Reader &file, const QByteArray &name)
{
    Entry entry;
    entry.name = name;
    entry.declaredCount = file.readInteger(name, "Count", 1);
    entry.partCount = std::clamp<qint32>(entry.declaredCount, 0, kMaxParts);
    entry.countCapped = entry.declaredCount > kMaxParts;
    entry.newsModule = file.readString(name, "CModul", file.readString(name, "1Modul", QByteArray()));
    return entry;
}

QList<Part> readParts(const ini::Reader &file, const Entry &entry)
{
    QList<Part> parts;
    parts.reserve(entry.partCount);
    for (int n = 1; n <= entry.partCount; ++n)
        parts.append(readPart(file, entry.name, n));
    return parts;
}

} // namespace

Entry SectionFile::entry(const QByteArray &name) const
{
    return readEntry(ini::Reader(m_path), name);
}

Part SectionFile::part(const QByteArray &name, int n) const
{
    return readPart(ini::Reader(m_path), name, n);
}

QList<Part> SectionFile::parts(const Entry &entry) const
{
    return readParts(ini::Reader(m_path), entry);
}

QList<EntryParts> SectionFile::entriesWithParts(PartFields fields) const
{
    const ini::Reader file(m_path);
    QList<EntryParts> all;
    const QList<QByteArray> names = file.sectionNames();
    all.reserve(names.size());
    for (const QByteArray &name : names) {
        EntryParts &e = all.emplace_back();
        e.entry = readEntry(file, name);
        e.parts.reserve(e.entry.partCount);
        for (int n = 1; n <= e.entry.partCount; ++n)
            e.parts.append(readPart(file, name, n, fields));
    }
    return all;
}

SectionSnapshot::SectionSnapshot(const SectionFile &file)
    : m_ini(file.path())
{
}

Entry SectionSnapshot::entry(const QByteArray &name) const
{
    return readEntry(m_ini, name);
}

QList<Part> SectionSnapshot::parts(const Entry &entry) const
{
    return readParts(m_ini, entry);
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

bool isNewestModule(const QByteArray &modul, const QByteArray &newestModule)
{
    return upperAscii(modul + ".TVM") == upperAscii(newestModule);
}

ModuleMark moduleMark(const QByteArray &modul, const QByteArray &newestModule)
{
    if (!moduleInstalled(modul))
        return ModuleMark::Missing;
    return isNewestModule(modul, newestModule) ? ModuleMark::Newest : ModuleMark::None;
}

} // namespace tv
