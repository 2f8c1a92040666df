// SPDX-License-Identifier: GPL-3.0-or-later
#include "linter.h"

#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/entry.h"
#include "catalogue/errors.h"
#include "catalogue/ini.h"
#include "catalogue/paths.h"
#include "catalogue/textlines.h"
#include "cli/names.h"
#include "cli/stderrseam.h"
#include "updates/modulupdate.h"
#include "zip/zipaccess.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QVarLengthArray>

namespace tv::cli {
namespace {

constexpr qsizetype kMaxValue = 2047; // what the INI reader returns of a value

QString q(const QByteArray &cp1252)
{
    return QStringLiteral("'") + shownName(cp1252) + u'\'';
}

bool hasControl(const QByteArray &name)
{
    return std::any_of(name.begin(), name.end(), [](char c) { return uchar(c) < 0x20 || c == 0x7F; });
}

bool hasWildcard(const QByteArray &name)
{
    return name.contains('*') || name.contains('?');
}

class Linter
{
public:
    Linter(StderrSeam &seam, const QString &engineDir, const CheckProgress &progress)
        : m_zip(seam)
        , m_progress(progress)
    {
        m_zip.setEngineDirectory(engineDir);
        m_zip.setUnattended(true);
        m_zip.setOnMessage([this](TZipAccess &, int, const QString &text) { m_zipMessages << text; });
    }

    QList<Finding> run()
    {
        const QList<QByteArray> lines = checkSectionList();
        checkVersionFile();
        for (int i = 0; i < lines.size(); ++i) {
            if (m_progress)
                m_progress(shownName(ConvertUmlaut(lines[i], true)), i + 1, int(lines.size()));
            if (m_sectionFiles.contains(i))
                checkSectionFile(m_sectionFiles.value(i));
        }
        checkModules();
        return m_findings;
    }

private:
    void add(const QString &file, int line, Severity severity, const QString &text)
    {
        m_findings.append({ file, line, severity, text });
    }

    QList<QByteArray> checkSectionList()
    {
        const QString sections = QString::fromLatin1(kSectionsFile);
        if (!fileExistsIn(GetProgramDir(), kSectionsFile)) {
            add(sections, 0, Severity::Error, QStringLiteral("Datei fehlt; das Programm startet nicht"));
            return {};
        }
        QList<QByteArray> lines;
        try {
            lines = readSectionLines();
        } catch (const IoError &e) {
            add(sections, 0, Severity::Error, e.message());
            return {};
        }
        QHash<QByteArray, int> seen; // upper-cased Section file name -> line
        for (int i = 0; i < lines.size(); ++i) {
            const QByteArray &line = lines[i];
            const int number = i + 1;
            if (line.isEmpty()) {
                add(sections, number, Severity::Error,
                    i + 1 == lines.size()
                        ? QStringLiteral("leere letzte Zeile: ein Zeilenende zu viel am Dateiende; das "
                                         "Programm sucht dafür 'Section_.dat'")
                        : QStringLiteral("leere Zeile: eine Rubrik ohne Namen"));
            } else if (!isSafeSectionName(line) || line == "." || line == "..") {
                add(sections, number, Severity::Error,
                    QStringLiteral("Rubrikname %1 wird nicht angenommen (kein \"/\", \"\\\", \"*\", \"?\" "
                                   "oder Steuerzeichen)")
                        .arg(q(line)));
                continue;
            }
            const QByteArray fileName = sectionFileName(line);
            const QByteArray folded = upperAscii(fileName);
            if (seen.contains(folded)) {
                add(sections, number, Severity::Error,
                    QStringLiteral("Rubrik %1 steht doppelt (zuerst in Zeile %2)")
                        .arg(q(line))
                        .arg(seen[folded]));
                continue;
            }
            seen.insert(folded, number);
            if (!fileExistsIn(GetProgramDir(), fileName)) {
                add(sections, number, Severity::Error,
                    QStringLiteral("%1 fehlt; das Programm startet nicht").arg(shownName(fileName)));
                continue;
            }
            m_sectionFiles.insert(i, line);
        }
        return lines;
    }

