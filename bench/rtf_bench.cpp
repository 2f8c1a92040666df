// SPDX-License-Identifier: GPL-3.0-or-later
// rtf_bench: reads and writes RTF documents that grow in the number of fonts and
// in size, each against reading the same document's plain text in the same run,
// then prints how they compare.

#include "viewer/rtf/plaintext.h"
#include "viewer/rtf/rtfreader.h"
#include "viewer/rtf/rtfwriter.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

/// A document with `fonts` distinct fonts in its table, each used by one paragraph.
QByteArray manyFonts(int fonts)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
    for (int i = 0; i < fonts; ++i)
        rtf += "{\\f" + QByteArray::number(i) + "\\fswiss\\fcharset0 Schrift " + QByteArray::number(i) + ";}";
    rtf += "}\r\n";
    for (int i = 0; i < fonts; ++i)
        rtf += "\\pard\\f" + QByteArray::number(i) + "\\fs20 Absatz in Schrift " + QByteArray::number(i)
            + "\\par\r\n";
    return rtf + "}";
}

/// An article as word processors write it, 40,000 paragraphs and about 6.5 MB:
/// runs of bold, italic and coloured text, umlauts as escapes, tab stops.
QByteArray largeDocument()
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
                     "{\\f1\\fmodern\\fcharset0 Courier New;}}{\\colortbl ;\\red255\\green0\\blue0;"
                     "\\red0\\green0\\blue128;}\r\n\\viewkind4\\uc1";
    for (int i = 0; i < 40000; ++i) {
        rtf += "\\pard\\sa120\\tx720\\tx1440\\f0\\fs20 Absatz " + QByteArray::number(i)
            + ": Gr\\'fc\\'dfe aus M\\'fcnchen, {\\b fett} und {\\i kursiv}, \\cf1 rot\\cf0  und "
              "{\\f1 int x = 0;}\\tab mehr Text, damit der Absatz die L\\'e4nge eines echten hat, "
              "mit \\cf2 blauem\\cf0  Wort am Ende.\\par\r\n";
    }
    return rtf + "}";
}

/// The text a reader sees of `rtf`, as the plain text file of the same document.
QByteArray plainTextOf(const QByteArray &rtf)
{
    QTextDocument doc;
    tv::readRtf(rtf, &doc);
    return tv::plainTextCrLf(doc);
}

struct Input
{
    QByteArray rtf;
    QByteArray plain;
};

const Input &fontsInput(int fonts)
{
    static std::map<int, Input> inputs;
    auto found = inputs.find(fonts);
    if (found == inputs.end()) {
        QByteArray rtf = manyFonts(fonts);
        QByteArray plain = plainTextOf(rtf);
        found = inputs.emplace(fonts, Input { rtf, plain }).first;
    }
    return found->second;
}

const Input &largeInput()
{
    static const Input input = [] {
        QByteArray rtf = largeDocument();
        QByteArray plain = plainTextOf(rtf);
        return Input { rtf, plain };
    }();
    return input;
}

void readRtfLoop(benchmark::State &state, const QByteArray &rtf)
{
    for (auto _ : state) {
        QTextDocument doc;
        if (!tv::readRtf(rtf, &doc))
            state.SkipWithError("not read as RTF");
        benchmark::DoNotOptimize(doc.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
}

void readPlainLoop(benchmark::State &state, const QByteArray &plain)
{
    for (auto _ : state) {
        QTextDocument doc;
        tv::readPlainText(plain, &doc);
        benchmark::DoNotOptimize(doc.characterCount());
    }
}

void writeRtfLoop(benchmark::State &state, const QByteArray &rtf)
{
    QTextDocument doc;
    tv::readRtf(rtf, &doc);
    for (auto _ : state)
        benchmark::DoNotOptimize(tv::writeRtf(doc).size());
}

void ReadRtfFonts(benchmark::State &state)
{
    readRtfLoop(state, fontsInput(int(state.range(0))).rtf);
}
void ReadPlainFonts(benchmark::State &state)
{
    readPlainLoop(state, fontsInput(int(state.range(0))).plain);
}
void WriteRtfFonts(benchmark::State &state)
{
    writeRtfLoop(state, fontsInput(int(state.range(0))).rtf);
}
void ReadRtfLarge(benchmark::State &state)
{
    readRtfLoop(state, largeInput().rtf);
}
void ReadPlainLarge(benchmark::State &state)
{
    readPlainLoop(state, largeInput().plain);
}
void WriteRtfLarge(benchmark::State &state)
{
    writeRtfLoop(state, largeInput().rtf);
}

BENCHMARK(ReadRtfFonts)->Arg(1000)->Arg(10000)->Arg(28600)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadPlainFonts)->Arg(1000)->Arg(10000)->Arg(28600)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteRtfFonts)->Arg(1000)->Arg(10000)->Arg(28600)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadRtfLarge)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadPlainLarge)->Unit(benchmark::kMillisecond);
BENCHMARK(WriteRtfLarge)->Unit(benchmark::kMillisecond);

/// The console output plus the CPU time of each run, for the ratios: the machine
/// running it may be shared, and reading takes one thread.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            const bool mean = run.run_type == Run::RT_Aggregate && run.aggregate_name == "mean";
            if ((run.run_type == Run::RT_Iteration || mean) && !run.error_occurred)
                seconds[run.run_name.function_name
                    + (run.run_name.args.empty() ? "" : "/" + run.run_name.args)]
                    = run.GetAdjustedCPUTime();
        }
    }
    std::map<std::string, double> seconds;
};

void printRatio(const RatioReporter &reporter, const std::string &ours, const std::string &baseline)
{
    const auto a = reporter.seconds.find(ours);
    const auto b = reporter.seconds.find(baseline);
    if (a != reporter.seconds.end() && b != reporter.seconds.end() && b->second > 0)
        std::printf("%s / %s = %.2f\n", ours.c_str(), baseline.c_str(), a->second / b->second);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv); // fonts need the GUI side of Qt
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char *fonts : { "/1000", "/10000", "/28600" }) {
        printRatio(reporter, std::string("ReadRtfFonts") + fonts, std::string("ReadPlainFonts") + fonts);
        printRatio(reporter, std::string("WriteRtfFonts") + fonts, std::string("ReadPlainFonts") + fonts);
    }
    printRatio(reporter, "ReadRtfLarge", "ReadPlainLarge");
    printRatio(reporter, "WriteRtfLarge", "ReadPlainLarge");
    benchmark::Shutdown();
    return 0;
}
