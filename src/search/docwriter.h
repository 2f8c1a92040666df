// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "partreader.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace tv::search {

class Database;
class Statement;
struct NewWords;

/// A row of the index: an entry's name (kind kEntryRow) or one of its parts.
struct DocRow
{
    qint64 section = 0;
    int ord = 0;
    int part = 0;
    int kind = 0;
    QByteArray modul, file, entry, caption;
    QString label;
};

/// @short Writes rows into docs and their words into the word index, which
/// holds no text of its own: a row leaves it with the texts it came with,
/// folded again from docs.
class DocWriter
{
public:
    DocWriter(Database &db, NewWords &words);
    ~DocWriter();
    DocWriter(const DocWriter &) = delete;
    DocWriter &operator=(const DocWriter &) = delete;

    void insert(const DocRow &row, const Body &body);
    void remove(qint64 id);
    /// Gives the row a newly read text; false when it held that text already.
    bool replaceBody(qint64 id, const Body &body);
    /// Adds the tokens met since the last call to the vocabulary, which
    /// queries expand their words through.
    void flushWords();

private:
    // Adds (or with `remove`, takes out) the row's words.
    void index(qint64 id, const QString &fname, const QString &flabel, const QByteArray &fbody, bool remove);

    Database &m_db;
    NewWords &m_words;
    std::unique_ptr<Statement> m_insert, m_index, m_unindex, m_get, m_setBody, m_drop, m_addWord;
};

} // namespace tv::search