    void checkVersionFile()
    {
        const QString version = QString::fromLatin1(kVersionFile);
        if (!fileExistsIn(GetProgramDir(), kVersionFile)) {
            add(version, 0, Severity::Warning,
                QStringLiteral("Datei fehlt: kein Eintrag gilt als neu, und jedes Update gilt als neuer"));
            return;
        }
        const QByteArray newest = GetNewestModul();
        if (!newest.isEmpty() && !fileExistsIn(GetProgramDir(), newest))
            add(version, 0, Severity::Warning,
                QStringLiteral("das neueste Modul %1 ist nicht installiert").arg(q(newest)));
    }

    void checkSectionFile(const QByteArray &line)
    {
        const SectionFile file = SectionFile::ofLine(line);
        const QString name = QFileInfo(file.path()).fileName();
        // Read once: a Section file of thousands of entries is checked in one pass.
        const SectionSnapshot snapshot(file);
        QHash<QByteArray, int> seen; // entry name as the INI reader matches it -> line
        for (const ini::SectionAt &at : ini::sectionsWithLines(file.path())) {
            const QByteArray folded = upperCp1252(at.name);
            if (seen.contains(folded)) {
                add(name, at.line, Severity::Error,
                    QStringLiteral(
                        "Eintrag %1 steht doppelt (zuerst in Zeile %2); gelesen wird nur der erste")
                        .arg(q(at.name))
                        .arg(seen[folded]));
                continue;
            }
            seen.insert(folded, at.line);
            checkEntry(snapshot, name, at);
        }
    }

    /// Where a key of a part stands; an entry has a handful, so a short list is searched.
    struct KeyPlace
    {
        int part;
        EntryKeyKind kind;
        int line;
    };
    using KeyPlaces = QVarLengthArray<KeyPlace, 16>;

    /// The line of part n's key of `kind` (Unknown: its first key), 0 when it has none.
    static int placeOf(const KeyPlaces &places, int n, EntryKeyKind kind = EntryKeyKind::Unknown)
    {
        for (const KeyPlace &p : places) {
            if (p.part == n && (kind == EntryKeyKind::Unknown || p.kind == kind))
                return p.line;
        }
        return 0;
    }

    // Texts are made only for findings: most entries have none.
    static QString entryText(const ini::SectionAt &at)
    {
        return QStringLiteral("Eintrag %1").arg(q(at.name));
    }

    void checkEntry(const SectionSnapshot &file, const QString &fileName, const ini::SectionAt &at)
    {
        if (hasControl(at.name))
            add(fileName, at.line, Severity::Error,
                entryText(at) + QStringLiteral(": Steuerzeichen im Namen"));

        KeyPlaces places;
        int countLine = 0;
        for (qsizetype i = 0; i < at.keys.size(); ++i) {
            const ini::KeyAt &key = at.keys[i];
            const EntryKey kind = entryKeyOf(key.key);
            for (qsizetype j = 0; j < i; ++j) {
                if (at.keys[j].key.compare(key.key, Qt::CaseInsensitive) == 0) {
                    add(fileName, key.line, Severity::Warning,
                        entryText(at)
                            + QStringLiteral(": Schlüssel %1 steht doppelt; gelesen wird der erste")
                                  .arg(q(key.key)));
                    break;
                }
            }
            if (kind.kind == EntryKeyKind::Unknown)
                add(fileName, key.line, Severity::Warning,
                    entryText(at) + QStringLiteral(": unbekannter Schlüssel %1").arg(q(key.key)));
            if (kind.kind == EntryKeyKind::Count && !countLine)
                countLine = key.line;
            if (kind.part > 0)
                places.append({ kind.part, kind.kind, key.line });
            if (key.value.size() > kMaxValue)
                add(fileName, key.line, Severity::Warning,
                    entryText(at)
                        + QStringLiteral(": der Wert von %1 ist %2 Zeichen lang; das Programm liest nur %3")
                              .arg(q(key.key))
                              .arg(key.value.size())
                              .arg(kMaxValue));
        }

        const Entry entry = file.entry(at.name);
        checkCount(fileName, at, entry, countLine, places);
        for (const Part &part : file.parts(entry)) {
            const int first = placeOf(places, part.number);
            checkPart(fileName, at, part, [&](EntryKeyKind kind) {
                const int line = placeOf(places, part.number, kind);
                return line ? line : first ? first : at.line;
            });
        }
    }

