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
#include "docwriter.h"
#include "fold.h"
#include "indexschema.h"
#include "partreader.h"
#include "wordtokenizer.h"

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
/// section and module by module, a transaction each.
class Updater
{
public:
    Updater(Database &db, NewWords &words, const QString &programDir, bool idleReading, const ProgressStep &step)
        : m_db(db)
        , m_dir(programDir)
        , m_idleReading(idleReading)
        , m_step(step)
        , m_writer(db, words)
        , m_reader(programDir, m_disk)
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
        // The parts to go through, for the progress; Section files read now are read once.
        QList<StaleSection> sections;
        for (const qint64 id : stale) {
            sections.append(readSection(id));
            for (const EntryParts &entry : std::as_const(sections.last().entries))
                m_progress.total += int(entry.parts.size());
        }
        for (const QByteArray &modul : changedModules)
            m_progress.total += int(partsOfModule(modul).size());
        if (!m_step(m_progress))
            return false;
        for (const StaleSection &section : std::as_const(sections)) {
            if (!rebuildSection(section))
                return false;
        }
        for (const QByteArray &modul : changedModules) {
            if (!rereadModule(modul))
                return false;
        }
        return true;
    }

private:
    struct StaleSection
    {
        qint64 id = 0;
        FileStamp stamp;
        qint64 clock = 0;
        QList<EntryParts> entries;
    };

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
        Statement dropSection(m_db.handle(), "DELETE FROM sections WHERE id = ?");
        for (auto it = known.cbegin(); it != known.cend(); ++it) {
            if (!present.contains(it.key())) {
                for (const qint64 doc : idsOf("SELECT id FROM docs WHERE section = ?", it.value()))
                    m_writer.remove(doc);
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
        m_writer.flushWords();
        tx.commit();
        return stale;
    }

    QList<qint64> idsOf(const char *sql, qint64 key)
    {
        QList<qint64> ids;
        Statement rows(m_db.handle(), sql);
        rows.bind(1, key);
        while (rows.step())
            ids.append(rows.integer(0));
        return ids;
    }

    QString sectionPath(const QByteArray &line) const { return resolveName(m_dir, sectionFileName(line)); }

    StaleSection readSection(qint64 id)
    {
        QByteArray line;
        {
            Statement get(m_db.handle(), "SELECT line FROM sections WHERE id = ?");
            get.bind(1, id);
            get.step();
            line = get.blob(0);
        }
        StaleSection section;
        section.id = id;
        const QString path = sectionPath(line);
        section.clock = FileStamp::clockNs();
        section.stamp = stampOf(path);
        section.entries = SectionFile(path).entriesWithParts();
        return section;
    }

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

    // A row to write, with its text when the index has it already.
    struct Planned
    {
        DocRow row;
        std::optional<Body> body;
    };

    bool rebuildSection(const StaleSection &section)
    {
        m_reader.clear();
        begin();
        loadOldRows(section.id);
        QList<Planned> planned;
        QList<ReadJob> jobs;
        int ord = 0;
        for (const EntryParts &item : section.entries) {
            const Entry &entry = item.entry;
            if (!keep({ entry.name, 0 }, ord, [](const OldRow &) { return true; }))
                planned.append({ entryRow(section.id, ord, entry), Body() });
            for (const Part &part : item.parts) {
                const QByteArray modul = upperAscii(part.modul);
                const QString label = labelOf(entry, part);
                const auto same = [&](const OldRow &row) {
                    return row.kind == int(part.kind) && row.modul == modul && row.file == part.file
                        && row.caption == part.caption && row.label == label && !isChangedCached(modul);
                };
                if (keep({ entry.name, part.number }, ord, same)) {
                    ++m_progress.done;
                    continue;
                }
                Planned p { { section.id, ord, part.number, int(part.kind), modul, part.file, entry.name,
                                part.caption, label },
                    reusedBody(part.kind, modul, part.file) };
                if (!p.body)
                    jobs.append({ part.kind, modul, part.file });
                planned.append(std::move(p));
            }
            ++ord;
        }
        if (!writePlanned(planned, std::move(jobs)))
            return false;
        // Rows gone or changed, also those of a run that stopped inside this section.
        for (const qint64 old : std::as_const(m_oldIds)) {
            if (!m_kept.contains(old))
                m_writer.remove(old);
        }
        const FileStamp kept = storable(section.stamp, section.clock);
        Statement done(m_db.handle(), "UPDATE sections SET size = ?, mtime = ? WHERE id = ?");
        done.bind(1, kept.size).bind(2, kept.mtimeNs).bind(3, section.id).run();
        return finishUnit();
    }

    // Inserts the rows, the texts to read coming from a second thread.
    bool writePlanned(const QList<Planned> &planned, QList<ReadJob> jobs)
    {
        ReadAhead ahead(m_reader, std::move(jobs), m_idleReading);
        for (const Planned &p : planned) {
            std::optional<Body> read;
            if (!p.body && !(read = ahead.next([this] { return breather(); })))
                return false;
            m_writer.insert(p.row, p.body ? *p.body : *read);
            if (p.row.kind != kEntryRow)
                ++m_progress.done;
            if (!breather())
                return false;
        }
        return true;
    }

    static DocRow entryRow(qint64 section, int ord, const Entry &entry)
    {
        // The name also stands in the label column: see the query's column filter.
        return { section, ord, 0, kEntryRow, {}, {}, entry.name, {}, fromCp1252(entry.name) };
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

    struct ModulePart
    {
        qint64 id;
        ReadJob job;
    };

    QList<ModulePart> partsOfModule(const QByteArray &modul)
    {
        QList<ModulePart> parts;
        Statement docs(m_db.handle(), "SELECT id, kind, modul, file FROM docs WHERE modul = ? AND kind <> ? AND id <= ?");
        docs.bind(1, modul).bind(2, qint64(kEntryRow)).bind(3, m_runStart);
        while (docs.step())
            parts.append({ docs.integer(0), { PartKind(docs.integer(1)), docs.blob(2), docs.blob(3) } });
        return parts;
    }

    bool rereadModule(const QByteArray &modul)
    {
        m_reader.clear();
        begin();
        const QList<ModulePart> parts = partsOfModule(modul);
        QList<ReadJob> jobs;
        for (const ModulePart &part : parts)
            jobs.append(part.job);
        {
            // A module replaced by one with the same texts costs no index work.
            ReadAhead ahead(m_reader, std::move(jobs), m_idleReading);
            for (const ModulePart &part : parts) {
                const std::optional<Body> body = ahead.next([this] { return breather(); });
                if (!body)
                    return false;
                m_writer.replaceBody(part.id, *body);
                ++m_progress.done;
                if (!breather())
                    return false;
            }
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

    // The text a row of an unchanged module already holds: a changed Section
    // file must not make us read every module it names again.
    std::optional<Body> reusedBody(PartKind kind, const QByteArray &modul, const QByteArray &file)
    {
        if (kind == PartKind::None)
            return Body();
        if (isChangedCached(modul))
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
        const QByteArray packed = get.blob(0);
        const bool failed = get.integer(1) != 0;
        get.reset();
        return Body { packed, fold(unpackedText(packed)).toUtf8(), failed };
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

    void begin()
    {
        m_tx = std::make_unique<Transaction>(m_db);
        m_clock.start();
        m_sinceStep.start();
    }

    // Lets the caller answer queries now and then, on what is written so far,
    // and commits a unit that takes long, so that another process waiting to
    // write (tipvault-cli) is not kept out for long.
    bool breather()
    {
        if (m_sinceStep.elapsed() < 250)
            return true;
        m_sinceStep.start();
        m_writer.flushWords();
        if (m_clock.elapsed() >= 2000) {
            m_tx->commit();
            m_tx.reset();
            if (!m_step(m_progress))
                return false;
            begin();
            return true;
        }
        return m_step(m_progress);
    }

    bool finishUnit()
    {
        m_writer.flushWords();
        m_tx->commit();
        m_tx.reset();
        return m_step(m_progress);
    }

    Database &m_db;
    QString m_dir;
    bool m_idleReading;
    const ProgressStep &m_step;
    std::map<QByteArray, FileStamp> m_disk;
    DocWriter m_writer;
    PartReader m_reader;
    SearchIndex::Progress m_progress;
    qint64 m_runStart = 0;
    qint64 m_diskClock = 0; // read before m_disk was stamped
    QHash<QByteArray, bool> m_changed;
    std::unique_ptr<Transaction> m_tx;
    std::unique_ptr<Statement> m_reuse;
    QHash<QPair<QByteArray, int>, OldRow> m_old;
    QList<qint64> m_oldIds;
    QSet<qint64> m_kept;
    QElapsedTimer m_clock;
    QElapsedTimer m_sinceStep;
};

} // namespace

bool updateIndex(
    Database &db, NewWords &words, const QString &programDir, bool idleReading, const ProgressStep &step)
{
    return Updater(db, words, programDir, idleReading, step).run();
}

} // namespace tv::search
