// SPDX-License-Identifier: GPL-3.0-or-later
#include "searchindex.h"

#include "archives.h"
#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/entry.h"
#include "catalogue/paths.h"
#include "catalogue/textlines.h"
#include "database.h"
#include "fold.h"
#include "plaintext.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStandardPaths>

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <vector>

namespace tv::search {
namespace {

// Raised whenever the layout below changes: an older index is dropped and rebuilt.
constexpr int kSchemaVersion = 4;
// Rows of an entry's own name; the other rows carry their PartKind.
constexpr int kEntryRow = 5;

// "names" indexes the entry rows' names alone, so that the first tier of a
// query does not wade through the texts. docs_kind covers the search of entry names by words too short for
// the index: it reads no row, whose texts would drag their pages along. Large columns last: a row is read
// without its text unless the text is asked for.
constexpr const char *kSchema = R"(
CREATE TABLE sections(id INTEGER PRIMARY KEY, line BLOB UNIQUE NOT NULL, position INTEGER NOT NULL,
                      size INTEGER NOT NULL, mtime INTEGER NOT NULL);
CREATE TABLE modules(name BLOB PRIMARY KEY, size INTEGER NOT NULL, mtime INTEGER NOT NULL);
CREATE TABLE docs(id INTEGER PRIMARY KEY AUTOINCREMENT, section INTEGER NOT NULL, ord INTEGER NOT NULL,
                  part INTEGER NOT NULL, kind INTEGER NOT NULL, failed INTEGER NOT NULL, modul BLOB, file BLOB,
                  entry BLOB, caption BLOB, label TEXT, fname TEXT, flabel TEXT, body TEXT, fbody TEXT);
CREATE INDEX docs_section ON docs(section);
CREATE INDEX docs_modul ON docs(modul, file, kind);
CREATE INDEX docs_kind ON docs(kind, fname, section, ord);
CREATE VIRTUAL TABLE fts USING fts5(fname, flabel, fbody, content='docs', content_rowid='id', tokenize='trigram');
CREATE VIRTUAL TABLE names USING fts5(fname, content='docs', content_rowid='id', tokenize='trigram');
CREATE TRIGGER docs_ai AFTER INSERT ON docs BEGIN
  INSERT INTO fts(rowid, fname, flabel, fbody) VALUES (new.id, new.fname, new.flabel, new.fbody);
  INSERT INTO names(rowid, fname) SELECT new.id, new.fname WHERE new.kind = 5;
END;
CREATE TRIGGER docs_ad AFTER DELETE ON docs BEGIN
  INSERT INTO fts(fts, rowid, fname, flabel, fbody) VALUES ('delete', old.id, old.fname, old.flabel, old.fbody);
  INSERT INTO names(names, rowid, fname) SELECT 'delete', old.id, old.fname WHERE old.kind = 5;
END;
-- Entry rows' names never change (a renamed entry is a new row), only texts.
CREATE TRIGGER docs_au AFTER UPDATE OF fname, flabel, fbody ON docs BEGIN
  INSERT INTO fts(fts, rowid, fname, flabel, fbody) VALUES ('delete', old.id, old.fname, old.flabel, old.fbody);
  INSERT INTO fts(rowid, fname, flabel, fbody) VALUES (new.id, new.fname, new.flabel, new.fbody);
END;
)";

struct Stamp
{
    qint64 size = -1; // -1: the file is missing
    qint64 mtime = 0; // nanoseconds
    bool operator==(const Stamp &) const = default;
};

Stamp stampOf(const QString &path)
{
    struct stat st;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    return { qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec };
}

// The modules in the folder by their ASCII-upper-cased names, without ".TVM".
std::map<QByteArray, Stamp> modulesOnDisk(const QString &dir)
{
    std::map<QByteArray, Stamp> modules;
    const QStringList files = QDir(dir).entryList({ QStringLiteral("*.tvm") }, QDir::Files);
    for (const QString &file : files) {
        const QByteArray name = upperAscii(toCp1252(file.chopped(4)));
        modules.emplace(name, stampOf(dir + file));
    }
    return modules;
}

// What the index holds of a part's file.
struct Body
{
    QString text;
    bool failed = false;
};

QString firstLine(const QByteArray &bytes)
{
    const QList<QByteArray> lines = splitLines(bytes);
    return lines.isEmpty() ? QString() : fromCp1252(lines.first());
}

Body bodyOf(PartKind kind, const QByteArray &bytes)
{
    switch (kind) {
    case PartKind::Text:
        return { looksLikeRtf(bytes) ? rtfText(bytes) : fromCp1252(bytes), false };
    case PartKind::Archive: {
        const ZipArchive archive = ZipArchive::openBytes(bytes);
        return { archive.memberNames().join(u'\n'), !archive.isOpen() };
    }
    case PartKind::Html: {
        ZipArchive archive = ZipArchive::openBytes(bytes);
        const auto page = archive.member("index.htm");
        return { page ? htmlText(*page) : QString(), !page };
    }
    case PartKind::Www:
        return { firstLine(bytes), false };
    case PartKind::None:
        break;
    }
    return {};
}

QString labelOf(const Entry &entry, const Part &part)
{
    QStringList pieces { fromCp1252(part.caption) };
    // The description defaults to the entry's name, which the name column has.
    if (part.description != entry.name)
        pieces.append(fromCp1252(part.description));
    if (part.kind == PartKind::Archive && part.archiveText != part.description)
        pieces.append(fromCp1252(part.archiveText));
    return pieces.join(u'\n');
}

QString quoted(const QString &term)
{
    QString q = term;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

// A text as an SQL string literal: 'it''s'.
QString literal(const QString &text)
{
    return u'\'' + QString(text).replace(u'\'', QStringLiteral("''")) + u'\'';
}

QString kindList(Kinds kinds)
{
    QStringList list;
    if (kinds & Kind::Entries)
        list << QString::number(kEntryRow) << QString::number(int(PartKind::None));
    for (const PartKindInfo &info : partKinds()) {
        if (kinds & Kind(info.searchKind))
            list << QString::number(int(info.kind));
    }
    return list.join(u',');
}

int progressHandler(void *context)
{
    return (*static_cast<const std::function<bool()> *>(context))() ? 1 : 0;
}

// Matches a tier may hold and still be ranked by relevance.
constexpr int kRankedAtMost = 2000;

// Relevance within one tier of the results: bm25's saturating count of each
// word per column, without its inverse document frequency and without its
// length normalisation. bm25 counts, once per query, every row that holds
// each phrase, and looks up every row's length; for common words that costs
// more than all the rest of the query. Within a tier every row holds every
// word anyway. Lower is better.
void tierRank(const Fts5ExtensionApi *api, Fts5Context *fts, sqlite3_context *context, int, sqlite3_value **)
{
    constexpr int kColumns = 3; // fname, flabel, fbody; the names table has the first only
    constexpr double kWeight[kColumns] = { 10.0, 5.0, 1.0 };
    constexpr double k1 = 1.2;
    const int phrases = api->xPhraseCount(fts);
    std::vector<int> hits(size_t(phrases) * kColumns);
    int count = 0;
    int rc = api->xInstCount(fts, &count);
    for (int i = 0; rc == SQLITE_OK && i < count; ++i) {
        int phrase = 0, column = 0, offset = 0;
        rc = api->xInst(fts, i, &phrase, &column, &offset);
        if (rc == SQLITE_OK && column < kColumns)
            ++hits[size_t(phrase) * kColumns + size_t(column)];
    }
    double score = 0;
    for (size_t i = 0; i < hits.size(); ++i) {
        const double tf = hits[i];
        score += kWeight[i % kColumns] * tf * (k1 + 1) / (tf + k1);
    }
    if (rc != SQLITE_OK)
        sqlite3_result_error_code(context, rc);
    else
        sqlite3_result_double(context, -score);
}

// 1 when a word occurs in the caption or description (flabel), else 2 when
// one occurs in the text, else 0: a part is no result for words that only its
// entry's name holds.
void tierOf(const Fts5ExtensionApi *api, Fts5Context *fts, sqlite3_context *context, int, sqlite3_value **)
{
    int count = 0;
    int rc = api->xInstCount(fts, &count);
    int tier = 0;
    for (int i = 0; rc == SQLITE_OK && i < count && tier != 1; ++i) {
        int phrase = 0, column = 0, offset = 0;
        rc = api->xInst(fts, i, &phrase, &column, &offset);
        if (column == 1)
            tier = 1;
        else if (column == 2)
            tier = 2;
    }
    if (rc != SQLITE_OK)
        sqlite3_result_error_code(context, rc);
    else
        sqlite3_result_int(context, tier);
}

// Makes tierRank() and tierOf() known to the connection's FTS5 as "tier_rank".
void registerTierRank(sqlite3 *db)
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
    if (rc == SQLITE_OK)
        rc = api->xCreateFunction(api, "tier_rank", nullptr, tierRank, nullptr);
    if (rc == SQLITE_OK)
        rc = api->xCreateFunction(api, "tier_of", nullptr, tierOf, nullptr);
    if (rc != SQLITE_OK)
        throw DbError(rc, QString::fromUtf8(sqlite3_errmsg(db)));
}

// A result from a row of "d.id, s.line, s.position, d.entry, d.part,
// d.caption, d.kind, d.label"; `body` reads a row's text by its id.
Hit hitOf(const Statement &rows, Statement &body, const QStringList &longTerms, const QStringList &terms)
{
    Hit hit;
    hit.sectionLine = rows.blob(1);
    hit.sectionPosition = int(rows.integer(2));
    hit.entry = rows.blob(3);
    hit.part = int(rows.integer(4));
    hit.caption = rows.blob(5);
    const int kind = int(rows.integer(6));
    hit.kind = kind == kEntryRow ? PartKind::None : PartKind(kind);
    // The line shown: where the text matches, else the caption and
    // description, else the name.
    QPair<QString, QList<QPair<int, int>>> context;
    if (kind != kEntryRow) {
        body.bind(1, rows.integer(0));
        const QString text = body.step() ? body.text(0) : QString();
        body.reset();
        context = contextLine(text, longTerms);
        if (context.first.isEmpty())
            context = contextLine(rows.text(7), longTerms);
    }
    if (context.first.isEmpty())
        context = contextLine(fromCp1252(hit.entry), terms);
    if (context.first.isEmpty())
        context.first = fromCp1252(hit.entry);
    hit.context = context.first;
    hit.marks = context.second;
    return hit;
}

} // namespace