    void checkCount(const QString &fileName, const ini::SectionAt &at, const Entry &entry, int countLine,
        const KeyPlaces &places)
    {
        const int line = countLine ? countLine : at.line;
        if (countLine) {
            for (const ini::KeyAt &key : at.keys) {
                qint32 value = 0;
                if (key.line == countLine && !ini::parseInteger(key.value, &value))
                    add(fileName, line, Severity::Error,
                        entryText(at)
                            + QStringLiteral(": Count %1 ist keine Zahl; gelesen wird 1").arg(q(key.value)));
            }
        }
        if (entry.declaredCount < 0)
            add(fileName, line, Severity::Error,
                entryText(at) + QStringLiteral(": Count %1 ist kleiner als 0").arg(entry.declaredCount));
        else if (entry.countCapped)
            add(fileName, line, Severity::Error,
                entryText(at)
                    + QStringLiteral(": Count %1 ist größer als %2; gezeigt werden nur %2 Teile")
                          .arg(entry.declaredCount)
                          .arg(kMaxParts));
        else if (entry.declaredCount == 0)
            add(fileName, line, Severity::Warning,
                entryText(at) + QStringLiteral(": Count ist 0, der Eintrag hat keine Teile"));

        QList<int> beyond;
        for (const KeyPlace &p : places) {
            if (p.part > entry.partCount && !beyond.contains(p.part))
                beyond << p.part;
        }
        std::sort(beyond.begin(), beyond.end());
        for (int n : beyond)
            add(fileName, placeOf(places, n), Severity::Error,
                entryText(at)
                    + QStringLiteral(": Teil %1 steht da, aber Count ist %2; das Programm zeigt ihn nicht")
                          .arg(n)
                          .arg(entry.partCount));
        // Part 1 may live on defaults alone; a later part without any key is a Count too high.
        for (int n = 2; n <= entry.partCount; ++n) {
            if (!placeOf(places, n))
                add(fileName, line, Severity::Error,
                    entryText(at)
                        + QStringLiteral(": Count ist %1, aber für Teil %2 steht kein Schlüssel da")
                              .arg(entry.partCount)
                              .arg(n));
        }
    }

    /// `lineOf(kind)`: where a finding about a part points, the key it is about,
    /// else the part's first key, else the entry.
    template <typename LineOf>
    void checkPart(const QString &fileName, const ini::SectionAt &at, const Part &part, const LineOf &lineOf)
    {
        int line = lineOf(EntryKeyKind::Caption);
        const auto partText = [&] { return entryText(at) + QStringLiteral(", Teil %1: ").arg(part.number); };
        if (part.kind == PartKind::None)
            add(fileName, line, Severity::Warning,
                partText() + QStringLiteral("unbekannte Art %1; der Teil bleibt leer").arg(q(part.caption)));
        line = lineOf(EntryKeyKind::Modul);
        if (part.modul.isEmpty()) {
            add(fileName, line, Severity::Error, partText() + QStringLiteral("kein Modul angegeben"));
            return;
        }
        if (!isBareName(part.modul) || hasControl(part.modul)) {
            add(fileName, line, Severity::Error,
                partText() + QStringLiteral("Modulname %1 wird nicht angenommen").arg(q(part.modul)));
            return;
        }
        const QByteArray modul = upperAscii(part.modul);
        m_usedModules.insert(modul);
        if (!isInstalled(part.modul)) {
            add(fileName, line, Severity::Error,
                partText() + QStringLiteral("Modul %1 fehlt").arg(q(part.modul + ".tvm")));
            return;
        }
        line = lineOf(EntryKeyKind::File);
        if (part.file.isEmpty()) {
            add(fileName, line, Severity::Error, partText() + QStringLiteral("keine Datei angegeben"));
            return;
        }
        if (!isBareName(part.file) || hasControl(part.file) || hasWildcard(part.file)) {
            add(fileName, line, Severity::Error,
                partText()
                    + QStringLiteral(
                        "Dateiname %1 wird nicht angenommen (kein Ordner, kein \"*\" oder \"?\")")
                          .arg(q(part.file)));
            return;
        }
        Members &members = membersOf(part.modul);
        const QByteArray file = upperAscii(part.file);
        if (!members.readable)
            return;
        if (!members.names.contains(file))
            add(fileName, line, Severity::Error,
                partText()
                    + QStringLiteral("Datei %1 fehlt im Modul %2").arg(q(part.file), q(part.modul + ".tvm")));
        else
            members.used.insert(members.aliases.value(file, file));
    }

