// SPDX-License-Identifier: GPL-3.0-or-later
#include "commands.h"

#include "app/version.h"
#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/entry.h"
#include "catalogue/errorreport.h"
#include "catalogue/paths.h"
#include "cli/clierror.h"
#include "cli/linter.h"
#include "cli/names.h"
#include "cli/packer.h"
#include "cli/partfiles.h"
#include "cli/partkinds.h"
#include "cli/parttext.h"
#include "cli/progress.h"
#include "cli/stderrseam.h"
#include "search/searchindex.h"
#include "stats/modulstatistik.h"
#include "updates/modulupdate.h"
#include "updates/updatefolder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <functional>

namespace tv::cli {
namespace {

struct Command
{
    QString name;
    QString arguments; // as shown in the help: "SECTION ENTRY [PART]"
    QString summary;
    int minArgs;
    int maxArgs;
    QStringList options; // names of the options it takes besides --dir
};

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
            1, { QStringLiteral("json") } },
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

void write(std::FILE *to, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
}

/// Columns padded to their widest cell; `right` names the right-aligned ones.
QString table(const QStringList &header, const QList<QStringList> &rows, const QList<int> &right = {})
{
    QList<qsizetype> widths(header.size(), 0);
    for (const QStringList &row : QList<QStringList> { header } + rows) {
        for (int c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], row[c].size());
    }
    QString text;
    for (const QStringList &row : QList<QStringList> { header } + rows) {
        QString line;
        for (int c = 0; c < row.size(); ++c) {
            const bool last = c + 1 == row.size();
            const QString cell = right.contains(c) ? row[c].rightJustified(widths[c])
                : last                             ? row[c]
                                                   : row[c].leftJustified(widths[c]);
            line += (c ? QStringLiteral("  ") : QString()) + cell;
        }
        text += line.trimmed().isEmpty() ? QStringLiteral("\n")
                                         : line.remove(QRegularExpression(QStringLiteral("\\s+$"))) + u'\n';
    }
    return text;
}

/// What the program's list draws for an entry: marked wins over new.
QString entryMark(const Entry &entry, const QByteArray &newest)
{
    if (entry.isMarked())
        return QStringLiteral("markiert");
    return entry.isNew(newest) ? QStringLiteral("neu") : QString();
}

QString statusText(ModulMark mark)
{
    switch (mark) {
    case ModulMark::Missing:
        return QStringLiteral("Modul fehlt");
    case ModulMark::Newest:
        return QStringLiteral("neuestes Modul");
    case ModulMark::None:
        break;
    }
    return QString();
}

QString statusToken(ModulMark mark)
{
    switch (mark) {
    case ModulMark::Missing:
        return QStringLiteral("missing");
    case ModulMark::Newest:
        return QStringLiteral("newest");
    case ModulMark::None:
        break;
    }
    return QStringLiteral("ok");
}

/// An MS-DOS stamp as "2024-05-04 12:00:00"; "" when it names no valid time.
QString dosStamp(quint32 stamp)
{
    const QDate date(int(stamp >> 25) + 1980, int(stamp >> 21) & 15, int(stamp >> 16) & 31);
    const QTime time(int(stamp >> 11) & 31, int(stamp >> 5) & 63, int(stamp & 31) * 2);
    if (!date.isValid() || !time.isValid())
        return QString();
    return date.toString(Qt::ISODate) + u' ' + time.toString(Qt::ISODate);
}

/// A section as every listing shows it: its tab caption and its Sections.dat line.
QJsonObject sectionJson(const QByteArray &caption, const QByteArray &line)
{
    return { { QStringLiteral("name"), shownName(caption) }, { QStringLiteral("stored"), shownName(line) } };
}

QJsonObject sectionJson(const Section &s)
{
    return sectionJson(s.caption, s.line);
}

