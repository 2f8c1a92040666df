// SPDX-License-Identifier: GPL-3.0-or-later
// The full-text index over a catalogue folder (argument, else $TIPVAULT_BENCH_CATALOGUE):
//  1. reading every member of every module once with libzip (the baseline),
//  2. building the whole index, as a multiple of 1, and against a bare SQLite FTS5 table with the
//     unicode61 tokenizer into which the same texts (read back from the index) are inserted,
//  3. the index's size against the plain text it holds,
//  4. 200 queries of one to three words taken from the texts: median, 95th percentile, worst,
//  5. the update after one module was replaced, against reading that module alone.
// Not a test: it prints its figures, the reader judges them.
#include "catalogue/cp1252.h"
#include "search/database.h"
#include "search/partreader.h"
#include "search/fold.h"
#include "search/rtftext.h"
#include "search/searchindex.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace tv::search;

namespace {

// Reads every member of `path`; the texts' words go into `words` now and then.
qint64 readModule(const QString &path, QStringList *words)
{
    int error = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!archive)
        return 0;
    qint64 bytes = 0;
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    QByteArray buffer;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &st) != 0)
            continue;
        buffer.resize(qsizetype(st.size));
        zip_file_t *file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        if (!file)
            continue;
        bytes += zip_fread(file, buffer.data(), st.size);
        zip_fclose(file);
        if (words && i % 97 == 0) {
            const QString text = looksLikeRtf(buffer) ? rtfText(buffer) : tv::fromCp1252(buffer);
            static const QRegularExpression word(QStringLiteral("\\b\\p{L}{4,}\\b"));
            for (auto it = word.globalMatch(text); it.hasNext() && words->size() < 5000;)
                words->append(it.next().captured());
        }
    }
    zip_discard(archive);
    return bytes;
}

QStringList modules(const QString &dir)
{
    QStringList paths;
    for (const QString &name : QDir(dir).entryList({ QStringLiteral("*.tvm") }, QDir::Files))
        paths << dir + name;
    return paths;
}

struct Texts
{
    QList<QStringList> rows; // the columns the index tokenizes, per row
    qint64 utf8Bytes = 0;
};

// The texts the index holds, as its tokenizer sees them.
Texts indexedTexts(const QString &dbPath)
{
    Texts texts;
    Database db(dbPath);
    Statement rows(db.handle(), "SELECT fname, label, body FROM docs");
    while (rows.step()) {
        QStringList row { rows.text(0), fold(rows.text(1)), fold(unpackedText(rows.blob(2))) };
        for (const QString &column : row)
            texts.utf8Bytes += column.toUtf8().size();
        texts.rows.append(row);
    }
    return texts;
}

// The baseline for the build: the same texts into a bare FTS5 word table, one transaction.
double bareUnicode61Ms(const Texts &texts, const QString &path)
{
    QFile::remove(path);
    Database db(path);
    db.exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
            "CREATE VIRTUAL TABLE t USING fts5(a, b, c, tokenize='unicode61')");
    QElapsedTimer clock;
    clock.start();
    db.exec("BEGIN");
    Statement insert(db.handle(), "INSERT INTO t(a, b, c) VALUES (?, ?, ?)");
    for (const QStringList &row : texts.rows)
        insert.bind(1, row[0]).bind(2, row[1]).bind(3, row[2]).run();
    db.exec("COMMIT");
    return clock.nsecsElapsed() / 1e6;
}

qint64 fileSize(const QString &path)
{
    return QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
}

// CPU time of the whole process (every thread) so far: on a machine shared
// with other work the wall clock says little on its own.
double cpuMs()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval &t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

