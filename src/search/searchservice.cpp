// SPDX-License-Identifier: GPL-3.0-or-later
#include "searchservice.h"

#include <QMetaObject>

#include <exception>

namespace tv::search {

SearchService::SearchService(QString programDir, QString dbPath, QObject *parent)
    : QObject(parent)
    , m_programDir(std::move(programDir))
    , m_dbPath(std::move(dbPath))
{
}

SearchService::~SearchService()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void SearchService::start()
{
    if (m_thread.joinable())
        return;
    m_indexing = true;
    m_thread = std::thread([this] { run(); });
}

void SearchService::refresh()
{
    {
        const std::lock_guard lock(m_mutex);
        m_refresh = true;
    }
    m_indexing = true;
    m_wake.notify_all();
}

quint64 SearchService::search(const Query &query)
{
    quint64 generation = 0;
    {
        const std::lock_guard lock(m_mutex);
        generation = ++m_latest;
        m_pending = query;
    }
    m_wake.notify_all();
    return generation;
}

template <typename F> void SearchService::post(F &&f)
{
    // Dropped with the service when it goes first.
    QMetaObject::invokeMethod(this, std::forward<F>(f), Qt::QueuedConnection);
}

void SearchService::run()
{
    try {
        SearchIndex index(m_programDir, m_dbPath);
        index.setReadingAtIdlePriority(true);
        m_index = &index;
        if (!index.note().isEmpty())
            post([this, note = index.note()] { emit noteChanged(note); });
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            if (m_refresh) {
                m_refresh = false;
                lock.unlock();
                const bool complete
                    = index.update([this](const SearchIndex::Progress &p) { return step(p); });
                const int unreadable = index.unreadableParts();
                if (complete) {
                    post([this, unreadable] {
                        m_indexing = false;
                        emit indexReady(unreadable);
                    });
                }
                if (!index.note().isEmpty())
                    post([this, note = index.note()] { emit noteChanged(note); });
                lock.lock();
                continue;
            }
            if (m_pending) {
                lock.unlock();
                answerPending(index);
                lock.lock();
                continue;
            }
            m_wake.wait(lock);
        }
        m_index = nullptr;
    } catch (const std::exception &error) {
        m_index = nullptr;
        post([this, message = QString::fromUtf8(error.what())] {
            m_indexing = false;
            emit noteChanged(QStringLiteral("Die Volltextsuche ist nicht verfügbar: %1").arg(message));
        });
    }
}

bool SearchService::step(const SearchIndex::Progress &progress)
{
    post([this, p = progress] {
        m_lastProgress = { p.done, p.total };
        emit this->progress(p.done, p.total);
    });
    answerPending(*m_index);
    const std::lock_guard lock(m_mutex);
    return !m_stop;
}

void SearchService::answerPending(SearchIndex &index)
{
    std::optional<Query> query;
    quint64 generation = 0;
    {
        const std::lock_guard lock(m_mutex);
        query.swap(m_pending);
        generation = m_latest;
    }
    if (!query)
        return;
    auto superseded = [this, generation] {
        const std::lock_guard lock(m_mutex);
        return m_stop || m_latest != generation;
    };
    std::optional<Results> answer = index.query(*query, superseded);
    if (!answer)
        return;
    answer->generation = generation;
    post([this, answer = std::move(*answer)] { emit results(answer); });
}

} // namespace tv::search
