// SPDX-License-Identifier: GPL-3.0-or-later
// The reading commands: sections, entries, show, cat and extract.
#include "runner.h"

#include "catalogue/catalogue.h"
#include "catalogue/entry.h"
#include "catalogue/paths.h"
#include "cli/clierror.h"
#include "cli/names.h"
#include "cli/output.h"
#include "cli/partfiles.h"
#include "cli/partkinds.h"
#include "cli/parttext.h"
#include "userstate/tipvaultlink.h"
#include "userstate/userstate.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

namespace tv::cli {

namespace {

/// What the program's list draws for an entry: marked wins over new.
QString entryMark(const Entry &entry, const QByteArray &newest)
{
    if (entry.isMarked())
        return QStringLiteral("markiert");
    return entry.isNew(newest) ? QStringLiteral("neu") : QString();
}

QString statusText(ModuleMark mark)
{
    switch (mark) {
    case ModuleMark::Missing:
        return QStringLiteral("Modul fehlt");
    case ModuleMark::Newest:
        return QStringLiteral("neuestes Modul");
    case ModuleMark::None:
        break;
    }
    return QString();
}

QString statusToken(ModuleMark mark)
{
    switch (mark) {
    case ModuleMark::Missing:
        return QStringLiteral("missing");
    case ModuleMark::Newest:
        return QStringLiteral("newest");
    case ModuleMark::None:
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

} // namespace

int Runner::sections()
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

int Runner::entries()
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

int Runner::show()
{
    const Section section = resolveSection(m_args[0]);
    const Entry entry = resolveEntry(section, m_args[1]);
    const QByteArray newest = GetNewestModul();
    QJsonArray list;
    QList<QStringList> rows;
    for (const Part &p : section.file().parts(entry)) {
        const ModuleMark mark = moduleMark(p.modul, newest);
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

int Runner::link()
{
    const Section section = resolveSection(m_args[0]);
    const Entry entry = resolveEntry(section, m_args[1]);
    TipvaultLink link;
    link.section = section.line;
    link.entry = entry.name;
    if (m_args.size() > 2) {
        const Part part = resolvePart(section, entry, m_args[2]);
        link.part = part.caption;
        // Parts are named by caption; of several with one caption, which one it is.
        link.partOccurrence = 0;
        for (const Part &other : section.file().parts(entry))
            link.partOccurrence += other.number <= part.number && other.caption == part.caption ? 1 : 0;
    }
    // Given with --dir, the folder goes into the link: the program opens it first.
    if (catalogueKey(GetProgramDir()) != catalogueKey(GetExecutableDir()))
        link.folder = catalogueKey(GetProgramDir());
    const QString address = formatLink(link);
    if (m_json)
        printJson({ { QStringLiteral("link"), address } });
    else
        print(address + u'\n');
    return ExitOk;
}

int Runner::cat()
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

int Runner::extract()
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

} // namespace tv::cli