    /// Asked once per module name: a catalogue of 400,000 parts names a few hundred.
    bool isInstalled(const QByteArray &modul)
    {
        auto it = m_installed.find(modul);
        if (it == m_installed.end())
            it = m_installed.insert(modul, moduleInstalled(modul));
        return *it;
    }

    struct Members
    {
        QString file;
        bool readable = true;
        QHash<QByteArray, QByteArray> names; // upper-cased -> as stored
        QList<QByteArray> order;
        QSet<QByteArray> used;
        QHash<QByteArray, QByteArray> aliases; // decoded name -> stored name, both upper-cased
    };

    Members &membersOf(const QByteArray &modul)
    {
        const QByteArray key = upperAscii(modul);
        auto it = m_members.find(key);
        if (it != m_members.end())
            return *it;
        Members members;
        members.file = moduleFile(modul);
        m_zipMessages.clear();
        try {
            m_zip.setZipFilename(members.file);
        } catch (const Error &e) {
            m_zipMessages << e.message();
        }
        if (!m_zipMessages.isEmpty()) {
            members.readable = false;
            add(QFileInfo(members.file).fileName(), 0, Severity::Error,
                QStringLiteral("Modul kann nicht gelesen werden: %1")
                    .arg(m_zipMessages.join(QStringLiteral("; "))));
        }
        for (const ZipDirEntry &member : m_zip.DirEntries()) {
            if (member.FileName.endsWith('/'))
                continue;
            const QByteArray upper = upperAscii(member.FileName);
            if (!members.names.contains(upper))
                members.order << upper;
            members.names.insert(upper, member.FileName);
            // The engine also finds a member by its decoded name (UTF-8, CP850).
            const QByteArray decoded = upperAscii(toCp1252(member.Name));
            if (decoded != upper && !members.names.contains(decoded)) {
                members.names.insert(decoded, member.FileName);
                members.aliases.insert(decoded, upper);
            }
        }
        m_moduleOrder << key;
        return *m_members.insert(key, members);
    }

    void checkModules()
    {
        for (const QByteArray &key : std::as_const(m_moduleOrder)) {
            const Members &members = m_members[key];
            if (!members.readable)
                continue;
            for (const QByteArray &upper : members.order) {
                if (!members.used.contains(upper))
                    add(QFileInfo(members.file).fileName(), 0, Severity::Warning,
                        QStringLiteral("%1 wird von keinem Eintrag benutzt").arg(q(members.names[upper])));
            }
        }
        QStringList modules = QDir(GetProgramDir()).entryList(QDir::Files, QDir::Name);
        for (const QString &name : std::as_const(modules)) {
            if (!name.endsWith(QStringLiteral(".tvm"), Qt::CaseInsensitive))
                continue;
            const QByteArray modul = upperAscii(toCp1252(name.chopped(4)));
            if (!m_usedModules.contains(modul))
                add(name, 0, Severity::Warning, QStringLiteral("Modul wird von keinem Eintrag benutzt"));
        }
    }

    TZipAccess m_zip;
    CheckProgress m_progress;
    QList<Finding> m_findings;
    QHash<int, QByteArray> m_sectionFiles; // index in Sections.dat -> line, for the files that exist
    QSet<QByteArray> m_usedModules; // upper-cased
    QHash<QByteArray, bool> m_installed; // module name as written -> its file exists
    QHash<QByteArray, Members> m_members; // upper-cased module -> its listing
    QList<QByteArray> m_moduleOrder;
    QStringList m_zipMessages;
};

} // namespace

QString Finding::toString() const
{
    const QString kind = severity == Severity::Error ? QStringLiteral("Fehler") : QStringLiteral("Warnung");
    const QString where = line > 0 ? QStringLiteral("%1:%2").arg(file).arg(line) : file;
    return QStringLiteral("%1: %2: %3").arg(where, kind, text);
}

QList<Finding> checkCatalogue(StderrSeam &seam, const QString &engineDir, const CheckProgress &progress)
{
    return Linter(seam, engineDir, progress).run();
}

} // namespace tv::cli
