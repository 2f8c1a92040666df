// SPDX-License-Identifier: GPL-3.0-or-later
// zip_listing_bench: lists a Module of 10,000 small members with TZipAccess
// and opens the same archive with libzip, then prints how the two compare.

#include "catalogue/seam.h"
#include "zip/zipaccess.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <zip.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

constexpr int kMembers = 10000;

/// The Module, written once with libzip: small deflated text members.
class Module
{
public:
    Module()
        : m_path(m_dir.filePath(QStringLiteral("bench.tvm")))
    {
        int error = 0;
        zip_t *archive = zip_open(QFile::encodeName(m_path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        for (int i = 0; archive && i < kMembers; ++i) {
            const std::string name = "tip" + std::to_string(i) + ".rtf";
            std::string &text = m_texts.emplace_back();
            text = "{\\rtf1\\ansi Tipp " + std::to_string(i) + ": " + std::string(100 + i % 400, 'x') + "}";
            zip_source_t *source = zip_source_buffer(archive, text.data(), text.size(), 0);
            zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_GUESS);
        }
        m_ok = archive && zip_close(archive) == 0;
    }

    bool ok() const { return m_ok; }
    const QString &path() const { return m_path; }

private:
    QTemporaryDir m_dir;
    QString m_path;
    std::vector<std::string> m_texts; // zip_source_buffer reads them at zip_close
    bool m_ok = false;
};

/// The listing runs unattended: nothing is ever shown, chosen or opened.
class NoUser : public tv::Seam
{
public:
    tv::MessageButton message(const tv::MessageRequest &) override { return tv::Ok; }
    QString chooseFolder(const QString &) override { return {}; }
    tv::SaveAnswer chooseSaveFile(const tv::SaveRequest &) override { return {}; }
    bool choosePrinter(QPrinter &) override { return false; }
    bool openExternal(const QUrl &) override { return false; }
    void setClipboard(QMimeData *) override { }
    void setBusy(bool) override { }
};

const Module &module()
{
    static const Module instance;
    return instance;
}

void TZipAccessList(benchmark::State &state)
{
    NoUser noUser;
    tv::TZipAccess zip(noUser);
    zip.setUnattended(true);
    for (auto _ : state) {
        zip.setZipFilename(module().path());
        if (zip.EntryCount() != kMembers)
            state.SkipWithError("TZipAccess did not list every member");
        benchmark::DoNotOptimize(zip.DirEntries().constData());
    }
}

/// A component of its own each time: nothing kept from an earlier listing,
/// so the archive's central directory is read afresh.
void TZipAccessListFresh(benchmark::State &state)
{
    NoUser noUser;
    for (auto _ : state) {
        tv::TZipAccess zip(noUser);
        zip.setUnattended(true);
        zip.setZipFilename(module().path());
        if (zip.EntryCount() != kMembers)
            state.SkipWithError("TZipAccess did not list every member");
        benchmark::DoNotOptimize(zip.DirEntries().constData());
    }
}

void LibzipOpen(benchmark::State &state)
{
    const QByteArray path = QFile::encodeName(module().path());
    for (auto _ : state) {
        int error = 0;
        zip_t *archive = zip_open(path.constData(), ZIP_RDONLY, &error);
        const zip_int64_t n = archive ? zip_get_num_entries(archive, 0) : 0;
        zip_stat_t stat;
        for (zip_int64_t i = 0; i < n; ++i) {
            zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat);
            benchmark::DoNotOptimize(stat.name);
        }
        if (n != kMembers)
            state.SkipWithError("libzip did not see every member");
        if (archive)
            zip_discard(archive);
    }
}

BENCHMARK(TZipAccessList)->Unit(benchmark::kMillisecond);
BENCHMARK(TZipAccessListFresh)->Unit(benchmark::kMillisecond);
BENCHMARK(LibzipOpen)->Unit(benchmark::kMillisecond);

/// The console output plus the mean time of each benchmark, for the ratio.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            const bool mean = run.run_type == Run::RT_Aggregate && run.aggregate_name == "mean";
            if ((run.run_type == Run::RT_Iteration || mean) && !run.error_occurred)
                seconds[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
    }
    std::map<std::string, double> seconds;
};

} // namespace

int main(int argc, char **argv)
{
    if (!module().ok()) {
        std::fprintf(stderr, "cannot write the benchmark archive\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto theirs = reporter.seconds.find("LibzipOpen");
    for (const char *name : { "TZipAccessList", "TZipAccessListFresh" }) {
        const auto ours = reporter.seconds.find(name);
        if (ours != reporter.seconds.end() && theirs != reporter.seconds.end() && theirs->second > 0)
            std::printf("%s / libzip = %.3f\n", name, ours->second / theirs->second);
    }
    benchmark::Shutdown();
    return 0;
}