/// The kinds of --kind, each given once or more: the part kinds' names, and
/// "name" for the entries' names.
search::Kinds searchKinds(const QStringList &names)
{
    search::Kinds kinds;
    for (const QString &name : names) {
        if (name.compare(QLatin1String("name"), Qt::CaseInsensitive) == 0) {
            kinds |= search::Kind::Entries;
            continue;
        }
        const std::optional<PartKind> kind = kindFromName(name);
        if (!kind)
            throw CliError(
                QStringLiteral("Unbekannte Art '%1'; bekannt sind name, text, archiv, html und link.")
                    .arg(name),
                ExitUsage);
        kinds |= search::Kind(partKindInfo(*kind)->searchKind);
    }
    return kinds;
}

QJsonArray marksJson(const QList<QPair<int, int>> &marks)
{
    QJsonArray list;
    for (const auto &[start, length] : marks)
        list.append(QJsonArray { start, length });
    return list;
}

/// A table cell: tabs and line ends would break the columns.
QString oneLine(QString text)
{
    for (QChar &c : text) {
        if (c.unicode() < 0x20)
            c = u' ';
    }
    return text;
}

class Runner
{
public:
    Runner(QCommandLineParser &parser, const Command &command, std::FILE *out, std::FILE *err)
        : m_parser(parser)
        , m_command(command)
        , m_out(out)
        , m_err(err)
        , m_seam(err)
        , m_progress(err)
        , m_args(parser.positionalArguments().mid(1))
        , m_json(parser.isSet(QStringLiteral("json")))
    {
        m_seam.setProgress(&m_progress);
    }

    int run()
    {
        const QString &c = m_command.name;
        if (c == u"pack")
            return pack();
        if (c == u"pack-update")
            return packUpdate();
        if (c == u"integrate")
            return integrate();
        if (c == u"check")
            return check();
        requireCatalogue();
        if (c == u"sections")
            return sections();
        if (c == u"entries")
            return entries();
        if (c == u"show")
            return show();
        if (c == u"cat")
            return cat();
        if (c == u"extract")
            return extract();
        if (c == u"search")
            return search();
        return stats();
    }

private:
    void print(const QString &text) { write(m_out, text.toUtf8()); }
    /// A line on standard error that is no message of the core: a summary, "nothing found".
    void note(const QString &text)
    {
        m_progress.clear();
        write(m_err, (text + u'\n').toUtf8());
    }
    void printJson(const QJsonObject &object)
    {
        write(m_out, QJsonDocument(object).toJson(QJsonDocument::Indented));
    }
    QString engineDir() const { return QCoreApplication::applicationDirPath(); }

    void requireCatalogue()
    {
        if (!fileExistsIn(GetProgramDir(), kSectionsFile))
            throw CliError(
                QStringLiteral("In '%1' liegt kein Katalog: Sections.dat fehlt.").arg(GetProgramDir()));
    }

    int sections()
    {
        QJsonArray list;
        QList<QStringList> rows;
        QStringList names;
        int number = 0;
        for (const Section &s : readSections()) {
            const int count = int(s.file().entryNames().size());
            QJsonObject o = sectionJson(s);
            o.insert(QStringLiteral("number"), ++number);
            o.insert(QStringLiteral("entries"), count);
            list.append(o);
            rows.append({ QString::number(number), shownName(s.caption), QString::number(count) });
            names << shownName(s.caption);
        }
        if (m_json)
            printJson({ { QStringLiteral("sections"), list } });
        else if (m_parser.isSet(QStringLiteral("names")))
            print(names.isEmpty() ? QString() : names.join(u'\n') + u'\n');
        else
            print(table({ QStringLiteral("Nr"), QStringLiteral("Rubrik"), QStringLiteral("Einträge") }, rows,
                { 0, 2 }));
        return ExitOk;
    }

