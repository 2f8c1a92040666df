// SPDX-License-Identifier: GPL-3.0-or-later
// tipvault-gencat: writes generated catalogues, update archives and modules
// for the benchmarks (see catgen.h).
//
//     tipvault-gencat catalogue DIR SECTIONS ENTRIES [--empty-modules] [--seed N]
//     tipvault-gencat update CATALOGUE FOLDER NAME MEMBERS SERIAL
//     tipvault-gencat module PATH MEMBERS

#include "catgen.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <exception>

namespace {

int number(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0)
        throw std::runtime_error("not a number: " + text.toStdString());
    return value;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes generated catalogues for the benchmarks."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("catalogue, update or module"));
    const QCommandLineOption empty(
        QStringLiteral("empty-modules"), QStringLiteral("Modules hold one small member only."));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Seed of the generator."),
        QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption perModule(QStringLiteral("entries-per-module"),
        QStringLiteral("Entries whose parts one module holds."), QStringLiteral("n"), QStringLiteral("2000"));
    parser.addOptions({ empty, seed, perModule });
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    try {
        const QString command = args.value(0);
        if (command == QLatin1String("catalogue") && args.size() == 4) {
            tv::bench::CatalogueOptions options;
            options.seed = unsigned(number(parser.value(seed)));
            options.entriesPerModule = number(parser.value(perModule));
            if (parser.isSet(empty))
                options.content = tv::bench::ModuleContent::Empty;
            const auto cat = tv::bench::generateCatalogue(args[1], number(args[2]), number(args[3]), options);
            std::printf("%s: %d sections, %lld entries, %lld parts (%lld texts), %lld modules\n",
                qPrintable(cat.dir), int(cat.sections.size()), cat.entries, cat.parts, cat.textParts,
                qint64(cat.modules.size()));
        } else if (command == QLatin1String("update") && args.size() == 6) {
            const QString path = tv::bench::generateUpdate(args[1], args[2], args[3], number(args[4]),
                number(args[5]), unsigned(number(parser.value(seed))));
            std::printf("%s\n", qPrintable(path));
        } else if (command == QLatin1String("module") && args.size() == 3) {
            tv::bench::generateModule(args[1], number(args[2]), unsigned(number(parser.value(seed))));
            std::printf("%s\n", qPrintable(args[1]));
        } else {
            parser.showHelp(2);
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "tipvault-gencat: %s\n", e.what());
        return 1;
    }
    return 0;
}
