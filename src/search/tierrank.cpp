// SPDX-License-Identifier: GPL-3.0-or-later
#include "tierrank.h"

#include "database.h"

#include <QString>

#include <sqlite3.h>

#include <vector>

namespace tv::search {
namespace {

// Relevance within one tier of the results: bm25's saturating count of each
// word per column, without its inverse document frequency and without its
// length normalisation. bm25 counts, once per query, every row that holds
// each phrase, and looks up every row's length; for common words that costs
// more than all the rest of the query. Within a tier every row holds every
// word anyway. Lower is better.
void tierRank(const Fts5ExtensionApi *api, Fts5Context *fts, sqlite3_context *context, int, sqlite3_value **)
{
    constexpr int kColumns = 3; // fname, flabel, fbody; the names table has the first only
    constexpr double kWeight[kColumns] = { 10.0, 5.0, 1.0 };
    constexpr double k1 = 1.2;
    const int phrases = api->xPhraseCount(fts);
    std::vector<int> hits(size_t(phrases) * kColumns);
    int count = 0;
    int rc = api->xInstCount(fts, &count);
    for (int i = 0; rc == SQLITE_OK && i < count; ++i) {
        int phrase = 0, column = 0, offset = 0;
        rc = api->xInst(fts, i, &phrase, &column, &offset);
        if (rc == SQLITE_OK && column < kColumns)
            ++hits[size_t(phrase) * kColumns + size_t(column)];
    }
    double score = 0;
    for (size_t i = 0; i < hits.size(); ++i) {
        const double tf = hits[i];
        score += kWeight[i % kColumns] * tf * (k1 + 1) / (tf + k1);
    }
    if (rc != SQLITE_OK)
        sqlite3_result_error_code(context, rc);
    else
        sqlite3_result_double(context, -score);
}

// 1 when a word occurs in the caption or description (flabel), else 2 when
// one occurs in the text, else 0: a part is no result for words that only its
// entry's name holds.
void tierOf(const Fts5ExtensionApi *api, Fts5Context *fts, sqlite3_context *context, int, sqlite3_value **)
{
    int count = 0;
    int rc = api->xInstCount(fts, &count);
    int tier = 0;
    for (int i = 0; rc == SQLITE_OK && i < count && tier != 1; ++i) {
        int phrase = 0, column = 0, offset = 0;
        rc = api->xInst(fts, i, &phrase, &column, &offset);
        if (column == 1)
            tier = 1;
        else if (column == 2)
            tier = 2;
    }
    if (rc != SQLITE_OK)
        sqlite3_result_error_code(context, rc);
    else
        sqlite3_result_int(context, tier);
}

} // namespace

void registerTierRank(sqlite3 *db)
{
    fts5_api *api = nullptr;
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &stmt, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_bind_pointer(stmt, 1, static_cast<void *>(&api), "fts5_api_ptr", nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(stmt) == SQLITE_ROW ? SQLITE_OK : sqlite3_errcode(db);
    sqlite3_finalize(stmt);
    if (rc == SQLITE_OK && !api)
        rc = SQLITE_ERROR;
    if (rc == SQLITE_OK)
        rc = api->xCreateFunction(api, "tier_rank", nullptr, tierRank, nullptr);
    if (rc == SQLITE_OK)
        rc = api->xCreateFunction(api, "tier_of", nullptr, tierOf, nullptr);
    if (rc != SQLITE_OK)
        throw DbError(rc, QString::fromUtf8(sqlite3_errmsg(db)));
}

} // namespace tv::search
