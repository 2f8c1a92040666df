// SPDX-License-Identifier: GPL-3.0-or-later
#include "names.h"

#include "catalogue/cp1252.h"
#include "cli/clierror.h"

namespace tv::cli {
namespace {

QString folded(const QString &text)
{
    return text.toCaseFolded();
}

QString candidateList(const QList<Nameable> &things, const QList<int> &indexes)
{
    QStringList names;
    for (int i : indexes)
        names << QStringLiteral("  ") + things[i].shown;
    return names.join(u'\n');
}

} // namespace

QString shownName(const QByteArray &cp1252)
{
    return fromCp1252(cp1252);
}

int resolve(const QString &typed, const QList<Nameable> &things, const QString &what)
{
    const QString wanted = folded(typed);
    QList<int> exact, exactCase, prefix;
    for (int i = 0; i < things.size(); ++i) {
        const QStringList forms = QStringList { things[i].shown } + things[i].otherForms;
        bool isExact = false, isPrefix = false, sameCase = false;
        for (const QString &form : forms) {
            const QString f = folded(form);
            isExact = isExact || f == wanted;
            sameCase = sameCase || form == typed;
            isPrefix = isPrefix || f.startsWith(wanted);
        }
        if (isExact)
            exact << i;
        if (sameCase)
            exactCase << i;
        if (isPrefix)
            prefix << i;
    }
    if (exact.size() == 1)
        return exact.front();
    if (exact.size() > 1 && exactCase.size() == 1)
        return exactCase.front();
    const QList<int> &candidates = exact.isEmpty() ? prefix : exact;
    if (candidates.size() == 1)
        return candidates.front();
    if (candidates.isEmpty())
        throw CliError(QStringLiteral("%1 '%2' nicht gefunden.").arg(what, typed));
    throw CliError(QStringLiteral("%1 '%2' ist nicht eindeutig. In Frage kommen:\n%3")
                       .arg(what, typed, candidateList(things, candidates)));
}

Section resolveSection(const QString &typed)
{
    const QList<Section> sections = readSections();
    QList<Nameable> things;
    for (const Section &s : sections)
        things.append({ shownName(s.caption), { shownName(s.line) } });
    return sections[resolve(typed, things, QStringLiteral("Rubrik"))];
}

Entry resolveEntry(const Section &section, const QString &typed)
{
    const SectionFile file = section.file();
    const QList<QByteArray> names = file.entryNames();
    QList<Nameable> things;
    for (const QByteArray &name : names)
        things.append({ shownName(name), {} });
    return file.entry(names[resolve(typed, things, QStringLiteral("Eintrag"))]);
}

Part resolvePart(const Section &section, const Entry &entry, const QString &typed)
{
    const QList<Part> parts = section.file().parts(entry);
    if (parts.isEmpty())
        throw CliError(QStringLiteral("Der Eintrag '%1' hat keine Teile.").arg(shownName(entry.name)));
    if (typed.isEmpty())
        return parts.front();
    bool isNumber = false;
    const int n = typed.toInt(&isNumber);
    if (isNumber) {
        if (n < 1 || n > parts.size())
            throw CliError(QStringLiteral("Teil %1 gibt es nicht; der Eintrag '%2' hat %3 Teil(e).")
                               .arg(typed, shownName(entry.name))
                               .arg(parts.size()));
        return parts[n - 1];
    }
    QList<Nameable> things;
    for (const Part &p : parts)
        things.append({ QStringLiteral("%1 %2").arg(p.number).arg(shownName(p.caption)),
            { shownName(p.caption), shownName(p.description) } });
    return parts[resolve(typed, things, QStringLiteral("Teil"))];
}

} // namespace tv::cli
