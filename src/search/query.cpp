// SPDX-License-Identifier: GPL-3.0-or-later
#include "query.h"

#include "catalogue/paths.h"
#include "fold.h"

#include <algorithm>

namespace tv::search {
namespace {

void addTerm(ParsedQuery &query, const QString &raw)
{
    const QString term = fold(raw).trimmed();
    if (term.isEmpty())
        return;
    QStringList &list = term.size() >= 3 ? query.longTerms : query.shortTerms;
    if (!list.contains(term))
        list.append(term);
}

constexpr int kBefore = 40;
constexpr int kLength = 160;

} // namespace

ParsedQuery parseQuery(const QString &text)
{
    ParsedQuery query;
    QString word;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"') {
            addTerm(query, word);
            word.clear();
            quoted = !quoted;
        } else if (c.isSpace() && !quoted) {
            addTerm(query, word);
            word.clear();
        } else {
            word += c;
        }
    }
    addTerm(query, word);
    return query;
}

QByteArray Hit::sectionCaption() const
{
    return ConvertUmlaut(sectionLine, true);
}

QPair<QString, QList<QPair<int, int>>> contextLine(const QString &original, const QStringList &terms)
{
    const FoldedText folded = foldWithOrigin(original);
    qsizetype first = -1;
    for (const QString &term : terms) {
        const qsizetype at = folded.text.indexOf(term);
        if (at >= 0 && (first < 0 || at < first))
            first = at;
    }
    if (first < 0)
        return {};
    // The window in the original text, cut at blanks where it can be.
    const int matchStart = folded.origin[first];
    int start = std::max(0, matchStart - kBefore);
    if (start > 0) {
        const qsizetype blank = original.indexOf(u' ', start);
        if (blank >= 0 && blank < matchStart)
            start = int(blank) + 1;
    }
    const int end = int(std::min<qsizetype>(original.size(), start + kLength));

    QList<QPair<int, int>> marks;
    for (const QString &term : terms) {
        for (qsizetype at = folded.text.indexOf(term); at >= 0; at = folded.text.indexOf(term, at + 1)) {
            const int from = folded.origin[at];
            const int to = folded.origin[at + term.size() - 1] + 1;
            if (from >= start && to <= end)
                marks.append({ from - start, to - from });
        }
    }
    std::sort(marks.begin(), marks.end());
    QString line = original.mid(start, end - start);
    for (QChar &c : line) {
        if (c.isSpace() || c.category() == QChar::Other_Control)
            c = u' '; // one line: breaks and tabs become blanks, lengths stay
    }
    if (start > 0) {
        line.prepend(u'…');
        for (auto &mark : marks)
            ++mark.first;
    }
    if (end < original.size())
        line += u'…';
    return { line, marks };
}

} // namespace tv::search