/// One run of update(): plans from the stamps, then rebuilds section by
/// section and module by module, committing in small steps.
class SearchIndex::Updater
{
public:
    Updater(SearchIndex &index, const std::function<bool(const Progress &)> &step)
        : m_db(*index.m_db)
        , m_dir(index.m_programDir)
        , m_step(step)
    {
    }

    bool run()
    {
        {
            Statement maxId(m_db.handle(), "SELECT coalesce(max(id), 0) FROM docs");
            maxId.step();
            m_runStart = maxId.integer(0);
        }
        const QList<QByteArray> lines = splitLines(readFileBytes(resolveName(m_dir, kSectionsFile)));
        const QList<qint64> stale = syncSections(lines);
        const QList<QByteArray> changedModules = changedModulesOnDisk();
        m_progress.total = int(stale.size() + changedModules.size());
        if (!m_step(m_progress))
            return false;
        for (const qint64 id : stale) {
            if (!rebuildSection(id))
                return false;
        }
        for (const QByteArray &modul : changedModules) {
            if (!rereadModule(modul))
                return false;
        }
        return true;
    }

private:
    // Deletes the sections gone from Sections.dat, adds new ones, renumbers;
    // the ids of sections whose Section file changed.
    QList<qint64> syncSections(const QList<QByteArray> &lines)
    {
        QHash<QByteArray, qint64> known;
        QHash<qint64, Stamp> stamps;
        Statement all(m_db.handle(), "SELECT id, line, size, mtime FROM sections");
        while (all.step()) {
            known.insert(all.blob(1), all.integer(0));
            stamps.insert(all.integer(0), { all.integer(2), all.integer(3) });
        }
        Transaction tx(m_db);
        const QSet<QByteArray> present(lines.begin(), lines.end());
        Statement dropDocs(m_db.handle(), "DELETE FROM docs WHERE section = ?");
        Statement dropSection(m_db.handle(), "DELETE FROM sections WHERE id = ?");
        for (auto it = known.cbegin(); it != known.cend(); ++it) {
            if (!present.contains(it.key())) {
                dropDocs.bind(1, it.value()).run();
                dropSection.bind(1, it.value()).run();
            }
        }
        Statement add(
            m_db.handle(), "INSERT INTO sections(line, position, size, mtime) VALUES (?, ?, -2, 0)");
        Statement move(m_db.handle(), "UPDATE sections SET position = ? WHERE id = ?");
        QList<qint64> stale;
        QSet<QByteArray> seen;
        for (int i = 0; i < lines.size(); ++i) {
            const QByteArray &line = lines[i];
            if (seen.contains(line))
                continue; // a line listed twice shows the same entries twice; index them once
            seen.insert(line);
            qint64 id = known.value(line, -1);
            if (id < 0) {
                add.bind(1, line).bind(2, qint64(i)).run();
                id = m_db.lastInsertId();
            } else {
                move.bind(1, qint64(i)).bind(2, id).run();
            }
            if (stamps.value(id, Stamp { -2, 0 }) != stampOf(sectionPath(line)))
                stale.append(id);
        }
        tx.commit();
        return stale;
    }

