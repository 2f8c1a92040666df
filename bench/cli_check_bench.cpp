// SPDX-License-Identifier: GPL-3.0-or-later
// cli_check_bench: tipvault-cli's check on a catalogue of 100 sections of
// 2,000 entries (two parts each, one Module of 2,001 members per section),
// written into a temporary folder before the run. The check must stay within
// a few seconds there.

#include "catalogue/paths.h"
#include "cli/linter.h"
#include "cli/stderrseam.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <zip.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kSections = 100;
constexpr int kEntries = 2000;

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

void writeModule(const QString &path, const QList<QByteArray> &members)
{
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const QByteArray &name : members) {
        zip_source_t *data = zip ? zip_source_buffer(zip, "x", 1, 0) : nullptr;
        if (!data || zip_file_add(zip, name.constData(), data, ZIP_FL_ENC_RAW) < 0) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
    }
    if (!zip || zip_close(zip) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

void writeCatalogue(const QString &dir)
{
    QByteArray sections;
    for (int s = 0; s < kSections; ++s) {
        const QByteArray section = "Rubrik" + QByteArray::number(s);
        const QByteArray modul = "m" + QByteArray::number(s);
        sections += section + "\r\n";
        QByteArray file;
        QList<QByteArray> members { "link.txt" };
        for (int e = 0; e < kEntries; ++e) {
            const QByteArray n = QByteArray::number(e);
            file += "[Eintrag " + n + " in " + section + "]\r\nCount=2\r\n1=Artikel\r\n1Modul=" + modul
                + "\r\n1File=t" + n + ".rtf\r\n1Describe=Beschreibung " + n
                + "\r\n2=WWW-Link\r\n2Modul=" + modul + "\r\n2File=link.txt\r\n\r\n";
            members << "t" + n + ".rtf";
        }
        writeFile(
            dir + QStringLiteral("/Section_") + QString::fromLatin1(section) + QStringLiteral(".dat"), file);
        writeModule(dir + u'/' + QString::fromLatin1(modul) + QStringLiteral(".tvm"), members);
    }
    writeFile(dir + QStringLiteral("/Sections.dat"), sections);
    writeFile(dir + QStringLiteral("/CheckVersion.dat"), "[ModulDate]\r\nModul=m0.tvm\r\nDate=1\r\n");
}

void CheckCatalogue(benchmark::State &state)
{
    QTemporaryDir dir;
    writeCatalogue(dir.path());
    tv::setProgramDirOverride(dir.path());
    std::FILE *null = std::fopen("/dev/null", "w");
    tv::cli::StderrSeam seam(null);
    for (auto _ : state) {
        const QList<tv::cli::Finding> findings = tv::cli::checkCatalogue(seam, QStringLiteral(TV_ENGINE_DIR));
        if (!findings.isEmpty())
            state.SkipWithError(qPrintable(findings.front().toString()));
    }
    std::fclose(null);
    tv::setProgramDirOverride(QString());
}

BENCHMARK(CheckCatalogue)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