    int entries()
    {
        const Section section = resolveSection(m_args[0]);
        const SectionFile file = section.file();
        const QByteArray newest = GetNewestModul();
        QJsonArray list;
        QList<QStringList> rows;
        QStringList names;
        int number = 0;
        for (const QByteArray &name : file.entryNames()) {
            const Entry e = file.entry(name);
            ++number;
            list.append(QJsonObject { { QStringLiteral("number"), number },
                { QStringLiteral("name"), shownName(name) }, { QStringLiteral("parts"), e.partCount },
                { QStringLiteral("marked"), e.isMarked() }, { QStringLiteral("new"), e.isNew(newest) } });
            rows.append({ QString::number(number), shownName(name), QString::number(e.partCount),
                entryMark(e, newest) });
            names << shownName(name);
        }
        if (m_json)
            printJson(
                { { QStringLiteral("section"), sectionJson(section) }, { QStringLiteral("entries"), list } });
        else if (m_parser.isSet(QStringLiteral("names")))
            print(names.isEmpty() ? QString() : names.join(u'\n') + u'\n');
        else
            print(table({ QStringLiteral("Nr"), QStringLiteral("Eintrag"), QStringLiteral("Teile"),
                            QStringLiteral("Kennzeichen") },
                rows, { 0, 2 }));
        return ExitOk;
    }

    int show()
    {
        const Section section = resolveSection(m_args[0]);
        const Entry entry = resolveEntry(section, m_args[1]);
        const QByteArray newest = GetNewestModul();
        QJsonArray list;
        QList<QStringList> rows;
        for (const Part &p : section.file().parts(entry)) {
            const ModulMark mark = modulMark(p.modul, newest);
            list.append(QJsonObject { { QStringLiteral("number"), p.number },
                { QStringLiteral("caption"), shownName(p.caption) },
                { QStringLiteral("kind"), kindToken(p.kind) },
                { QStringLiteral("modul"), shownName(p.modul) },
                { QStringLiteral("file"), shownName(p.file) },
                { QStringLiteral("description"), shownName(p.description) },
                { QStringLiteral("status"), statusToken(mark) } });
            rows.append({ QString::number(p.number), shownName(p.caption), kindCaption(p.kind),
                shownName(p.modul), shownName(p.file), statusText(mark), shownName(p.description) });
        }
        if (m_json) {
            printJson({ { QStringLiteral("section"), sectionJson(section) },
                { QStringLiteral("entry"),
                    QJsonObject { { QStringLiteral("name"), shownName(entry.name) },
                        { QStringLiteral("marked"), entry.isMarked() },
                        { QStringLiteral("new"), entry.isNew(newest) } } },
                { QStringLiteral("parts"), list } });
            return ExitOk;
        }
        QString head = QStringLiteral("Rubrik:  %1\nEintrag: %2")
                           .arg(shownName(section.caption), shownName(entry.name));
        if (const QString mark = entryMark(entry, newest); !mark.isEmpty())
            head += QStringLiteral(" (%1)").arg(mark);
        if (entry.countCapped)
            head += QStringLiteral("\nCount %1: gezeigt werden nur %2 Teile")
                        .arg(entry.declaredCount)
                        .arg(kMaxParts);
        print(head + QStringLiteral("\n\n")
            + table({ QStringLiteral("Nr"), QStringLiteral("Teil"), QStringLiteral("Art"),
                        QStringLiteral("Modul"), QStringLiteral("Datei"), QStringLiteral("Status"),
                        QStringLiteral("Beschreibung") },
                rows, { 0 }));
        return ExitOk;
    }