    QString sectionPath(const QByteArray &line) const { return resolveName(m_dir, sectionFileName(line)); }

    QList<QByteArray> changedModulesOnDisk()
    {
        m_disk = modulesOnDisk(m_dir);
        std::map<QByteArray, Stamp> stored;
        Statement all(m_db.handle(), "SELECT name, size, mtime FROM modules");
        while (all.step())
            stored.emplace(all.blob(0), Stamp { all.integer(1), all.integer(2) });
        QList<QByteArray> changed;
        for (const auto &[name, stamp] : m_disk) {
            const auto it = stored.find(name);
            if (it == stored.end() || it->second != stamp)
                changed.append(name);
        }
        for (const auto &[name, stamp] : stored) {
            if (!m_disk.count(name))
                changed.append(name);
        }
        return changed;
    }

    bool isChanged(const QByteArray &modul) const
    {
        Statement stored(m_db.handle(), "SELECT size, mtime FROM modules WHERE name = ?");
        stored.bind(1, modul);
        const Stamp was = stored.step() ? Stamp { stored.integer(0), stored.integer(1) } : Stamp { -2, 0 };
        const auto now = m_disk.find(modul);
        return was != (now == m_disk.end() ? Stamp() : now->second);
    }

    bool rebuildSection(qint64 id)
    {
        QByteArray line;
        {
            Statement get(m_db.handle(), "SELECT line FROM sections WHERE id = ?");
            get.bind(1, id);
            get.step();
            line = get.blob(0);
        }
        const QString path = sectionPath(line);
        const Stamp stamp = stampOf(path);
        const SectionFile file(path);
        m_modules.clear();
        begin();
        loadOldRows(id);
        int ord = 0;
        for (const QByteArray &name : file.entryNames()) {
            const Entry entry = file.entry(name);
            if (!keep({ entry.name, 0 }, ord, [](const OldRow &) { return true; }))
                insertEntry(id, ord, entry);
            for (const Part &part : file.parts(entry)) {
                const QByteArray modul = upperAscii(part.modul);
                const QString label = labelOf(entry, part);
                const auto same = [&](const OldRow &row) {
                    return row.kind == int(part.kind) && row.modul == modul && row.file == part.file
                        && row.caption == part.caption && row.label == label && !isChangedCached(modul);
                };
                if (!keep({ entry.name, part.number }, ord, same))
                    insertPart(id, ord, entry, part);
            }
            ++ord;
            if (!breather())
                return false;
        }
        // Rows gone or changed, also those of a run that stopped inside this section.
        Statement drop(m_db.handle(), "DELETE FROM docs WHERE id = ?");
        for (const qint64 old : std::as_const(m_oldIds)) {
            if (!m_kept.contains(old))
                drop.bind(1, old).run();
        }
        Statement done(m_db.handle(), "UPDATE sections SET size = ?, mtime = ? WHERE id = ?");
        done.bind(1, stamp.size).bind(2, stamp.mtime).bind(3, id).run();
        return finishUnit();
    }

