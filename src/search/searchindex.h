// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "search/query.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tv::search {

class Database;
struct NewWords;

/// @short The full-text index of one catalogue folder: SQLite FTS5 word index
/// over folded text, its words found by substring through their trigrams.
///
/// One row per entry (its name) and one per part (name, caption and
/// description, and the part's text: RTF or plain text, archive member
/// names and text members, the HTML page's visible text, the web address). The index
/// remembers every Section file and Module by size and modification time and
/// update() reads only what changed since:
///
///     new module "neu.tvm"           -> the parts that live in it
///     Section_Grafik.dat replaced    -> that section's entries; texts of
///                                       unchanged modules are taken over
///     a line gone from Sections.dat  -> its rows are deleted
///
/// Not thread-safe: one thread builds and queries; update() hands control
/// out through its step callback every quarter of a second, so queries run on
/// what is indexed so far. The parts' files are read on a second thread
/// while the first writes. Each Section file and module is one transaction:
/// an update stopped underway loses only the unfinished one.
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
        int done = 0; ///< parts gone through (read, taken over or kept)
        int total = 0; ///< parts this update goes through
    };
    /// Brings the index up to date with the catalogue. `step` runs between
    /// transactions; when it returns false the update stops there (what was
    /// committed stays) and update() returns false. Throws IoError when
    /// Sections.dat cannot be read.
    bool update(const std::function<bool(const Progress &)> &step);

    /// Whether update() reads the parts' files on a thread at idle CPU and
    /// I/O priority (the program's background build); the thread calling
    /// update() keeps its priority and answers queries in between.
    void setReadingAtIdlePriority(bool idle) { m_idleReading = idle; }

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
    std::unique_ptr<NewWords> m_words; // before m_db: its tokenizer writes here
    std::unique_ptr<Database> m_db;
    bool m_inMemory = false;
    bool m_idleReading = false;
    QString m_note;
};

} // namespace tv::search
