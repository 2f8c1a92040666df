// SPDX-License-Identifier: GPL-3.0-or-later
#include "indexupdater.h"

#include "archives.h"
#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/entry.h"
#include "catalogue/filestamp.h"
#include "catalogue/paths.h"
#include "catalogue/textlines.h"
#include "database.h"
#include "fold.h"
#include "htmltext.h"
#include "indexschema.h"
#include "rtftext.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QSet>

#include <map>
#include <memory>
#include <optional>

namespace tv::search {
namespace {

// The stamp of a file not read yet, or read too soon after a change to tell
// a later one: it matches no file's.
constexpr FileStamp kUnread { 0, 0, -2, 0, 0 };

FileStamp stampOf(const QString &path)
{
    FileStamp stamp;
    if (path.isEmpty() || !FileStamp::ofPath(QFile::encodeName(path).constData(), &stamp))
        return {};
    return stamp;
}

// What the index keeps of a file read after `clock`: its size and time, and
// none when a later change might leave them as they are, so that the next
// update reads the file again.
FileStamp storable(const FileStamp &stamp, qint64 clock)
{
    return stamp.isSettled(clock) ? stamp.sizeAndTime() : kUnread;
}

// The stamp in the two columns from `first` on (size, mtime).
FileStamp storedStamp(const Statement &row, int first)
{
    FileStamp stamp;
    stamp.size = row.integer(first);
    stamp.mtimeNs = row.integer(first + 1);
    return stamp;
}

// The modules in the folder by their ASCII-upper-cased names, without ".TVM".
std::map<QByteArray, FileStamp> modulesOnDisk(const QString &dir)
{
    std::map<QByteArray, FileStamp> modules;
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

/// One run of update(): plans from the stamps, then rebuilds section by
/// section and module by module, committing in small steps.
class Updater
{
public:
    Updater(Database &db, const QString &programDir, const ProgressStep &step)
        : m_db(db)
        , m_dir(programDir)
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
        QHash<qint64, FileStamp> stamps;
        Statement all(m_db.handle(), "SELECT id, line, size, mtime FROM sections");
        while (all.step()) {
            known.insert(all.blob(1), all.integer(0));
            stamps.insert(all.integer(0), storedStamp(all, 2));
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
            if (!(stamps.value(id, kUnread) == stampOf(sectionPath(line)).sizeAndTime()))
                stale.append(id);
        }
        tx.commit();
        return stale;
    }

    QString sectionPath(const QByteArray &line) const { return resolveName(m_dir, sectionFileName(line)); }

    QList<QByteArray> changedModulesOnDisk()
    {
        m_diskClock = FileStamp::clockNs();
        m_disk = modulesOnDisk(m_dir);
        std::map<QByteArray, FileStamp> stored;
        Statement all(m_db.handle(), "SELECT name, size, mtime FROM modules");
        while (all.step())
            stored.emplace(all.blob(0), storedStamp(all, 1));
        QList<QByteArray> changed;
        for (const auto &[name, stamp] : m_disk) {
            const auto it = stored.find(name);
            if (it == stored.end() || !(it->second == stamp.sizeAndTime()))
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
        const FileStamp was = stored.step() ? storedStamp(stored, 0) : kUnread;
        const auto now = m_disk.find(modul);
        return !(was == (now == m_disk.end() ? FileStamp() : now->second.sizeAndTime()));
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
        const qint64 clock = FileStamp::clockNs();
        const FileStamp stamp = stampOf(path);
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
        const FileStamp kept = storable(stamp, clock);
        Statement done(m_db.handle(), "UPDATE sections SET size = ?, mtime = ? WHERE id = ?");
        done.bind(1, kept.size).bind(2, kept.mtimeNs).bind(3, id).run();
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
            const QByteArray storedModule = get.blob(1);
            const QByteArray file = get.blob(2);
            get.reset();
            const Body body = readBody(kind, storedModule, file);
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
            const FileStamp kept = storable(now->second, m_diskClock);
            Statement store(
                m_db.handle(), "INSERT OR REPLACE INTO modules(name, size, mtime) VALUES (?, ?, ?)");
            store.bind(1, modul).bind(2, kept.size).bind(3, kept.mtimeNs).run();
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
    const ProgressStep &m_step;
    SearchIndex::Progress m_progress;
    qint64 m_runStart = 0;
    qint64 m_diskClock = 0; // read before m_disk was stamped
    std::map<QByteArray, FileStamp> m_disk;
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

} // namespace

bool updateIndex(Database &db, const QString &programDir, const ProgressStep &step)
{
    return Updater(db, programDir, step).run();
}

} // namespace tv::search
