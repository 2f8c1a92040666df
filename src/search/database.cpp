// SPDX-License-Identifier: GPL-3.0-or-later
#include "database.h"

#include <QFile>

#include <sqlite3.h>

namespace tv::search {
namespace {

[[noreturn]] void fail(sqlite3 *db, int code)
{
    throw DbError(code, QString::fromUtf8(db ? sqlite3_errmsg(db) : sqlite3_errstr(code)));
}

} // namespace

DbError::DbError(int code, const QString &message)
    : std::runtime_error(message.toStdString())
    , m_code(code)
{
}

bool DbError::isDamage() const
{
    const int primary = m_code & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

Statement::Statement(sqlite3 *db, const char *sql)
    : m_db(db)
{
    const int rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
    if (rc != SQLITE_OK)
        fail(db, rc);
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Statement &Statement::bind(int index, qint64 value)
{
    const int rc = sqlite3_bind_int64(m_stmt, index, value);
    if (rc != SQLITE_OK)
        fail(m_db, rc);
    return *this;
}

Statement &Statement::bind(int index, const QByteArray &blob)
{
    // Never NULL, so that "=" compares an empty name too.
    const int rc = sqlite3_bind_blob64(
        m_stmt, index, blob.isNull() ? "" : blob.constData(), sqlite3_uint64(blob.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        fail(m_db, rc);
    return *this;
}

Statement &Statement::bind(int index, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    const int rc = sqlite3_bind_text64(
        m_stmt, index, utf8.constData(), sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
    if (rc != SQLITE_OK)
        fail(m_db, rc);
    return *this;
}

Statement &Statement::bindUtf8(int index, const QByteArray &utf8)
{
    const int rc = sqlite3_bind_text64(m_stmt, index, utf8.isNull() ? "" : utf8.constData(),
        sqlite3_uint64(utf8.size()), SQLITE_STATIC, SQLITE_UTF8);
    if (rc != SQLITE_OK)
        fail(m_db, rc);
    return *this;
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_stmt);
    fail(m_db, rc);
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

void Statement::run()
{
    while (step()) { }
    reset();
}

qint64 Statement::integer(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

double Statement::real(int column) const
{
    return sqlite3_column_double(m_stmt, column);
}

QByteArray Statement::blob(int column) const
{
    const void *data = sqlite3_column_blob(m_stmt, column);
    return QByteArray(static_cast<const char *>(data), sqlite3_column_bytes(m_stmt, column));
}

QString Statement::text(int column) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column));
}

Database::Database(const QString &path)
{
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const DbError error(rc, QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc)));
        sqlite3_close(m_db);
        throw error;
    }
    sqlite3_extended_result_codes(m_db, 1);
    // The program and tipvault-cli share the index; one waits while the other
    // commits instead of giving up on the file.
    sqlite3_busy_timeout(m_db, 10000);
}

Database::~Database()
{
    sqlite3_close(m_db);
}

void Database::exec(const char *sql)
{
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(m_db, rc);
}

qint64 Database::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

fts5_api *fts5ApiOf(sqlite3 *db)
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
    if (rc != SQLITE_OK)
        fail(db, rc);
    return api;
}

Transaction::Transaction(Database &db)
    : m_db(db)
{
    // Takes the write lock at once: a read transaction that later wants to
    // write while another process writes fails without waiting.
    m_db.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction()
{
    if (m_open)
        sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    m_db.exec("COMMIT");
    m_open = false;
}

} // namespace tv::search
