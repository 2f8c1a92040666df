// SPDX-License-Identifier: GPL-3.0-or-later
#include "wordtokenizer.h"

#include "database.h"

#include <QString>

#include <sqlite3.h>

namespace tv::search {
namespace {

struct Tokenizer
{
    NewWords *words;
};

int create(void *context, const char **, int, Fts5Tokenizer **out)
{
    *out = reinterpret_cast<Fts5Tokenizer *>(new Tokenizer { static_cast<NewWords *>(context) });
    return SQLITE_OK;
}

void destroy(Fts5Tokenizer *tokenizer)
{
    delete reinterpret_cast<Tokenizer *>(tokenizer);
}

using TokenSink = int (*)(void *, int, const char *, int, int, int);

// Emits the tokens of the chunk [start, end): its words, then the chunk
// itself when it holds other characters; all at one position.
int chunkTokens(const char *text, int start, int end, NewWords *words, void *context, TokenSink sink)
{
    int rc = SQLITE_OK;
    bool first = true;
    bool whole = false;
    const auto put = [&](int from, int to) {
        if (to - from > kMaxTokenBytes)
            return;
        rc = sink(context, first ? 0 : FTS5_TOKEN_COLOCATED, text + from, to - from, from, to);
        first = false;
        if (words) {
            const std::string_view token(text + from, size_t(to - from));
            if (words->seen.find(token) == words->seen.end()) {
                words->seen.emplace(token);
                words->pending.emplace_back(token);
            }
        }
    };
    for (int i = start; i < end && rc == SQLITE_OK;) {
        if (!isWordByte(static_cast<unsigned char>(text[i]))) {
            whole = true;
            ++i;
            continue;
        }
        const int from = i;
        while (i < end && isWordByte(static_cast<unsigned char>(text[i])))
            ++i;
        put(from, i);
    }
    if (whole && rc == SQLITE_OK)
        put(start, end);
    return rc;
}

int tokenize(Fts5Tokenizer *tokenizer, void *context, int flags, const char *text, int length, TokenSink sink)
{
    if (flags & FTS5_TOKENIZE_QUERY) // the query builder quotes whole tokens
        return length > 0 ? sink(context, 0, text, length, 0, length) : SQLITE_OK;
    NewWords *words = (flags & FTS5_TOKENIZE_DOCUMENT) ? reinterpret_cast<Tokenizer *>(tokenizer)->words : nullptr;
    int rc = SQLITE_OK;
    for (int i = 0; i < length && rc == SQLITE_OK;) {
        while (i < length && static_cast<unsigned char>(text[i]) <= ' ')
            ++i;
        const int start = i;
        while (i < length && static_cast<unsigned char>(text[i]) > ' ')
            ++i;
        if (i > start)
            rc = chunkTokens(text, start, i, words, context, sink);
    }
    return rc;
}

} // namespace

void registerWordTokenizer(sqlite3 *db, NewWords *words)
{
    static fts5_tokenizer methods { create, destroy, tokenize };
    fts5_api *api = fts5ApiOf(db);
    const int rc = api->xCreateTokenizer(api, "tv_words", words, &methods, nullptr);
    if (rc != SQLITE_OK)
        throw DbError(rc, QString::fromUtf8(sqlite3_errmsg(db)));
}

} // namespace tv::search
