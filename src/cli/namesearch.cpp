// SPDX-License-Identifier: GPL-3.0-or-later
#include "namesearch.h"

#include "catalogue/cp1252.h"

#include <algorithm>

namespace tv::cli {
namespace {

bool hasPartOfKind(const SectionFile &file, const Entry &entry, PartKind kind)
{
    const QList<Part> parts = file.parts(entry);
    return std::any_of(parts.begin(), parts.end(), [kind](const Part &p) { return p.kind == kind; });
}

} // namespace

QList<SearchHit> searchNames(const SearchQuery &query)
{
    QList<SearchHit> hits;
    const QByteArray wanted = upperCp1252(toCp1252(query.text));
    if (wanted.isEmpty())
        return hits;
    const QList<Section> sections = query.section ? QList<Section> { *query.section } : readSections();
    for (const Section &section : sections) {
        const SectionFile file = section.file();
        for (const QByteArray &name : file.entryNames()) {
            const QByteArray upper = upperCp1252(name);
            if (!upper.contains(wanted))
                continue;
            if (query.kind && !hasPartOfKind(file, file.entry(name), *query.kind))
                continue;
            const int score = upper == wanted ? 3 : upper.startsWith(wanted) ? 2 : 1;
            hits.append({ section, name, 0, score });
        }
    }
    std::stable_sort(
        hits.begin(), hits.end(), [](const SearchHit &a, const SearchHit &b) { return a.score > b.score; });
    return hits;
}

std::optional<PartKind> kindFromName(const QString &name)
{
    const QString n = name.toCaseFolded();
    for (PartKind kind : { PartKind::Text, PartKind::Archive, PartKind::Html, PartKind::Www }) {
        if (n == kindToken(kind) || n == kindCaption(kind).toCaseFolded())
            return kind;
    }
    if (n == u"link")
        return PartKind::Www;
    return std::nullopt;
}

QString kindCaption(PartKind kind)
{
    switch (kind) {
    case PartKind::Text:
        return QStringLiteral("Text");
    case PartKind::Archive:
        return QStringLiteral("Archiv");
    case PartKind::Html:
        return QStringLiteral("HTML-Seite");
    case PartKind::Www:
        return QStringLiteral("WWW-Link");
    case PartKind::None:
        break;
    }
    return QStringLiteral("keine");
}

QString kindToken(PartKind kind)
{
    switch (kind) {
    case PartKind::Text:
        return QStringLiteral("text");
    case PartKind::Archive:
        return QStringLiteral("archive");
    case PartKind::Html:
        return QStringLiteral("html");
    case PartKind::Www:
        return QStringLiteral("www");
    case PartKind::None:
        break;
    }
    return QStringLiteral("none");
}

} // namespace tv::cli
