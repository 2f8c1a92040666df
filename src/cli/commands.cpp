// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"

#include "app/version.h"
#include "catalogue/paths.h"
#include "cli/clierror.h"
#include "cli/output.h"
#include "cli/runner.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace tv::cli {
namespace {

const QList<Command> &commands()
{
    static const QList<Command> list {
        { QStringLiteral("sections"), QString(), QStringLiteral("Die Rubriken mit der Zahl ihrer Einträge"),
            0, 0, { QStringLiteral("json"), QStringLiteral("names") } },
        { QStringLiteral("entries"), QStringLiteral("RUBRIK"),
            QStringLiteral("Die Einträge einer Rubrik; markierte und neue sind gekennzeichnet"), 1, 1,
            { QStringLiteral("json"), QStringLiteral("names") } },
        { QStringLiteral("show"), QStringLiteral("RUBRIK EINTRAG"),
            QStringLiteral("Die Teile eines Eintrags mit Art, Modul, Datei, Beschreibung und Status"), 2, 2,
            { QStringLiteral("json") } },
        { QStringLiteral("cat"), QStringLiteral("RUBRIK EINTRAG [TEIL]"),
            QStringLiteral(
                "Den Text eines Teils (RTF als reiner Text), die Dateien eines Archivs, die Adresse "
                "eines Links oder die HTML-Seite"),
            2, 3, { QStringLiteral("json"), QStringLiteral("rtf") } },
        { QStringLiteral("link"), QStringLiteral("RUBRIK EINTRAG [TEIL]"),
            QStringLiteral("Den Link \"tipvault:?...\" zu einem Eintrag oder Teil, für \"tipvault LINK\""), 2, 3,
            { QStringLiteral("json") } },
        { QStringLiteral("extract"), QStringLiteral("RUBRIK EINTRAG TEIL ORDNER"),
            QStringLiteral("Die Dateien eines Archiv-Teils flach in ORDNER entpacken"), 4, 4,
            { QStringLiteral("json"), QStringLiteral("force") } },
        { QStringLiteral("search"), QStringLiteral("SUCHTEXT"),
            QStringLiteral(
                "Im ganzen Katalog suchen (Namen, Beschreibungen, Texte, Archive, HTML-Seiten, Links), "
                "beste Treffer zuerst"),
            1, 1, { QStringLiteral("json"), QStringLiteral("section"), QStringLiteral("kind") } },
        { QStringLiteral("stats"), QString(),
            QStringLiteral("Die Modulstatistik, Zeile für Zeile wie im Programm"), 0, 0,
            { QStringLiteral("json") } },
        { QStringLiteral("integrate"), QStringLiteral("ORDNER"),
            QStringLiteral("Die Update-Archive (*.tvu) in ORDNER integrieren wie \"Module integrieren\""), 1,
            1, { QStringLiteral("json"), QStringLiteral("copy") } },
        { QStringLiteral("check"), QString(),
            QStringLiteral("Den Katalog prüfen: ein Befund je Zeile als DATEI:ZEILE: Fehler|Warnung: Text"),
            0, 0, { QStringLiteral("json") } },
        { QStringLiteral("pack"), QStringLiteral("QUELLE ZIEL"),
            QStringLiteral("Einen Katalog mit Modulen aus einem Quellbaum bauen"), 2, 2, {} },
        { QStringLiteral("pack-update"), QStringLiteral("QUELLE ZIEL.tvu"),
            QStringLiteral("Ein Update-Archiv aus einem Quellbaum bauen"), 2, 2, { QStringLiteral("base") } },
    };
    return list;
}

QList<QCommandLineOption> allOptions()
{
    return {
        QCommandLineOption(QStringLiteral("dir"),
            QStringLiteral("Der Ordner des Katalogs (Vorgabe: der Ordner des Programms)"),
            QStringLiteral("ORDNER")),
        QCommandLineOption(QStringLiteral("json"), QStringLiteral("Ausgabe als JSON")),
        QCommandLineOption(QStringLiteral("names"), QStringLiteral("Nur die Namen, einer je Zeile")),
        QCommandLineOption(
            QStringLiteral("rtf"), QStringLiteral("Die gespeicherten Bytes unverändert ausgeben")),
        QCommandLineOption(QStringLiteral("force"), QStringLiteral("Vorhandene Dateien ersetzen")),
        QCommandLineOption(QStringLiteral("copy"),
            QStringLiteral("Einen Katalog, der nicht geändert werden kann, in den Datenordner kopieren und dort "
                           "integrieren")),
        QCommandLineOption(QStringLiteral("section"), QStringLiteral("Nur in dieser Rubrik suchen"),
            QStringLiteral("RUBRIK")),
        QCommandLineOption(QStringLiteral("kind"),
            QStringLiteral("Nur in dieser Art suchen: name, text, archiv, html, link (mehrfach möglich)"),
            QStringLiteral("ART")),
        QCommandLineOption(QStringLiteral("base"),
            QStringLiteral("Quellordner des Katalogs, aus dem fehlende Section-Dateien kommen"),
            QStringLiteral("ORDNER")),
        QCommandLineOption({ QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Diese Hilfe")),
        QCommandLineOption(QStringLiteral("version"), QStringLiteral("Die Version")),
    };
}

QString helpText()
{
    QString text = QStringLiteral("Aufruf: tipvault-cli [--dir ORDNER] BEFEHL [ARGUMENTE] [OPTIONEN]\n\n"
                                  "Liest, prüft und baut Tipvault-Kataloge.\n\nBefehle:\n");
    for (const Command &c : commands()) {
        text += QStringLiteral("  %1 %2\n      %3\n").arg(c.name, c.arguments, c.summary);
        for (const QCommandLineOption &o : allOptions()) {
            if (c.options.contains(o.names().front()))
                text += QStringLiteral("      --%1%2  %3\n")
                            .arg(o.names().front(),
                                o.valueName().isEmpty() ? QString() : u' ' + o.valueName(), o.description());
        }
    }
    text += QStringLiteral(
        "\nAllgemeine Optionen:\n"
        "  --dir ORDNER  Der Ordner des Katalogs (Vorgabe: der Ordner des Programms)\n"
        "  -h, --help    Diese Hilfe\n"
        "  --version     Die Version\n\n"
        "RUBRIK und EINTRAG werden wie angezeigt (mit Umlauten) oder wie gespeichert angegeben, ohne\n"
        "Rücksicht auf Groß- und Kleinschreibung; ein eindeutiger Anfang genügt. TEIL ist die Nummer\n"
        "des Teils oder seine Art bzw. Beschreibung.\n\n"
        "Rückgabewerte: 0 Erfolg, 1 fehlgeschlagen oder check hat Fehler gefunden, 2 falscher Aufruf.\n");
    return text;
}

void usageError(std::FILE *err, const QString &text)
{
    write(err,
        (QStringLiteral("tipvault-cli: ") + text + QStringLiteral("\nHilfe: tipvault-cli --help\n"))
            .toUtf8());
}

} // namespace

int run(const QStringList &arguments, std::FILE *out, std::FILE *err)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(allOptions());
    if (!parser.parse(arguments)) {
        // The parser's own texts are English; ours are German.
        const QStringList unknown = parser.unknownOptionNames();
        usageError(err,
            unknown.isEmpty() ? QStringLiteral("Der Option %1 fehlt ihr Wert.").arg(arguments.last())
                              : QStringLiteral("Unbekannte Option '%1'.").arg(unknown.front()));
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        write(out, "tipvault-cli " TIPVAULT_VERSION "\n");
        return ExitOk;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        if (parser.isSet(QStringLiteral("help"))) {
            write(out, helpText().toUtf8());
            return ExitOk;
        }
        usageError(err, QStringLiteral("Kein Befehl angegeben."));
        return ExitUsage;
    }
    const auto it = std::find_if(
        commands().begin(), commands().end(), [&](const Command &c) { return c.name == positional.front(); });
    if (it == commands().end()) {
        usageError(err, QStringLiteral("Unbekannter Befehl '%1'.").arg(positional.front()));
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        write(out, helpText().toUtf8());
        return ExitOk;
    }
    for (const QCommandLineOption &o : allOptions()) {
        const QString name = o.names().back();
        if (parser.isSet(name) && name != u"dir" && !it->options.contains(name)) {
            usageError(err, QStringLiteral("Der Befehl %1 kennt die Option --%2 nicht.").arg(it->name, name));
            return ExitUsage;
        }
    }
    const qsizetype args = positional.size() - 1;
    if (args < it->minArgs || args > it->maxArgs) {
        usageError(err, QStringLiteral("Aufruf: tipvault-cli %1 %2").arg(it->name, it->arguments).trimmed());
        return ExitUsage;
    }
    if (parser.isSet(QStringLiteral("dir"))) {
        const QFileInfo dir(parser.value(QStringLiteral("dir")));
        if (!dir.isDir()) {
            write(err,
                QStringLiteral("tipvault-cli: Der Ordner '%1' existiert nicht.\n")
                    .arg(dir.filePath())
                    .toUtf8());
            return ExitFailed;
        }
        setProgramDirOverride(dir.absoluteFilePath());
    }
    try {
        return Runner(parser, *it, out, err).run();
    } catch (const CliError &e) {
        write(err, (QStringLiteral("tipvault-cli: ") + e.message() + u'\n').toUtf8());
        return e.code();
    } catch (const Error &e) {
        write(err, (QStringLiteral("tipvault-cli: ") + e.message() + u'\n').toUtf8());
        return ExitFailed;
    }
}

} // namespace tv::cli