    // What a section held before: a row that reads the same is kept as it
    // is, so a changed Section file costs only its changed entries.
    struct OldRow
    {
        qint64 id = 0;
        int ord = 0;
        int kind = 0;
        QByteArray modul, file, caption;
        QString label;
    };

    void loadOldRows(qint64 section)
    {
        m_old.clear();
        m_oldIds.clear();
        m_kept.clear();
        Statement rows(m_db.handle(),
            "SELECT id, entry, part, ord, kind, modul, file, caption, label FROM docs WHERE section = ? AND "
            "id <= ?");
        rows.bind(1, section).bind(2, m_runStart);
        while (rows.step()) {
            OldRow row { rows.integer(0), int(rows.integer(3)), int(rows.integer(4)), rows.blob(5),
                rows.blob(6), rows.blob(7), rows.text(8) };
            m_oldIds.append(row.id);
            m_old.insert({ rows.blob(1), int(rows.integer(2)) }, row);
        }
    }

    // Keeps the old row of `key` when `same` says it reads the same, moving it to `ord`.
    template <typename Same> bool keep(const QPair<QByteArray, int> &key, int ord, Same &&same)
    {
        const auto it = m_old.constFind(key);
        if (it == m_old.constEnd() || !same(*it))
            return false;
        if (it->ord != ord) {
            Statement move(m_db.handle(), "UPDATE docs SET ord = ? WHERE id = ?");
            move.bind(1, qint64(ord)).bind(2, it->id).run();
        }
        m_kept.insert(it->id);
        m_old.erase(it); // an entry listed twice gets a row of its own
        return true;
    }

