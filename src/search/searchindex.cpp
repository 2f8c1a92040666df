// SPDX-License-Identifier: GPL-3.0-or-later
#include "searchindex.h"

#include "catalogue/paths.h"
#include "database.h"
#include "indexschema.h"
#include "indexupdater.h"
#include "tieredquery.h"
#include "tierrank.h"
#include "wordtokenizer.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

namespace tv::search {
namespace {

int progressHandler(void *context)
{
    return (*static_cast<const std::function<bool()> *>(context))() ? 1 : 0;
}

} // namespace

SearchIndex::SearchIndex(QString programDir, const QString &dbPath)
    : m_programDir(withSeparator(std::move(programDir)))
    , m_path(dbPath)
    , m_words(std::make_unique<NewWords>())
{
    if (dbPath.isEmpty())
        openInMemory(QString());
    else
        open(dbPath);
}

SearchIndex::~SearchIndex() = default;

QString SearchIndex::defaultPath(const QString &programDir)
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (cache.isEmpty())
        return QString();
    const QByteArray key = QFile::encodeName(QDir(programDir).canonicalPath());
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16);
    return cache + QStringLiteral("/fulltext/") + QString::fromLatin1(hash) + QStringLiteral(".sqlite");
}

void SearchIndex::open(const QString &path)
{
    const QString dir = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(dir)) {
        openInMemory(QStringLiteral("Der Suchindex kann in %1 nicht angelegt werden; er liegt nur im "
                                    "Arbeitsspeicher und wird bei jedem Start neu aufgebaut.")
                         .arg(QDir::toNativeSeparators(dir)));
        return;
    }
    try {
        m_db = std::make_unique<Database>(path);
        createSchema();
        m_inMemory = false;
        return;
    } catch (const DbError &error) {
        m_db.reset();
        if (error.isDamage() && QFile::remove(path)) {
            QFile::remove(path + QStringLiteral("-wal"));
            QFile::remove(path + QStringLiteral("-shm"));
            try {
                m_db = std::make_unique<Database>(path);
                createSchema();
                m_note = QStringLiteral("Der Suchindex war beschädigt und wird neu aufgebaut.");
                return;
            } catch (const DbError &) {
                m_db.reset();
            }
        }
    }
    openInMemory(QStringLiteral("Der Suchindex kann in %1 nicht gespeichert werden; er liegt nur im "
                                "Arbeitsspeicher und wird bei jedem Start neu aufgebaut.")
                     .arg(QDir::toNativeSeparators(path)));
}

void SearchIndex::openInMemory(const QString &note)
{
    m_db.reset();
    m_db = std::make_unique<Database>(QStringLiteral(":memory:"));
    createSchema();
    m_inMemory = true;
    m_note = note;
}

void SearchIndex::createSchema()
{
    *m_words = {}; // the words another file holds are not in this one
    registerTierRank(m_db->handle());
    registerWordTokenizer(m_db->handle(), m_words.get());
    // A file another program holds is no index of ours: reading the version
    // fails on it (SQLITE_NOTADB), which counts as damage.
    // The log of a large build is cut back once it is written into the file.
    m_db->exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-65536; "
               "PRAGMA journal_size_limit=4194304;");
    qint64 stored = 0;
    {
        // Finished before the tables are dropped: a statement still running keeps them locked.
        Statement version(m_db->handle(), "PRAGMA user_version");
        version.step();
        stored = version.integer(0);
    }
    if (stored == kSchemaVersion)
        return;
    Transaction tx(*m_db);
    m_db->exec(kDropAll);
    m_db->exec(kSchema);
    m_db->exec(("PRAGMA user_version = " + QByteArray::number(kSchemaVersion)).constData());
    tx.commit();
}

bool SearchIndex::update(const std::function<bool(const Progress &)> &step)
{
    try {
        const bool complete = updateIndex(*m_db, *m_words, m_programDir, m_idleReading, step);
        if (complete)
            sqlite3_wal_checkpoint_v2(m_db->handle(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        return complete;
    } catch (const DbError &error) {
        if (m_inMemory)
            throw;
        // Damaged underway, or the disk is full or gone read-only: build afresh in memory.
        openInMemory(error.isDamage()
                ? QStringLiteral("Der Suchindex ist beschädigt; er wird im Arbeitsspeicher neu aufgebaut.")
                : QStringLiteral("Der Suchindex kann nicht gespeichert werden (%1); er liegt nur im "
                                 "Arbeitsspeicher.")
                      .arg(QString::fromUtf8(error.what())));
        return updateIndex(*m_db, *m_words, m_programDir, m_idleReading, step);
    }
}

std::optional<Results> SearchIndex::query(const Query &query, const std::function<bool()> &superseded)
{
    sqlite3_progress_handler(
        m_db->handle(), 1000, progressHandler, const_cast<std::function<bool()> *>(&superseded));
    try {
        auto results = runTieredQuery(*m_db, query, superseded);
        sqlite3_progress_handler(m_db->handle(), 0, nullptr, nullptr);
        return results;
    } catch (const DbError &error) {
        sqlite3_progress_handler(m_db->handle(), 0, nullptr, nullptr);
        if ((error.code() & 0xFF) == SQLITE_INTERRUPT)
            return std::nullopt;
        throw;
    }
}

int SearchIndex::unreadableParts()
{
    Statement count(m_db->handle(), "SELECT count(*) FROM docs WHERE failed <> 0");
    count.step();
    return int(count.integer(0));
}

} // namespace tv::search
