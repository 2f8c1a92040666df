// SPDX-License-Identifier: GPL-3.0-or-later
#include "tieredquery.h"

#include "catalogue/cp1252.h"
#include "database.h"
#include "partreader.h"
#include "fold.h"
#include "indexschema.h"
#include "membertext.h"
#include "tierrank.h"
#include "wordquery.h"

#include <QSet>

#include <memory>

#include <algorithm>
#include <tuple>

namespace tv::search {
namespace {

QString quoted(const QString &term)
{
    QString q = term;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

// A text as an SQL string literal: 'it''s'.
QString literal(const QString &text)
{
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

QString kindList(Kinds kinds)
{
    QStringList list;
    if (kinds & Kind::Entries)
        list << QString::number(kEntryRow) << QString::number(int(PartKind::None));
    for (const PartKindInfo &info : partKinds()) {
        if (kinds & Kind(info.searchKind))
            list << QString::number(int(info.kind));
    }
    return list.join(u',');
}

// Matches a tier may hold and still be ranked by relevance.
constexpr int kRankedAtMost = 2000;

// A result from a row of "d.id, s.line, s.position, d.entry, d.part,
// d.caption, d.kind, d.label"; `body` reads a row's text by its id.
Hit hitOf(const Statement &rows, Statement &body, const QStringList &longTerms, const QStringList &terms)
{
    Hit hit;
    hit.sectionLine = rows.blob(1);
    hit.sectionPosition = int(rows.integer(2));
    hit.entry = rows.blob(3);
    hit.part = int(rows.integer(4));
    hit.caption = rows.blob(5);
    const int kind = int(rows.integer(6));
    hit.kind = kind == kEntryRow ? PartKind::None : PartKind(kind);
    // The line shown: where the text matches, else the caption and
    // description, else the name.
    QPair<QString, QList<QPair<int, int>>> context;
    if (kind != kEntryRow) {
        body.bind(1, rows.integer(0));
        const QString text = body.step() ? unpackedText(body.blob(0)) : QString();
        body.reset();
        if (hit.kind == PartKind::Archive) {
            const ArchiveContext inArchive = archiveContext(text, longTerms);
            hit.member = inArchive.member;
            context = { inArchive.line, inArchive.marks };
        } else {
            context = contextLine(text, longTerms);
        }
        if (context.first.isEmpty())
            context = contextLine(rows.text(7), longTerms);
    }
    if (context.first.isEmpty())
        context = contextLine(fromCp1252(hit.entry), terms);
    if (context.first.isEmpty())
        context.first = fromCp1252(hit.entry);
    hit.context = context.first;
    hit.marks = context.second;
    return hit;
}

// The columns hitOf() reads.
constexpr const char *kHitColumns = "SELECT d.id, s.line, s.position, d.entry, d.part, d.caption, d.kind, d.label";

/// One run of a query: each tier appends its hits to the results.
class TieredQuery
{
public:
    TieredQuery(Database &db, const Query &query, const std::function<bool()> &superseded)
        : m_db(db)
        , m_query(query)
        , m_superseded(superseded)
        , m_parsed(parseQuery(query.text))
        , m_terms(m_parsed.longTerms + m_parsed.shortTerms)
        , m_body(db.handle(), "SELECT body FROM docs WHERE id = ?")
    {
        m_results.query = query.text;
    }

    std::optional<Results> run()
    {
        const QString kinds = kindList(m_query.kinds);
        if (m_parsed.isEmpty() || kinds.isEmpty())
            return m_results;
        m_filter = filterFor(kinds);
        if (m_parsed.longTerms.isEmpty())
            return entriesByShortWords() ? std::optional(m_results) : std::nullopt;
        QStringList quotedTerms;
        for (const QString &term : m_parsed.longTerms)
            quotedTerms << quoted(term);
        m_every = QStringLiteral("(%1)").arg(quotedTerms.join(QStringLiteral(" AND ")));
        if ((m_query.kinds & Kind::Entries) && !nameTier())
            return std::nullopt;
        m_words = wordQuery(m_db, m_parsed.longTerms);
        if (m_words.nothing)
            return m_results;
        return partTiers() ? std::optional(m_results) : std::nullopt;
    }

private:
    // What narrows beyond the index's match. Words of one or two characters:
    // the trigram index cannot look them up, so they must occur in the
    // entry's name, and alone they find entries only.
    QString filterFor(const QString &kinds) const
    {
        QString filter
            = m_query.kinds == kAllKinds ? QString() : QStringLiteral(" AND d.kind IN (%1)").arg(kinds);
        for (const QString &term : m_parsed.shortTerms)
            filter += QStringLiteral(" AND instr(d.fname, %1) > 0").arg(literal(term));
        if (m_query.section)
            filter += QStringLiteral(" AND s.line = x'%1'").arg(QString::fromLatin1(m_query.section->toHex()));
        return filter;
    }

    bool collect(const QString &sql)
    {
        Statement rows(m_db.handle(), sql.toUtf8().constData());
        while (rows.step()) {
            if (m_superseded())
                return false;
            m_results.hits.append(hitOf(rows, m_body, m_parsed.longTerms, m_terms));
        }
        return true;
    }

    void setTotal(qint64 count)
    {
        m_results.total = int(qMin<qint64>(count, kCountAtMost));
        m_results.moreThanTotal = count > kCountAtMost;
    }

    // Short words alone: entries in the catalogue's order. Counting every
    // match of a common word costs as much as the rest of the query; past
    // kCountAtMost only "more than" is told.
    bool entriesByShortWords()
    {
        const QString from
            = QStringLiteral(" FROM docs d JOIN sections s ON s.id = d.section WHERE d.kind = %1").arg(kEntryRow)
            + m_filter;
        Statement counter(m_db.handle(),
            QStringLiteral("SELECT count(*) FROM (SELECT 1%1 LIMIT %2)")
                .arg(from)
                .arg(kCountAtMost + 1)
                .toUtf8()
                .constData());
        counter.step();
        setTotal(counter.integer(0));
        return collect(QString::fromLatin1(kHitColumns) + from
            + QStringLiteral(" ORDER BY s.position, d.ord, d.part LIMIT %1").arg(kMaxHits));
    }

    // First tier: entries whose name holds every word, from the small index
    // of names. Their rows also match below (the name stands in their label
    // column too) and are left out there.
    bool nameTier()
    {
        const QString names = QStringLiteral(" FROM names CROSS JOIN docs d ON d.id = names.rowid CROSS JOIN "
                                             "sections s ON s.id = d.section WHERE names MATCH %1")
                                  .arg(literal(m_every))
            + m_filter;
        Statement ids(m_db.handle(), (QStringLiteral("SELECT d.id") + names).toUtf8().constData());
        while (ids.step())
            m_named.insert(ids.integer(0));
        return collect(QString::fromLatin1(kHitColumns) + names
            + QStringLiteral(" ORDER BY tier_rank(names), s.position, d.ord, d.part LIMIT %1").arg(kMaxHits));
    }

    struct Match
    {
        int tier;
        double rank;
        qint64 id;
        bool operator<(const Match &other) const
        {
            return std::tie(tier, rank, id) < std::tie(other.tier, other.rank, other.id);
        }
    };

    // The other tiers and the count in one pass over the rows holding every
    // word: each evaluation of a common word's phrases costs as much as the
    // whole rest, so tier_of() sorts out the rows that match in the name alone
    // rather than a second set of phrases in the MATCH.
    bool partTiers()
    {
        QList<Match> matches;
        const bool complete = matchesOfPartTiers(&matches);
        if (m_results.hits.size() >= kMaxHits)
            return true;
        // A word that common says little about relevance: a tier of more than a
        // few thousand matches keeps the catalogue's order (the rows' order), as
        // does every tier when the count stopped early and the best may be unseen.
        int tierSize[3] = { 0, 0, 0 };
        for (const Match &m : std::as_const(matches))
            ++tierSize[m.tier];
        for (Match &m : matches) {
            if (!complete || tierSize[m.tier] > kRankedAtMost)
                m.rank = 0; // the rows' order
        }
        std::sort(matches.begin(), matches.end());
        return collectMatches(matches);
    }

    // The rows of tiers 1 and 2 not in the name tier, and the count; false
    // when the count stopped early.
    bool matchesOfPartTiers(QList<Match> *matches)
    {
        const bool direct = !m_words.verify && !m_words.expression.isEmpty();
        QString sql;
        if (m_words.expression.isEmpty()) {
            // No term the index can look up: every row in the scope is read.
            sql = QStringLiteral("SELECT d.id FROM docs d JOIN sections s ON s.id = d.section WHERE 1")
                + m_filter;
        } else {
            const QString joined
                = QStringLiteral(" FROM fts CROSS JOIN docs d ON d.id = fts.rowid CROSS JOIN sections s "
                                 "ON s.id = d.section WHERE fts MATCH ");
            const QString pass = (m_filter.isEmpty() ? QStringLiteral(" FROM fts WHERE fts MATCH ") : joined)
                + literal(m_words.expression) + m_filter;
            QStringList map;
            for (const int term : std::as_const(m_words.phraseTerm))
                map.append(QString::number(term));
            sql = direct ? QStringLiteral("SELECT fts.rowid, tier_of(fts), tier_rank(fts, %1)")
                                   .arg(literal(map.join(u' ')))
                    + pass
                         : QStringLiteral("SELECT fts.rowid") + pass;
        }
        Statement all(m_db.handle(), sql.toUtf8().constData());
        qint64 count = 0;
        while (count <= kCountAtMost && all.step()) {
            const qint64 id = all.integer(0);
            const Match match = direct ? Match { int(all.integer(1)), all.real(2), id } : checked(id);
            if (match.tier == 0)
                continue;
            ++count;
            if (!m_named.contains(id))
                matches->append(match);
        }
        setTotal(count);
        return count <= kCountAtMost;
    }

    // The tier and rank of a row from its texts, tier 0 when a term is not in them as written.
    Match checked(qint64 id)
    {
        if (!m_texts)
            m_texts = std::make_unique<Statement>(m_db.handle(), "SELECT fname, label, body FROM docs WHERE id = ?");
        m_texts->bind(1, id);
        if (!m_texts->step()) {
            m_texts->reset();
            return { 0, 0, id };
        }
        const QString columns[kRankColumns] = { m_texts->text(0), fold(m_texts->text(1)), fold(unpackedText(m_texts->blob(2))) };
        m_texts->reset();
        const QStringList &terms = m_parsed.longTerms;
        std::vector<int> hits(size_t(terms.size()) * kRankColumns);
        for (qsizetype t = 0; t < terms.size(); ++t) {
            int found = 0;
            for (int c = 0; c < kRankColumns; ++c) {
                int &n = hits[size_t(t) * kRankColumns + size_t(c)];
                for (qsizetype at = columns[c].indexOf(terms[t]); at >= 0; at = columns[c].indexOf(terms[t], at + 1))
                    ++n;
                found += n;
            }
            if (found == 0)
                return { 0, 0, id };
        }
        return { tierOf(hits), relevance(hits), id };
    }

    bool collectMatches(const QList<Match> &matches)
    {
        Statement one(m_db.handle(),
            (QString::fromLatin1(kHitColumns)
                + QStringLiteral(" FROM docs d JOIN sections s ON s.id = d.section WHERE d.id = ?"))
                .toUtf8()
                .constData());
        for (const Match &m : matches) {
            if (m_results.hits.size() >= kMaxHits)
                break;
            if (m_superseded())
                return false;
            one.bind(1, m.id);
            if (one.step())
                m_results.hits.append(hitOf(one, m_body, m_parsed.longTerms, m_terms));
            one.reset();
        }
        return true;
    }

    Database &m_db;
    const Query &m_query;
    const std::function<bool()> &m_superseded;
    const ParsedQuery m_parsed;
    const QStringList m_terms;
    Statement m_body;
    Results m_results;
    QString m_filter;
    QString m_every; // every long word, as an FTS5 expression of the names' trigrams
    WordQuery m_words; // the same words for the word index
    std::unique_ptr<Statement> m_texts;
    QSet<qint64> m_named; // the rows of the name tier
};

} // namespace

std::optional<Results> runTieredQuery(
    Database &db, const Query &query, const std::function<bool()> &superseded)
{
    return TieredQuery(db, query, superseded).run();
}

} // namespace tv::search