    bool rereadModule(const QByteArray &modul)
    {
        m_modules.clear();
        begin();
        QList<qint64> ids;
        {
            Statement docs(m_db.handle(), "SELECT id FROM docs WHERE modul = ? AND kind <> ? AND id <= ?");
            docs.bind(1, modul).bind(2, qint64(kEntryRow)).bind(3, m_runStart);
            while (docs.step())
                ids.append(docs.integer(0));
        }
        Statement get(m_db.handle(), "SELECT kind, modul, file FROM docs WHERE id = ?");
        // A module replaced by one with the same texts costs no index work.
        Statement set(m_db.handle(),
            "UPDATE docs SET body = ?1, fbody = ?2, failed = ?3 WHERE id = ?4 AND (body IS NOT ?1 OR failed "
            "IS NOT ?3)");
        for (const qint64 id : ids) {
            get.bind(1, id);
            if (!get.step())
                continue;
            const auto kind = PartKind(get.integer(0));
            const QByteArray storedModul = get.blob(1);
            const QByteArray file = get.blob(2);
            get.reset();
            const Body body = readBody(kind, storedModul, file);
            set.bind(1, body.text).bind(2, fold(body.text)).bind(3, qint64(body.failed)).bind(4, id).run();
            ++m_sinceCommit;
            if (!breather())
                return false;
        }
        const auto now = m_disk.find(modul);
        if (now == m_disk.end()) {
            Statement drop(m_db.handle(), "DELETE FROM modules WHERE name = ?");
            drop.bind(1, modul).run();
        } else {
            Statement store(
                m_db.handle(), "INSERT OR REPLACE INTO modules(name, size, mtime) VALUES (?, ?, ?)");
            store.bind(1, modul).bind(2, now->second.size).bind(3, now->second.mtime).run();
        }
        return finishUnit();
    }

    void insertEntry(qint64 section, int ord, const Entry &entry)
    {
        const QString name = fromCp1252(entry.name);
        const QString folded = fold(name);
        Statement &s = insert();
        s.bind(1, section)
            .bind(2, qint64(ord))
            .bind(3, qint64(0))
            .bind(4, qint64(kEntryRow))
            .bind(5, qint64(0));
        // The name also stands in the label column: see the query's column filter.
        s.bind(6, QByteArray()).bind(7, QByteArray()).bind(8, entry.name).bind(9, QByteArray());
        s.bind(10, name).bind(11, folded).bind(12, folded).bind(13, QString()).bind(14, QString()).run();
    }

    void insertPart(qint64 section, int ord, const Entry &entry, const Part &part)
    {
        const QByteArray modul = upperAscii(part.modul);
        const Body body = reusedBody(part.kind, modul, part.file).value_or(Body());
        const Body read = body.text.isNull() && !body.failed ? readBody(part.kind, modul, part.file) : body;
        const QString label = labelOf(entry, part);
        Statement &s = insert();
        s.bind(1, section).bind(2, qint64(ord)).bind(3, qint64(part.number)).bind(4, qint64(part.kind));
        s.bind(5, qint64(read.failed))
            .bind(6, modul)
            .bind(7, part.file)
            .bind(8, entry.name)
            .bind(9, part.caption);
        s.bind(10, label).bind(11, fold(fromCp1252(entry.name))).bind(12, fold(label));
        s.bind(13, read.text).bind(14, fold(read.text)).run();
        ++m_sinceCommit;
    }