double percentile(QList<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[qMin(values.size() - 1, int(p * values.size()))];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString dir
        = argc > 1 ? QString::fromLocal8Bit(argv[1]) : qEnvironmentVariable("TIPVAULT_BENCH_CATALOGUE");
    if (dir.isEmpty()) {
        std::fprintf(stderr, "usage: fulltext_bench <catalogue folder> (or TIPVAULT_BENCH_CATALOGUE)\n");
        return 2;
    }
    dir = QDir(dir).absolutePath() + u'/';
    const QStringList paths = modules(dir);

    QStringList words;
    QElapsedTimer clock;
    clock.start();
    double cpu = cpuMs();
    qint64 bytes = 0;
    for (const QString &path : paths)
        bytes += readModule(path, &words);
    const double readMs = clock.nsecsElapsed() / 1e6;
    std::printf("baseline: %lld modules, %.1f MB read with libzip in %.0f ms (CPU %.0f ms)\n",
        qlonglong(paths.size()), bytes / 1e6, readMs, cpuMs() - cpu);

    // $TIPVAULT_BENCH_INDEX keeps the index there, so that a second run measures the queries alone.
    QTemporaryDir cache;
    const QString kept = qEnvironmentVariable("TIPVAULT_BENCH_INDEX");
    const QString dbPath = kept.isEmpty() ? cache.filePath(QStringLiteral("index.sqlite")) : kept;
    SearchIndex index(dir, dbPath);
    clock.restart();
    cpu = cpuMs();
    index.update([](const SearchIndex::Progress &) { return true; });
    const double buildMs = clock.nsecsElapsed() / 1e6;
    const double buildCpu = cpuMs() - cpu;
    const Texts texts = indexedTexts(dbPath);
    cpu = cpuMs();
    const double bareMs = bareUnicode61Ms(texts, cache.filePath(QStringLiteral("bare.sqlite")));
    std::printf("bare:     FTS5 unicode61 insert of the same %lld rows in %.0f ms = %.2f x read (CPU %.0f ms)\n",
        qlonglong(texts.rows.size()), bareMs, bareMs / readMs, cpuMs() - cpu);
    std::printf("build:    %.0f ms = %.2f x read, %.2f x bare FTS5 (CPU %.0f ms; %d parts unreadable)\n",
        buildMs, buildMs / readMs, buildMs / bareMs, buildCpu, index.unreadableParts());
    const qint64 size = fileSize(dbPath);
    std::printf("size:     index %.1f MB for %.1f MB of plain text (UTF-8) = %.2f x\n", size / 1e6,
        texts.utf8Bytes / 1e6, double(size) / double(qMax<qint64>(1, texts.utf8Bytes)));

    QRandomGenerator random(11);
    QList<double> times, shortTimes; // all queries; those of one- and two-letter words only
    int maxTotal = 0;
    for (int i = 0; i < 200 && !words.isEmpty(); ++i) {
        QStringList query;
        const int n = 1 + i % 3;
        for (int w = 0; w < n; ++w)
            query << words[random.bounded(int(words.size()))].left(i % 5 == 0 ? 2 : 6);
        clock.restart();
        const auto results = index.query({ query.join(u' '), std::nullopt, kAllKinds }, [] { return false; });
        times << clock.nsecsElapsed() / 1e6;
        if (i % 5 == 0)
            shortTimes << times.last();
        maxTotal = qMax(maxTotal, results ? results->total : 0);
    }
    std::printf("queries:  %lld, median %.1f ms, p95 %.1f ms, worst %.1f ms (largest count %d)\n",
        qlonglong(times.size()), percentile(times, 0.5), percentile(times, 0.95), percentile(times, 1.0),
        maxTotal);
    std::printf("          of them %lld of short words only (entry names): median %.1f ms, worst %.1f ms\n",
        qlonglong(shortTimes.size()), percentile(shortTimes, 0.5), percentile(shortTimes, 1.0));

    if (!paths.isEmpty()) {
        // "Replaced": a new modification time makes the index read the module again.
        const QString path = paths[paths.size() / 2];
        clock.restart();
        readModule(path, nullptr);
        const double oneMs = clock.nsecsElapsed() / 1e6;
        const timespec now[2] = { { 0, UTIME_NOW }, { 0, UTIME_NOW } };
        utimensat(AT_FDCWD, QFile::encodeName(path).constData(), now, 0);
        clock.restart();
        index.update([](const SearchIndex::Progress &) { return true; });
        const double updateMs = clock.nsecsElapsed() / 1e6;
        std::printf("update:   one module %.0f ms, reading it alone %.0f ms\n", updateMs, oneMs);
    }
    return 0;
}
