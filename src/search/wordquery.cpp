// SPDX-License-Identifier: GPL-3.0-or-later
#include "wordquery.h"

#include "database.h"
#include "wordtokenizer.h"

#include <optional>

namespace tv::search {
namespace {

// A chunk of a phrase whose tokens are more than this many says little and
// would make a query of thousands of words: the texts decide instead.
constexpr qsizetype kMaxPhraseExpansion = 2000;
// Pairs of first and last tokens up to which a phrase is asked for as such.
constexpr qsizetype kMaxPhrasePairs = 64;

bool isPlain(const QString &chunk)
{
    for (const QChar c : chunk) {
        if (c.unicode() < 0x80 && !isWordByte(static_cast<unsigned char>(c.unicode())))
            return false;
    }
    return true;
}

QString quoted(const QString &token)
{
    return u'"' + QString(token).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// The tokens that contain `part`; with `plainOnly` words only, not whole chunks.
QStringList tokensContaining(Database &db, const QString &part, bool plainOnly)
{
    // Three characters and more through the trigrams; shorter ones are rare in
    // a query and read the vocabulary.
    Statement find(db.handle(),
        part.size() >= 3 ? "SELECT token FROM vocabgrams WHERE vocabgrams MATCH ?"
                         : "SELECT token FROM vocab WHERE instr(token, ?) > 0");
    find.bind(1, part.size() >= 3 ? quoted(part) : part);
    QStringList tokens;
    while (find.step()) {
        const QString token = find.text(0);
        // The trigram index ignores case beyond ours; the index's tokens are folded.
        if (token.contains(part) && (!plainOnly || isPlain(token)))
            tokens.append(token);
    }
    return tokens;
}

QString anyOf(const QStringList &tokens)
{
    QStringList quotedTokens;
    for (const QString &token : tokens)
        quotedTokens.append(quoted(token));
    return u'(' + quotedTokens.join(QStringLiteral(" OR ")) + u')';
}

class Builder
{
public:
    explicit Builder(Database &db)
        : m_db(db)
    {
    }

    void add(int term, const QString &text)
    {
        const QStringList chunks = text.split(u' ', Qt::SkipEmptyParts);
        if (chunks.size() == 1)
            addChunk(term, chunks.first());
        else
            addPhrase(term, chunks);
    }

    WordQuery result()
    {
        m_query.expression = m_parts.join(QStringLiteral(" AND "));
        return m_query;
    }

private:
    void addChunk(int term, const QString &chunk)
    {
        // A word lies inside a word token; a chunk with "::" inside a chunk token.
        const QStringList tokens = tokensContaining(m_db, chunk, isPlain(chunk));
        if (tokens.isEmpty()) {
            m_query.nothing = true;
            return;
        }
        m_parts.append(anyOf(tokens));
        for (qsizetype i = 0; i < tokens.size(); ++i)
            m_query.phraseTerm.append(term);
    }

    // The text's chunks: the first ends with the first of the phrase, the last
    // begins with its last, those between are the phrase's as they stand.
    void addPhrase(int term, const QStringList &chunks)
    {
        m_query.verify = true;
        const std::optional<QStringList> first = edge(chunks.first());
        const std::optional<QStringList> last = edge(chunks.last());
        if ((first && first->isEmpty()) || (last && last->isEmpty())) {
            m_query.nothing = true;
            return;
        }
        QStringList middle;
        for (qsizetype i = 1; i + 1 < chunks.size(); ++i)
            middle.append(quoted(chunks[i]));
        if (first && last && first->size() * last->size() <= kMaxPhrasePairs) {
            QStringList phrases;
            for (const QString &a : *first) {
                for (const QString &b : *last) {
                    phrases.append((QStringList { quoted(a) } + middle + QStringList { quoted(b) })
                                       .join(QStringLiteral(" + ")));
                    m_query.phraseTerm.append(term);
                }
            }
            m_parts.append(u'(' + phrases.join(QStringLiteral(" OR ")) + u')');
            return;
        }
        for (const std::optional<QStringList> &edgeTokens : { first, last }) {
            if (!edgeTokens)
                continue;
            m_parts.append(anyOf(*edgeTokens));
            for (qsizetype i = 0; i < edgeTokens->size(); ++i)
                m_query.phraseTerm.append(term);
        }
        for (const QString &chunk : std::as_const(middle)) {
            m_parts.append(chunk);
            m_query.phraseTerm.append(term);
        }
    }

    // The tokens a phrase's first or last chunk may be part of; nullopt when too many to ask for.
    std::optional<QStringList> edge(const QString &chunk)
    {
        QStringList tokens = tokensContaining(m_db, chunk, false);
        if (tokens.size() > kMaxPhraseExpansion)
            return std::nullopt;
        return tokens;
    }

    Database &m_db;
    WordQuery m_query;
    QStringList m_parts;
};

} // namespace

WordQuery wordQuery(Database &db, const QStringList &terms)
{
    Builder builder(db);
    for (int i = 0; i < terms.size(); ++i)
        builder.add(i, terms[i]);
    return builder.result();
}

} // namespace tv::search