    Statement &insert()
    {
        if (!m_insert) {
            m_insert = std::make_unique<Statement>(m_db.handle(),
                "INSERT INTO docs(section, ord, part, kind, failed, modul, file, entry, caption, label, "
                "fname, "
                "flabel, body, fbody) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        }
        return *m_insert;
    }

    // The text a row of an unchanged module already holds: a changed Section
    // file must not make us read every module it names again.
    std::optional<Body> reusedBody(PartKind kind, const QByteArray &modul, const QByteArray &file)
    {
        if (kind == PartKind::None || isChangedCached(modul))
            return std::nullopt;
        if (!m_reuse) {
            m_reuse = std::make_unique<Statement>(m_db.handle(),
                "SELECT body, failed FROM docs WHERE modul = ? AND file = ? AND kind = ? AND id <= ? LIMIT "
                "1");
        }
        Statement &get = *m_reuse;
        get.bind(1, modul).bind(2, file).bind(3, qint64(kind)).bind(4, m_runStart);
        if (!get.step()) {
            get.reset();
            return std::nullopt;
        }
        Body body { get.text(0), get.integer(1) != 0 };
        get.reset();
        if (body.text.isNull())
            body.text = QStringLiteral(""); // found, and empty
        return body;
    }

    bool isChangedCached(const QByteArray &modul)
    {
        const auto it = m_changed.constFind(modul);
        if (it != m_changed.constEnd())
            return *it;
        const bool changed = isChanged(modul);
        m_changed.insert(modul, changed);
        return changed;
    }

    Body readBody(PartKind kind, const QByteArray &modul, const QByteArray &file)
    {
        if (kind == PartKind::None)
            return {};
        const auto disk = m_disk.find(modul);
        if (modul.isEmpty() || !isBareName(modul) || disk == m_disk.end())
            return { QStringLiteral(""), false }; // not installed: the viewer says so, nothing to read
        auto it = m_modules.find(modul);
        if (it == m_modules.end())
            it = m_modules.emplace(modul, ZipArchive::openFile(resolveName(m_dir, modul + ".tvm"))).first;
        const auto bytes = it->second.member(file);
        if (!bytes)
            return { QStringLiteral(""), true };
        Body body = bodyOf(kind, *bytes);
        if (body.text.isNull())
            body.text = QStringLiteral("");
        return body;
    }

    void begin()
    {
        m_tx = std::make_unique<Transaction>(m_db);
        m_sinceCommit = 0;
        m_clock.start();
    }

    // Commits now and then and lets the caller run queries in between.
    bool breather()
    {
        if (m_sinceCommit < 1000 && m_clock.elapsed() < 250)
            return true;
        m_tx->commit();
        m_tx.reset();
        if (!m_step(m_progress))
            return false;
        begin();
        return true;
    }

    bool finishUnit()
    {
        m_tx->commit();
        m_tx.reset();
        ++m_progress.done;
        return m_step(m_progress);
    }

    Database &m_db;
    QString m_dir;
    const std::function<bool(const Progress &)> &m_step;
    Progress m_progress;
    qint64 m_runStart = 0;
    std::map<QByteArray, Stamp> m_disk;
    std::map<QByteArray, ZipArchive> m_modules;
    QHash<QByteArray, bool> m_changed;
    std::unique_ptr<Transaction> m_tx;
    std::unique_ptr<Statement> m_insert;
    std::unique_ptr<Statement> m_reuse;
    QHash<QPair<QByteArray, int>, OldRow> m_old;
    QList<qint64> m_oldIds;
    QSet<qint64> m_kept;
    int m_sinceCommit = 0;
    QElapsedTimer m_clock;
};

SearchIndex::SearchIndex(QString programDir, const QString &dbPath)
    : m_programDir(withSeparator(std::move(programDir)))
    , m_path(dbPath)
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
    m_db = std::make_unique<Database>(QStringLiteral(":memory:"));
    createSchema();
    m_inMemory = true;
    m_note = note;
}

void SearchIndex::createSchema()
{
    registerTierRank(m_db->handle());
    // A file another program holds is no index of ours: reading the version
    // fails on it (SQLITE_NOTADB), which counts as damage.
    m_db->exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-65536;");
    Statement version(m_db->handle(), "PRAGMA user_version");
    version.step();
    if (version.integer(0) == kSchemaVersion)
        return;
    Transaction tx(*m_db);
    m_db->exec(
        "DROP TRIGGER IF EXISTS docs_ai; DROP TRIGGER IF EXISTS docs_ad; DROP TRIGGER IF EXISTS docs_au;"
        "DROP TABLE IF EXISTS fts; DROP TABLE IF EXISTS names; DROP TABLE IF EXISTS docs; DROP TABLE IF "
        "EXISTS sections;"
        "DROP TABLE IF EXISTS modules;");
    m_db->exec(kSchema);
    m_db->exec(("PRAGMA user_version = " + QByteArray::number(kSchemaVersion)).constData());
    tx.commit();
}

bool SearchIndex::update(const std::function<bool(const Progress &)> &step)
{
    try {
        return Updater(*this, step).run();
    } catch (const DbError &error) {
        if (m_inMemory)
            throw;
        // Damaged underway, or the disk is full or gone read-only: build afresh in memory.
        openInMemory(error.isDamage()
                ? QStringLiteral("Der Suchindex ist beschädigt; er wird im Arbeitsspeicher neu aufgebaut.")
                : QStringLiteral("Der Suchindex kann nicht gespeichert werden (%1); er liegt nur im "
                                 "Arbeitsspeicher.")
                      .arg(QString::fromUtf8(error.what())));
        return Updater(*this, step).run();
    }
}

std::optional<Results> SearchIndex::query(const Query &query, const std::function<bool()> &superseded)
{
    sqlite3_progress_handler(
        m_db->handle(), 1000, progressHandler, const_cast<std::function<bool()> *>(&superseded));
    try {
        auto results = runQuery(query, superseded);
        sqlite3_progress_handler(m_db->handle(), 0, nullptr, nullptr);
        return results;
    } catch (const DbError &error) {
        sqlite3_progress_handler(m_db->handle(), 0, nullptr, nullptr);
        if ((error.code() & 0xFF) == SQLITE_INTERRUPT)
            return std::nullopt;
        throw;
    }
}

std::optional<Results> SearchIndex::runQuery(const Query &query, const std::function<bool()> &superseded)
{
    Results results;
    results.query = query.text;
    const ParsedQuery parsed = parseQuery(query.text);
    const QString kinds = kindList(query.kinds);
    if (parsed.isEmpty() || kinds.isEmpty())
        return results;

    // What narrows beyond the index's match. Words of one or two characters:
    // the trigram index cannot look them up, so they must occur in the
    // entry's name, and alone they find entries only.
    QString filter = query.kinds == kAllKinds ? QString() : QStringLiteral(" AND d.kind IN (%1)").arg(kinds);
    for (const QString &term : parsed.shortTerms)
        filter += QStringLiteral(" AND instr(d.fname, %1) > 0").arg(literal(term));
    if (query.section)
        filter += QStringLiteral(" AND s.line = x'%1'").arg(QString::fromLatin1(query.section->toHex()));

    const QString columns
        = QStringLiteral("SELECT d.id, s.line, s.position, d.entry, d.part, d.caption, d.kind, d.label");
    Statement body(m_db->handle(), "SELECT body FROM docs WHERE id = ?");
    const QStringList terms = parsed.longTerms + parsed.shortTerms;
    const auto collect = [&](const QString &sql) {
        Statement rows(m_db->handle(), sql.toUtf8().constData());
        while (rows.step()) {
            if (superseded())
                return false;
            results.hits.append(hitOf(rows, body, parsed.longTerms, terms));
        }
        return true;
    };
    const auto countOf = [&](const QString &sql) {
        Statement counter(m_db->handle(), sql.toUtf8().constData());
        counter.step();
        return counter.integer(0);
    };
    // Counting every match of a common word costs as much as the rest of the
    // query; past kCountAtMost only "more than" is told.
    const auto countMatches = [&](const QString &fromWhere) {
        const qint64 count = countOf(QStringLiteral("SELECT count(*) FROM (SELECT 1%1 LIMIT %2)")
                                         .arg(fromWhere)
                                         .arg(kCountAtMost + 1));
        results.total = int(qMin<qint64>(count, kCountAtMost));
        results.moreThanTotal = count > kCountAtMost;
    };

    if (parsed.longTerms.isEmpty()) {
        const QString from
            = QStringLiteral(" FROM docs d JOIN sections s ON s.id = d.section WHERE d.kind = %1")
                  .arg(kEntryRow)
            + filter;
        countMatches(from);
        if (!collect(columns + from
                + QStringLiteral(" ORDER BY s.position, d.ord, d.part LIMIT %1").arg(kMaxHits)))
            return std::nullopt;
        return results;
    }

    QStringList quotedTerms;
    for (const QString &term : parsed.longTerms)
        quotedTerms << quoted(term);
    const QString every = QStringLiteral("(%1)").arg(quotedTerms.join(QStringLiteral(" AND ")));
    const QString joined
        = QStringLiteral(" FROM fts CROSS JOIN docs d ON d.id = fts.rowid CROSS JOIN sections s "
                         "ON s.id = d.section WHERE fts MATCH ");

    // First tier: entries whose name holds every word, from the small index
    // of names. Their rows also match below (the name stands in their label
    // column too) and are left out there.
    QSet<qint64> named;
    if (query.kinds & Kind::Entries) {
        const QString names = QStringLiteral(" FROM names CROSS JOIN docs d ON d.id = names.rowid CROSS JOIN "
                                             "sections s ON s.id = d.section WHERE names MATCH %1")
                                  .arg(literal(every))
            + filter;
        Statement ids(m_db->handle(), (QStringLiteral("SELECT d.id") + names).toUtf8().constData());
        while (ids.step())
            named.insert(ids.integer(0));
        if (!collect(columns + names
                + QStringLiteral(" ORDER BY tier_rank(names), s.position, d.ord, d.part LIMIT %1")
                      .arg(kMaxHits)))
            return std::nullopt;
    }

    // The other tiers and the count in one pass over the rows holding every
    // word: each evaluation of a common word's phrases costs as much as the
    // whole rest, so tier_of() sorts out the rows that match in the name alone
    // rather than a second set of phrases in the MATCH.
    struct Match
    {
        int tier;
        double rank;
        qint64 id;
        bool operator<(const Match &other) const
        {
            return std::tie(tier, rank, id) < std::tie(other.tier, other.rank, other.id);
        }
    };
    QList<Match> matches;
    const QString pass = (filter.isEmpty() ? QStringLiteral(" FROM fts WHERE fts MATCH ") : joined)
        + literal(every) + filter;
    Statement all(m_db->handle(),
        (QStringLiteral("SELECT fts.rowid, tier_of(fts), tier_rank(fts)") + pass).toUtf8().constData());
    qint64 count = 0;
    int tierSize[3] = { 0, 0, 0 };
    while (count <= kCountAtMost && all.step()) {
        const int tier = int(all.integer(1));
        if (tier == 0)
            continue;
        ++count;
        const qint64 id = all.integer(0);
        if (named.contains(id))
            continue;
        ++tierSize[tier];
        matches.append({ tier, all.real(2), id });
    }
    results.total = int(qMin<qint64>(count, kCountAtMost));
    results.moreThanTotal = count > kCountAtMost;
    if (results.hits.size() >= kMaxHits)
        return results;

    // A word that common says little about relevance: a tier of more than a
    // few thousand matches keeps the catalogue's order (the rows' order), as
    // does every tier when the count stopped early and the best may be unseen.
    const bool complete = count <= kCountAtMost;
    const auto ranked = [&](int tier) { return complete && tierSize[tier] <= kRankedAtMost; };
    for (Match &m : matches) {
        if (!ranked(m.tier))
            m.rank = 0; // the rows' order
    }
    std::sort(matches.begin(), matches.end());
    Statement one(m_db->handle(),
        (columns + QStringLiteral(" FROM docs d JOIN sections s ON s.id = d.section WHERE d.id = ?"))
            .toUtf8()
            .constData());
    for (const Match &m : std::as_const(matches)) {
        if (results.hits.size() >= kMaxHits)
            break;
        if (superseded())
            return std::nullopt;
        one.bind(1, m.id);
        if (one.step())
            results.hits.append(hitOf(one, body, parsed.longTerms, terms));
        one.reset();
    }
    return results;
}

int SearchIndex::unreadableParts()
{
    Statement count(m_db->handle(), "SELECT count(*) FROM docs WHERE failed <> 0");
    count.step();
    return int(count.integer(0));
}

} // namespace tv::search
