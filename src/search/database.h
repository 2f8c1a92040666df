// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <stdexcept>

struct fts5_api;
struct sqlite3;
struct sqlite3_stmt;

/// @short A thin layer over SQLite's C interface: one connection, prepared
/// statements, and every failure as an exception with SQLite's code.
namespace tv::search {

class DbError : public std::runtime_error
{
public:
    DbError(int code, const QString &message);
    int code() const { return m_code; }
    /// The file is no database, or a damaged one.
    bool isDamage() const;

private:
    int m_code;
};

class Statement
{
public:
    Statement(sqlite3 *db, const char *sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    Statement &bind(int index, qint64 value);
    Statement &bind(int index, const QByteArray &blob);
    Statement &bind(int index, const QString &text);
    /// Binds UTF-8 text without a copy: `utf8` must live until the statement is reset.
    Statement &bindUtf8(int index, const QByteArray &utf8);
    /// True while there is a row to read.
    bool step();
    void reset();
    /// Runs a statement that returns no rows, then resets it for the next run.
    void run();

    qint64 integer(int column) const;
    double real(int column) const;
    QByteArray blob(int column) const;
    QString text(int column) const;

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_stmt = nullptr;
};

class Database
{
public:
    /// Opens or creates the file; ":memory:" for a database in memory.
    explicit Database(const QString &path);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    void exec(const char *sql);
    sqlite3 *handle() const { return m_db; }
    qint64 lastInsertId() const;

private:
    sqlite3 *m_db = nullptr;
};

/// The connection's FTS5 interface, to register functions and tokenizers with.
/// Throws DbError when there is none.
fts5_api *fts5ApiOf(sqlite3 *db);

/// Commits on commit(), rolls back when destroyed without.
class Transaction
{
public:
    explicit Transaction(Database &db);
    ~Transaction();
    void commit();

private:
    Database &m_db;
    bool m_open = true;
};

} // namespace tv::search