    int cat()
    {
        const Section section = resolveSection(m_args[0]);
        const Entry entry = resolveEntry(section, m_args[1]);
        const Part part = resolvePart(section, entry, m_args.value(2));
        PartFiles files(m_seam, engineDir());
        if (m_parser.isSet(QStringLiteral("rtf"))) {
            write(m_out, files.read(part));
            return ExitOk;
        }
        QJsonObject json { { QStringLiteral("number"), part.number },
            { QStringLiteral("kind"), kindToken(part.kind) } };
        switch (part.kind) {
        case PartKind::Archive: {
            const QString archive = files.fetch(part);
            QJsonArray list;
            QList<QStringList> rows;
            for (const ZipDirEntry &m : files.members(archive)) {
                const QString date = dosStamp(m.dateTime());
                list.append(QJsonObject { { QStringLiteral("name"), m.Name },
                    { QStringLiteral("size"), m.uncompressedSize() },
                    { QStringLiteral("packed"), m.compressedSize() },
                    { QStringLiteral("date"), date.isEmpty() ? QJsonValue() : QJsonValue(date) } });
                rows.append({ m.Name, QString::number(m.uncompressedSize()),
                    QString::number(m.compressedSize()), date });
            }
            json.insert(QStringLiteral("members"), list);
            if (!m_json)
                print(table({ QStringLiteral("Datei"), QStringLiteral("Entpackt"), QStringLiteral("Gepackt"),
                                QStringLiteral("Datum") },
                    rows, { 1, 2 }));
            break;
        }
        case PartKind::Www: {
            const QString address = linkAddress(files.read(part));
            json.insert(QStringLiteral("address"), address);
            if (!m_json)
                print(address + u'\n');
            break;
        }
        case PartKind::Html: {
            const QByteArray page = files.readMember(files.fetch(part), "index.htm");
            if (page.isEmpty())
                throw CliError(
                    QStringLiteral("Die HTML-Seite von Teil %1 enthält keine index.htm.").arg(part.number));
            json.insert(QStringLiteral("page"), QString::fromUtf8(page));
            if (!m_json)
                write(m_out, page);
            break;
        }
        case PartKind::Text:
        case PartKind::None: {
            const QString text = partText(files.read(part));
            json.insert(QStringLiteral("text"), text);
            if (!m_json)
                print(text.endsWith(u'\n') || text.isEmpty() ? text : text + u'\n');
            break;
        }
        }
        if (m_json)
            printJson(json);
        return ExitOk;
    }

    int extract()
    {
        const Section section = resolveSection(m_args[0]);
        const Entry entry = resolveEntry(section, m_args[1]);
        const Part part = resolvePart(section, entry, m_args[2]);
        if (part.kind != PartKind::Archive)
            throw CliError(QStringLiteral("Teil %1 ist kein Archiv, sondern %2.")
                               .arg(part.number)
                               .arg(kindCaption(part.kind)));
        const QString dir = QFileInfo(m_args[3]).absoluteFilePath();
        // The program asks whether to create a missing folder; "Ja" is its default.
        if (!QFileInfo(dir).isDir() && !QDir().mkpath(dir))
            throw CliError(QStringLiteral("Der Ordner '%1' kann nicht angelegt werden.").arg(dir));
        PartFiles files(m_seam, engineDir());
        const int count = files.extractAll(files.fetch(part), dir, m_parser.isSet(QStringLiteral("force")));
        if (m_json)
            printJson(
                { { QStringLiteral("extracted"), count }, { QStringLiteral("dir"), withSeparator(dir) } });
        else
            print(QStringLiteral("Es wurde(n) %1 Datei(en) nach '%2' entpackt.\n")
                      .arg(count)
                      .arg(withSeparator(dir)));
        return ExitOk;
    }

