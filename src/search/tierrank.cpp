// SPDX-License-Identifier: GPL-3.0-or-later
#include "tierrank.h"

#include "database.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <sqlite3.h>

#include <algorithm>
#include <vector>

namespace tv::search {
namespace {

// Each phrase's term, from tier_rank's second argument.
std::vector<int> phraseTerms(int phrases, int argc, sqlite3_value **argv)
{
    std::vector<int> terms(static_cast<size_t>(phrases));
    for (int i = 0; i < phrases; ++i)
        terms[size_t(i)] = i;
    if (argc < 1)
        return terms;
    const auto *map = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    const QList<QByteArray> numbers = QByteArray(map ? map : "").split(' ');
    for (int i = 0; i < phrases && i < numbers.size(); ++i)
        terms[size_t(i)] = numbers[i].toInt();
    return terms;
}

// The counts of each term in each column, from the phrases' instances.
int countHits(const Fts5ExtensionApi *api, Fts5Context *fts, const std::vector<int> &terms, std::vector<int> *hits)
{
    int count = 0;
    int rc = api->xInstCount(fts, &count);
    for (int i = 0; rc == SQLITE_OK && i < count; ++i) {
        int phrase = 0, column = 0, offset = 0;
        rc = api->xInst(fts, i, &phrase, &column, &offset);
        if (rc == SQLITE_OK && column < kRankColumns && phrase < int(terms.size()))
            ++(*hits)[size_t(terms[size_t(phrase)]) * kRankColumns + size_t(column)];
    }
    return rc;
}

void tierRank(const Fts5ExtensionApi *api, Fts5Context *fts, sqlite3_context *context, int argc, sqlite3_value **argv)
{
    const std::vector<int> terms = phraseTerms(api->xPhraseCount(fts), argc, argv);
    int termCount = 0;
    for (const int term : terms)
        termCount = std::max(termCount, term + 1);
    std::vector<int> hits(static_cast<size_t>(termCount) * kRankColumns);
    const int rc = countHits(api, fts, terms, &hits);
    if (rc != SQLITE_OK)
        sqlite3_result_error_code(context, rc);
    else
        sqlite3_result_double(context, relevance(hits));
}

void tierOfRow(const Fts5ExtensionApi *api, Fts5Context *fts, sqlite3_context *context, int, sqlite3_value **)
{
    const int phrases = api->xPhraseCount(fts);
    const std::vector<int> terms = phraseTerms(phrases, 0, nullptr); // the tier needs no terms
    std::vector<int> hits(static_cast<size_t>(phrases) * kRankColumns);
    const int rc = countHits(api, fts, terms, &hits);
    if (rc != SQLITE_OK)
        sqlite3_result_error_code(context, rc);
    else
        sqlite3_result_int(context, tierOf(hits));
}

} // namespace

// bm25's saturating count of each word per column, without its inverse
// document frequency and without its length normalisation. bm25 counts, once
// per query, every row that holds each phrase, and looks up every row's
// length; for common words that costs more than all the rest of the query.
// Within a tier every row holds every word anyway.
double relevance(const std::vector<int> &hits)
{
    constexpr double kWeight[kRankColumns] = { 10.0, 5.0, 1.0 };
    constexpr double k1 = 1.2;
    double score = 0;
    for (size_t i = 0; i < hits.size(); ++i) {
        const double tf = hits[i];
        score += kWeight[i % kRankColumns] * tf * (k1 + 1) / (tf + k1);
    }
    return -score;
}

int tierOf(const std::vector<int> &hits)
{
    int tier = 0;
    for (size_t i = 0; i < hits.size(); ++i) {
        if (hits[i] > 0 && i % kRankColumns == 1)
            return 1;
        if (hits[i] > 0 && i % kRankColumns == 2)
            tier = 2;
    }
    return tier;
}

void registerTierRank(sqlite3 *db)
{
    fts5_api *api = fts5ApiOf(db);
    int rc = api->xCreateFunction(api, "tier_rank", nullptr, tierRank, nullptr);
    if (rc == SQLITE_OK)
        rc = api->xCreateFunction(api, "tier_of", nullptr, tierOfRow, nullptr);
    if (rc != SQLITE_OK)
        throw DbError(rc, QString::fromUtf8(sqlite3_errmsg(db)));
}

} // namespace tv::search
