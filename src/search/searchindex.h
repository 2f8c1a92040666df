// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "search/query.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tv::search {

class Database;

/// @short The full-text index of one catalogue folder: SQLite FTS5 with the
/// trigram tokenizer over folded text.
///
/// One row per entry (its name) and one per part (name, caption and
/// description, and the part's text: RTF or plain text, archive member
/// names, the HTML page's visible text, the web address). The index
/// remembers every Section file and Module by size and modification time and
/// update() reads only what changed since:
///
///     new module "neu.tvm"           -> the parts that live in it
///     Section_Grafik.dat replaced    -> that section's entries; texts of
///                                       unchanged modules are taken over
///     a line gone from Sections.dat  -> its rows are deleted
///
/// Not thread-safe: one thread builds and queries; update() hands control
/// out through its step callback between transactions, so queries run on
/// what is indexed so far.
class SearchIndex
{
public:
    /// Opens the index at `dbPath` or creates it there. A file that cannot be
    /// made or written, or an empty path, gives an index in memory and a note;
    /// a damaged file is replaced by a fresh one.
    SearchIndex(QString programDir, const QString &dbPath);
    ~SearchIndex();
    SearchIndex(const SearchIndex &) = delete;
    SearchIndex &operator=(const SearchIndex &) = delete;

    /// QStandardPaths::CacheLocation + "/fulltext/<hash of the folder>.sqlite".
    static QString defaultPath(const QString &programDir);

    bool inMemory() const { return m_inMemory; }
    /// Why the index is not where it belongs, or "" when it is.
    QString note() const { return m_note; }

    struct Progress
    {
        int done = 0; ///< Section files and modules brought up to date
        int total = 0;
    };
    /// Brings the index up to date with the catalogue. `step` runs between
    /// transactions; when it returns false the update stops there (what was
    /// committed stays) and update() returns false. Throws IoError when
    /// Sections.dat cannot be read.
    bool update(const std::function<bool(const Progress &)> &step);

    /// The first kMaxHits results and their count. `superseded` is polled
    /// while the query runs; when it turns true the query ends with nullopt.
    std::optional<Results> query(const Query &query, const std::function<bool()> &superseded);

    /// Parts whose module or file could not be read.
    int unreadableParts();

private:
    void open(const QString &path);
    void openInMemory(const QString &note);
    void createSchema();

    QString m_programDir;
    QString m_path;
    std::unique_ptr<Database> m_db;
    bool m_inMemory = false;
    QString m_note;
};

} // namespace tv::search