    int search()
    {
        search::Query query;
        query.text = m_args[0];
        if (m_parser.isSet(QStringLiteral("section")))
            query.section = resolveSection(m_parser.value(QStringLiteral("section"))).line;
        if (m_parser.isSet(QStringLiteral("kind")))
            query.kinds = searchKinds(m_parser.values(QStringLiteral("kind")));
        if (search::parseQuery(query.text).isEmpty())
            throw CliError(QStringLiteral("Der Suchtext enthält kein Wort."), ExitUsage);

        // The program's own index: what it or an earlier search built is reused.
        search::SearchIndex index(GetProgramDir(), search::SearchIndex::defaultPath(GetProgramDir()));
        index.update([this](const search::SearchIndex::Progress &p) {
            m_progress.show(QStringLiteral("Suchindex: %1 von %2 Dateien").arg(p.done).arg(p.total));
            return true;
        });
        m_progress.clear();
        if (!index.note().isEmpty())
            note(index.note());
        const std::optional<search::Results> results = index.query(query, [] { return false; });
        const int unreadable = index.unreadableParts();
        if (unreadable > 0)
            note(QStringLiteral("%1 Teile konnten nicht gelesen werden.").arg(unreadable));

        QJsonArray list;
        QList<QStringList> rows;
        for (const search::Hit &hit : results->hits) {
            const bool inName = hit.part == 0;
            list.append(QJsonObject {
                { QStringLiteral("section"), sectionJson(hit.sectionCaption(), hit.sectionLine) },
                { QStringLiteral("entry"), shownName(hit.entry) },
                { QStringLiteral("part"), inName ? QJsonValue() : QJsonValue(hit.part) },
                { QStringLiteral("caption"), inName ? QJsonValue() : QJsonValue(shownName(hit.caption)) },
                { QStringLiteral("kind"), inName ? QJsonValue() : QJsonValue(kindToken(hit.kind)) },
                { QStringLiteral("context"), hit.context },
                { QStringLiteral("marks"), marksJson(hit.marks) } });
            rows.append({ shownName(hit.sectionCaption()), shownName(hit.entry),
                inName ? QString() : QStringLiteral("%1 %2").arg(hit.part).arg(shownName(hit.caption)),
                oneLine(hit.context) });
        }
        if (m_json)
            printJson({ { QStringLiteral("query"), query.text },
                { QStringLiteral("in"), QStringLiteral("fulltext") },
                { QStringLiteral("total"), results->total },
                { QStringLiteral("moreThanTotal"), results->moreThanTotal },
                { QStringLiteral("hits"), list } });
        else if (!rows.isEmpty())
            print(table({ QStringLiteral("Rubrik"), QStringLiteral("Eintrag"), QStringLiteral("Teil"),
                            QStringLiteral("Fundstelle") },
                rows));
        if (m_json)
            return ExitOk;
        if (rows.isEmpty())
            note(QStringLiteral("Keine Übereinstimmungen gefunden..."));
        else if (results->total > rows.size())
            note(QStringLiteral("%1 von %2%3 Treffern gezeigt.")
                     .arg(rows.size())
                     .arg(results->moreThanTotal ? QStringLiteral("mehr als ") : QString())
                     .arg(results->total));
        return ExitOk;
    }

    int stats()
    {
        ModulStatistik statistik;
        statistik.GetModulStatistik();
        QJsonArray list;
        QList<QStringList> rows;
        for (int row = 0; row < statistik.rowCount(); ++row) {
            const int texts = statistik.count(row, CountColumn::Text);
            const int archives = statistik.count(row, CountColumn::Archive);
            const int html = statistik.count(row, CountColumn::Html);
            const int links = statistik.count(row, CountColumn::Www);
            list.append(QJsonObject { { QStringLiteral("modul"), fromCp1252(statistik.modules()[row]) },
                { QStringLiteral("file"), fromCp1252(statistik.modulText(row).trimmed()) },
                { QStringLiteral("installed"), statistik.isInstalled(row) },
                { QStringLiteral("total"), statistik.total(row) }, { QStringLiteral("text"), texts },
                { QStringLiteral("archive"), archives }, { QStringLiteral("html"), html },
                { QStringLiteral("links"), links } });
            rows.append({ fromCp1252(statistik.modulText(row).trimmed()),
                QString::number(statistik.total(row)), QString::number(texts), QString::number(archives),
                QString::number(html), QString::number(links),
                statistik.isInstalled(row) ? QString() : QStringLiteral("nicht installiert") });
        }
        if (m_json)
            printJson({ { QStringLiteral("modules"), list } });
        else
            print(table(
                { QStringLiteral("Modul"), QStringLiteral("Total"), QStringLiteral("Artikel"),
                    QStringLiteral("Archive"), QStringLiteral("HTML"), QStringLiteral("Links"), QString() },
                rows, { 1, 2, 3, 4, 5 }));
        return ExitOk;
    }

