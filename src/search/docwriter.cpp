// SPDX-License-Identifier: GPL-3.0-or-later
#include "docwriter.h"

#include "catalogue/cp1252.h"
#include "database.h"
#include "fold.h"
#include "wordtokenizer.h"

namespace tv::search {

DocWriter::DocWriter(Database &db, NewWords &words)
    : m_db(db)
    , m_words(words)
{
    sqlite3 *h = db.handle();
    m_insert = std::make_unique<Statement>(h,
        "INSERT INTO docs(section, ord, part, kind, failed, modul, file, entry, caption, label, fname, body) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    m_index = std::make_unique<Statement>(h, "INSERT INTO fts(rowid, fname, flabel, fbody) VALUES (?, ?, ?, ?)");
    m_unindex = std::make_unique<Statement>(
        h, "INSERT INTO fts(fts, rowid, fname, flabel, fbody) VALUES ('delete', ?, ?, ?, ?)");
    m_get = std::make_unique<Statement>(h, "SELECT fname, label, body, failed FROM docs WHERE id = ?");
    m_setBody = std::make_unique<Statement>(h, "UPDATE docs SET body = ?, failed = ? WHERE id = ?");
    m_drop = std::make_unique<Statement>(h, "DELETE FROM docs WHERE id = ?");
    m_addWord = std::make_unique<Statement>(h, "INSERT OR IGNORE INTO vocab(token) VALUES (?)");
}

DocWriter::~DocWriter() = default;

void DocWriter::insert(const DocRow &row, const Body &body)
{
    const QString fname = fold(fromCp1252(row.entry));
    Statement &s = *m_insert;
    s.bind(1, row.section).bind(2, qint64(row.ord)).bind(3, qint64(row.part)).bind(4, qint64(row.kind));
    s.bind(5, qint64(body.failed)).bind(6, row.modul).bind(7, row.file).bind(8, row.entry).bind(9, row.caption);
    s.bind(10, row.label).bind(11, fname).bind(12, body.packed).run();
    index(m_db.lastInsertId(), fname, fold(row.label), body.folded, false);
}

void DocWriter::remove(qint64 id)
{
    Statement &get = *m_get;
    get.bind(1, id);
    if (get.step())
        index(id, get.text(0), fold(get.text(1)), fold(unpackedText(get.blob(2))).toUtf8(), true);
    get.reset();
    m_drop->bind(1, id).run();
}

bool DocWriter::replaceBody(qint64 id, const Body &body)
{
    Statement &get = *m_get;
    get.bind(1, id);
    if (!get.step()) {
        get.reset();
        return false;
    }
    const QString fname = get.text(0);
    const QString flabel = fold(get.text(1));
    const QByteArray &packed = body.packed;
    const QByteArray old = get.blob(2);
    const bool failed = get.integer(3) != 0;
    get.reset();
    const bool sameText = old == packed;
    if (sameText && failed == body.failed)
        return false;
    if (!sameText)
        index(id, fname, flabel, fold(unpackedText(old)).toUtf8(), true);
    m_setBody->bind(1, packed).bind(2, qint64(body.failed)).bind(3, id).run();
    if (!sameText)
        index(id, fname, flabel, body.folded, false);
    return true;
}

void DocWriter::index(
    qint64 id, const QString &fname, const QString &flabel, const QByteArray &fbody, bool remove)
{
    Statement &s = remove ? *m_unindex : *m_index;
    s.bind(1, id).bind(2, fname).bind(3, flabel).bindUtf8(4, fbody).run();
}

void DocWriter::flushWords()
{
    for (const std::string &token : m_words.pending)
        m_addWord->bind(1, QString::fromUtf8(token.data(), qsizetype(token.size()))).run();
    m_words.pending.clear();
}

} // namespace tv::search
