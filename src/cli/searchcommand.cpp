// SPDX-License-Identifier: GPL-3.0-or-later
// The search command: the program's own full-text index, queried from the command line.
#include "runner.h"

#include "catalogue/partkind.h"
#include "catalogue/paths.h"
#include "cli/clierror.h"
#include "cli/names.h"
#include "cli/output.h"
#include "cli/partkinds.h"
#include "search/searchindex.h"

#include <QJsonArray>

namespace tv::cli {

namespace {

/// The kinds of --kind, each given once or more: the part kinds' names, and
/// "name" for the entries' names.
search::Kinds searchKinds(const QStringList &names)
{
    search::Kinds kinds;
    for (const QString &name : names) {
        if (name.compare(QLatin1String("name"), Qt::CaseInsensitive) == 0) {
            kinds |= search::Kind::Entries;
            continue;
        }
        const std::optional<PartKind> kind = kindFromName(name);
        if (!kind)
            throw CliError(
                QStringLiteral("Unbekannte Art '%1'; bekannt sind name, text, archiv, html und link.")
                    .arg(name),
                ExitUsage);
        kinds |= search::Kind(partKindInfo(*kind)->searchKind);
    }
    return kinds;
}

QJsonArray marksJson(const QList<QPair<int, int>> &marks)
{
    QJsonArray list;
    for (const auto &[start, length] : marks)
        list.append(QJsonArray { start, length });
    return list;
}

/// A table cell: tabs and line ends would break the columns.
QString oneLine(QString text)
{
    for (QChar &c : text) {
        if (c.unicode() < 0x20)
            c = u' ';
    }
    return text;
}

} // namespace

int Runner::search()
{
    search::Query query;
    query.text = m_args[0];
    if (m_parser.isSet(QStringLiteral("section")))
        query.section = resolveSection(m_parser.value(QStringLiteral("section"))).line;
    if (m_parser.isSet(QStringLiteral("kind")))
        query.kinds = searchKinds(m_parser.values(QStringLiteral("kind")));
    if (search::parseQuery(query.text).isEmpty())
        throw CliError(QStringLiteral("Der Suchtext enthält kein Wort."), ExitUsage);

    // The program's own index: what it or an earlier search built is reused.
    search::SearchIndex index(GetProgramDir(), search::SearchIndex::defaultPath(GetProgramDir()));
    index.update([this](const search::SearchIndex::Progress &p) {
        m_progress.show(QStringLiteral("Suchindex: %1 von %2 Dateien").arg(p.done).arg(p.total));
        return true;
    });
    m_progress.clear();
    if (!index.note().isEmpty())
        note(index.note());
    const std::optional<search::Results> results = index.query(query, [] { return false; });
    const int unreadable = index.unreadableParts();
    if (unreadable > 0)
        note(QStringLiteral("%1 Teile konnten nicht gelesen werden.").arg(unreadable));

    QJsonArray list;
    QList<QStringList> rows;
    for (const search::Hit &hit : results->hits) {
        const bool inName = hit.part == 0;
        list.append(QJsonObject {
            { QStringLiteral("section"), sectionJson(hit.sectionCaption(), hit.sectionLine) },
            { QStringLiteral("entry"), shownName(hit.entry) },
            { QStringLiteral("part"), inName ? QJsonValue() : QJsonValue(hit.part) },
            { QStringLiteral("caption"), inName ? QJsonValue() : QJsonValue(shownName(hit.caption)) },
            { QStringLiteral("kind"), inName ? QJsonValue() : QJsonValue(kindToken(hit.kind)) },
            { QStringLiteral("member"), hit.member.isEmpty() ? QJsonValue() : QJsonValue(hit.member) },
            { QStringLiteral("context"), hit.context },
            { QStringLiteral("marks"), marksJson(hit.marks) } });
        rows.append({ shownName(hit.sectionCaption()), shownName(hit.entry),
            inName ? QString() : QStringLiteral("%1 %2").arg(hit.part).arg(shownName(hit.caption)),
            oneLine(hit.context) });
    }
    if (m_json)
        printJson({ { QStringLiteral("query"), query.text },
            { QStringLiteral("in"), QStringLiteral("fulltext") },
            { QStringLiteral("total"), results->total },
            { QStringLiteral("moreThanTotal"), results->moreThanTotal },
            { QStringLiteral("hits"), list } });
    else if (!rows.isEmpty())
        print(table({ QStringLiteral("Rubrik"), QStringLiteral("Eintrag"), QStringLiteral("Teil"),
                        QStringLiteral("Fundstelle") },
            rows));
    if (m_json)
        return ExitOk;
    if (rows.isEmpty())
        note(QStringLiteral("Keine Übereinstimmungen gefunden..."));
    else if (results->total > rows.size())
        note(QStringLiteral("%1 von %2%3 Treffern gezeigt.")
                 .arg(rows.size())
                 .arg(results->moreThanTotal ? QStringLiteral("mehr als ") : QString())
                 .arg(results->total));
    return ExitOk;
}

} // namespace tv::cli