    int integrate()
    {
        const QFileInfo folder(m_args[0]);
        if (!folder.isDir())
            throw CliError(QStringLiteral("Der Ordner '%1' existiert nicht.").arg(m_args[0]));
        const QString dir = withSeparator(folder.absoluteFilePath());
        if (!QFileInfo(GetProgramDir()).isDir())
            throw CliError(QStringLiteral("Der Katalogordner '%1' existiert nicht.").arg(GetProgramDir()));
        // As the menu command: the folder searched is remembered for the next time.
        setModulPath(dir);
        TZipAccess zip(m_seam);
        zip.setEngineDirectory(engineDir());
        int count = 0;
        try {
            count = IntegrateUpdates(m_seam, zip, dir, [this](UpdateStep, const QByteArray &file) {
                m_progress.show(QStringLiteral("Integriere: ") + shownName(file));
            });
        } catch (const IntegrationStopped &stopped) {
            // What went in before the error stays: it is counted, and the error fails the run.
            reportError(m_seam, stopped.message());
            count = stopped.integrated();
        }
        m_progress.clear();
        const int failed = m_seam.errorCount();
        if (m_json)
            printJson({ { QStringLiteral("integrated"), count }, { QStringLiteral("failed"), failed } });
        else
            print(count == 0 ? QStringLiteral("Es wurde kein Modul integriert...\n")
                             : QStringLiteral("Es wurde(n) %1 Modul(e) integriert.\n").arg(count));
        return failed ? ExitFailed : ExitOk;
    }

    int check()
    {
        if (!QFileInfo(GetProgramDir()).isDir())
            throw CliError(QStringLiteral("Der Katalogordner '%1' existiert nicht.").arg(GetProgramDir()));
        const QList<Finding> findings
            = checkCatalogue(m_seam, engineDir(), [this](const QString &s, int n, int of) {
                  m_progress.show(QStringLiteral("Prüfe %1/%2: %3").arg(n).arg(of).arg(s));
              });
        m_progress.clear();
        int errors = 0, warnings = 0;
        QJsonArray list;
        QString text;
        for (const Finding &f : findings) {
            (f.severity == Severity::Error ? errors : warnings)++;
            list.append(QJsonObject { { QStringLiteral("file"), f.file },
                { QStringLiteral("line"), f.line ? QJsonValue(f.line) : QJsonValue() },
                { QStringLiteral("severity"),
                    f.severity == Severity::Error ? QStringLiteral("error") : QStringLiteral("warning") },
                { QStringLiteral("text"), f.text } });
            text += f.toString() + u'\n';
        }
        if (m_json)
            printJson({ { QStringLiteral("findings"), list }, { QStringLiteral("errors"), errors },
                { QStringLiteral("warnings"), warnings } });
        else
            print(text);
        if (!findings.isEmpty() && !m_json)
            note(QStringLiteral("%1 Fehler, %2 Warnung(en)").arg(errors).arg(warnings));
        return errors ? ExitFailed : ExitOk;
    }

    int pack()
    {
        packCatalogue(m_args[0], m_args[1],
            [this](const QString &file) { m_progress.show(QStringLiteral("Packe ") + file); });
        return ExitOk;
    }

    int packUpdate()
    {
        tv::cli::packUpdate(m_args[0], m_args[1], m_parser.value(QStringLiteral("base")),
            [this](const QString &file) { m_progress.show(QStringLiteral("Packe ") + file); });
        return ExitOk;
    }

    QCommandLineParser &m_parser;
    const Command &m_command;
    std::FILE *m_out;
    std::FILE *m_err;
    StderrSeam m_seam;
    Progress m_progress;
    QStringList m_args;
    bool m_json;
};

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
