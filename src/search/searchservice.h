// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "search/query.h"
#include "search/searchindex.h"

#include <QObject>
#include <QPair>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace tv::search {

/// @short Builds the index and answers queries on a thread of its own.
///
/// Typing never waits: search() only hands the query over, and a newer query
/// supersedes an older one that has not been answered yet (a running one is
/// stopped). Answers come back as signals on the thread that owns the service.
/// Queries are answered between the build's transactions, so the part already
/// indexed is searchable while the rest is read. Destroying the service stops
/// the build after its current transaction.
class SearchService : public QObject
{
    Q_OBJECT
public:
    /// `dbPath` as SearchIndex takes it; nothing runs before start().
    SearchService(QString programDir, QString dbPath, QObject *parent = nullptr);
    ~SearchService() override;

    void start();
    /// Brings the index up to date again (after an update integration).
    void refresh();
    /// Queues `query`; results() answers it unless a newer one came first.
    /// Returns the query's number, which its Results carry.
    quint64 search(const Query &query);

    bool isIndexing() const { return m_indexing; }
    /// The build's last progress report, in parts: done and total.
    QPair<int, int> lastProgress() const { return m_lastProgress; }

signals:
    void results(const tv::search::Results &results);
    void progress(int done, int total);
    /// The index is up to date; `unreadable` parts could not be read.
    void indexReady(int unreadable);
    /// Where the index lives if not in the cache directory, or why the search failed.
    void noteChanged(const QString &note);

private:
    void run();
    bool step(const SearchIndex::Progress &progress);
    void answerPending(SearchIndex &index);
    template <typename F> void post(F &&f);

    QString m_programDir;
    QString m_dbPath;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<Query> m_pending;
    quint64 m_latest = 0; // guarded by m_mutex
    bool m_refresh = true;
    bool m_stop = false;
    bool m_indexing = false; // GUI thread only
    QPair<int, int> m_lastProgress { 0, 0 }; // GUI thread only
    SearchIndex *m_index = nullptr; // worker thread only
};

} // namespace tv::search
