// SPDX-License-Identifier: GPL-3.0-or-later
#include "catgen.h"

#include <QDir>
#include <QFile>

#include <zip.h>

#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace tv::bench {
namespace {

/// Windows-1252 bytes of a text written here in UTF-8: every letter we use
/// (ä, ö, ü, ß, Ä, Ö, Ü, é) has the same code in Latin-1 and 1252.
QByteArray cp(const char *utf8)
{
    return QString::fromUtf8(utf8).toLatin1();
}

const char *const kSectionNames[] = { "Grafik", "Datenbanken", "Kaeltetechnik", "Dateien und Ordner",
    "Netzwerk", "Drucker", "Multimedia", "System", "Registry", "Strings", "Mathematik", "Komponenten",
    "Internet", "Sicherheit", "Oberflaeche", "Zeit und Datum", "Hardware", "Dialoge", "Listen", "Menues",
    "Threads", "Speicher", "Fehlerbehandlung", "Sound", "Tastatur", "Maus", "Zwischenablage", "Hilfe",
    "Installation", "Sonstiges" };

const char *const kVerbs[] = { "laden", "speichern", "drehen", "prüfen", "öffnen", "schließen", "sortieren",
    "kopieren", "löschen", "anzeigen", "ändern", "verschlüsseln", "zählen", "suchen", "drucken", "umwandeln",
    "vergrößern", "verkleinern", "einfügen", "ermitteln" };

const char *const kNouns[] = { "Bitmaps", "Tabellen", "Dateien", "Ordner", "Fenster", "Schriften", "Zeilen",
    "Einträge", "Schlüssel", "Verbindungen", "Grafiken", "Symbole", "Zahlen", "Datumswerte", "Listen",
    "Prozesse", "Größen", "Farbverläufe", "Menüs", "Übergänge", "Dokumente", "Knoten", "Bäume" };

const char *const kWords[] = { "Die", "Funktion", "liefert", "den", "Wert", "zurück", "wenn", "das",
    "Fenster", "geöffnet", "ist", "und", "der", "Benutzer", "eine", "Datei", "gewählt", "hat", "Dabei",
    "müssen", "Sie", "beachten", "dass", "Speicher", "für", "jede", "Zeile", "angelegt", "wird", "Mit",
    "diesem", "Tipp", "lässt", "sich", "Größe", "ändern", "ohne", "Flackern", "Beispiel", "zeigt", "wie",
    "Komponente", "schnell", "über", "Schleife", "Ergebnis", "Übergabe", "Parameter", "Zeiger", "Puffer",
    "Ereignis", "ausgelöst", "Formular", "Schaltfläche", "Eigenschaft", "Methode", "Klasse", "Objekt" };

const char *const kTextCaptions[]
    = { "Artikel", "Beschreibung", "Hinweise", "FAQ", "Disclaimer", "Magazin", "Editorial" };
const char *const kArchiveCaptions[] = { "Archiv", "Beispiel", "Komponente" };

template <typename T, std::size_t N> const T &pick(std::mt19937 &rng, const T (&list)[N])
{
    return list[std::uniform_int_distribution<std::size_t>(0, N - 1)(rng)];
}

int between(std::mt19937 &rng, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(rng);
}

QByteArray sentence(std::mt19937 &rng)
{
    QByteArray s;
    const int words = between(rng, 6, 16);
    for (int i = 0; i < words; ++i) {
        if (i > 0)
            s += ' ';
        s += cp(pick(rng, kWords));
    }
    return s + '.';
}

QByteArray rtfEscaped(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size() + 16);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80)
            out += "\\'" + QByteArray::number(byte, 16);
        else if (c == '\\' || c == '{' || c == '}')
            out += '\\' + QByteArray(1, c);
        else
            out += c;
    }
    return out;
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size()
        || !file.flush())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return file.readAll();
}

/// Members collected for one archive and written with libzip in one go.
class ZipBuilder
{
public:
    void add(QByteArray name, QByteArray content)
    {
        m_members.emplace_back(std::move(name), std::move(content));
    }
    bool isEmpty() const { return m_members.empty(); }

    /// The archive as a file.
    void write(const QString &path) const
    {
        int error = 0;
        zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (!archive)
            throw std::runtime_error("cannot create " + path.toStdString());
        fill(archive, path);
    }

    /// The archive as bytes, for an archive inside a module.
    QByteArray bytes() const
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t *source = zip_source_buffer_create(nullptr, 0, 0, &error);
        zip_t *archive = source ? zip_open_from_source(source, ZIP_TRUNCATE, &error) : nullptr;
        if (!archive)
            throw std::runtime_error("cannot create an archive in memory");
        zip_source_keep(source);
        fill(archive, QStringLiteral("(memory)"));
        QByteArray out;
        zip_stat_t st;
        if (zip_source_stat(source, &st) == 0 && zip_source_open(source) == 0) {
            out.resize(qsizetype(st.size));
            const zip_int64_t n = zip_source_read(source, out.data(), st.size);
            zip_source_close(source);
            out.resize(n < 0 ? 0 : qsizetype(n));
        }
        zip_source_free(source);
        return out;
    }

private:
    void fill(zip_t *archive, const QString &what) const
    {
        // A fixed time: the same call writes the same bytes.
        constexpr time_t kTime = 1714557600; // 2024-05-01 10:00 UTC
        for (const auto &[name, content] : m_members) {
            zip_source_t *source
                = zip_source_buffer(archive, content.constData(), zip_uint64_t(content.size()), 0);
            const zip_int64_t index = source
                ? zip_file_add(archive, name.constData(), source, ZIP_FL_ENC_GUESS | ZIP_FL_OVERWRITE)
                : -1;
            if (index < 0) {
                zip_source_free(source);
                zip_discard(archive);
                throw std::runtime_error("cannot add a member to " + what.toStdString());
            }
            zip_file_set_mtime(archive, zip_uint64_t(index), kTime, 0);
        }
        if (zip_close(archive) != 0) {
            zip_discard(archive);
            throw std::runtime_error("cannot write " + what.toStdString());
        }
    }

    std::vector<std::pair<QByteArray, QByteArray>> m_members;
};

QByteArray entryName(std::mt19937 &rng, qint64 number)
{
    QByteArray name = cp(pick(rng, kNouns)) + ' ' + cp(pick(rng, kVerbs)) + ' ' + QByteArray::number(number);
    return name;
}

QByteArray sectionLine(int index)
{
    constexpr int kNames = int(std::size(kSectionNames));
    QByteArray line = kSectionNames[index % kNames];
    if (index >= kNames)
        line += ' ' + QByteArray::number(index / kNames + 1);
    return line;
}

QByteArray moduleName(int index)
{
    return "mod" + QByteArray::number(index + 1).rightJustified(3, '0');
}

QByteArray crlf(const QList<QByteArray> &lines)
{
    QByteArray out;
    for (const QByteArray &line : lines)
        out += line + "\r\n";
    return out;
}

/// An example archive: a small project of three or four source files.
QByteArray exampleArchive(std::mt19937 &rng)
{
    ZipBuilder zip;
    const int files = between(rng, 2, 4);
    for (int i = 0; i < files; ++i) {
        QByteArray source
            = "// " + sentence(rng) + "\r\nprocedure Beispiel" + QByteArray::number(i) + ";\r\nbegin\r\n";
        for (int l = between(rng, 5, 30); l > 0; --l)
            source += "  Zeile" + QByteArray::number(l) + " := " + QByteArray::number(between(rng, 0, 9999))
                + ";\r\n";
        zip.add("Unit" + QByteArray::number(i + 1) + ".pas", source + "end;\r\n");
    }
    zip.add("Liesmich.txt", sentence(rng) + "\r\n" + sentence(rng) + "\r\n");
    return zip.bytes();
}

QByteArray htmlArchive(std::mt19937 &rng)
{
    ZipBuilder zip;
    QByteArray page
        = "<html><head><title>Tipp</title><link rel=\"stylesheet\" href=\"style.css\"></head><body>";
    for (int p = between(rng, 2, 6); p > 0; --p)
        page += "<p>" + sentence(rng) + ' ' + sentence(rng) + "</p>\r\n";
    zip.add("index.htm", page + "<img src=\"bild.gif\"></body></html>\r\n");
    zip.add("style.css", "body { font-family: Arial; }\r\n");
    zip.add("bild.gif", QByteArray("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13) + QByteArray(30, '\0'));
    return zip.bytes();
}

} // namespace

QByteArray rtfDocument(unsigned seed, int paragraphs)
{
    std::mt19937 rng(seed);
    QByteArray rtf
        = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1031{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
          "{\\f1\\fmodern\\fcharset0 Courier New;}}\r\n{\\colortbl ;\\red0\\green0\\blue128;"
          "\\red128\\green0\\blue0;}\r\n\\viewkind4\\uc1\\pard\\cf1\\b\\f0\\fs28 "
        + rtfEscaped(sentence(rng)) + "\\cf0\\b0\\fs20\\par\r\n";
    const int count = between(rng, 1, std::max(1, paragraphs));
    for (int p = 0; p < count; ++p) {
        rtf += "\\par " + rtfEscaped(sentence(rng) + ' ' + sentence(rng) + ' ' + sentence(rng)) + "\\par\r\n";
        if (p % 3 == 1) {
            rtf += "\\cf2\\f1 ";
            for (int l = between(rng, 2, 6); l > 0; --l)
                rtf += "  Wert := Wert + " + QByteArray::number(between(rng, 1, 99)) + ";\\par\r\n";
            rtf += "\\cf0\\f0 ";
        }
    }
    return rtf + "}\r\n";
}

QByteArray plainDocument(unsigned seed, int paragraphs)
{
    std::mt19937 rng(seed);
    QByteArray text = sentence(rng) + "\r\n\r\n";
    const int count = between(rng, 1, std::max(1, paragraphs));
    for (int p = 0; p < count; ++p)
        text += sentence(rng) + ' ' + sentence(rng) + ' ' + sentence(rng) + "\r\n\r\n";
    return text;
}

GeneratedCatalogue generateCatalogue(
    const QString &dir, int sections, int entriesPerSection, const CatalogueOptions &options)
{
    GeneratedCatalogue cat;
    cat.dir = dir.endsWith(u'/') ? dir : dir + u'/';
    if (!QDir().mkpath(cat.dir))
        throw std::runtime_error("cannot create " + cat.dir.toStdString());
    std::mt19937 rng(options.seed);
    const qint64 total = qint64(sections) * entriesPerSection;
    const int perModule = std::max(1, options.entriesPerModule);
    const int modules = std::max<int>(1, int((total + perModule - 1) / perModule));
    const QByteArray newest = moduleName(modules - 1);

    // Entries fill the modules in order: each module is written as soon as it is full.
    ZipBuilder zip;
    int current = 0;
    const auto writeModule = [&] {
        if (zip.isEmpty())
            zip.add("Liesmich.txt", "Modul " + moduleName(current) + "\r\n");
        const QString file = QString::fromLatin1(moduleName(current)) + QStringLiteral(".tvm");
        zip.write(cat.dir + file);
        zip = ZipBuilder();
        cat.modules.append(file);
    };
    QList<QByteArray> versionLines { "[CheckVersion]", "Section=1" };
    qint64 number = 0;
    for (int s = 0; s < sections; ++s) {
        const QByteArray line = sectionLine(s);
        cat.sections.append(line);
        versionLines.append("Section_" + line + ".dat=1");
        QByteArray file;
        file.reserve(qsizetype(entriesPerSection) * 300);
        for (int e = 0; e < entriesPerSection; ++e, ++number) {
            const int m = int(number / perModule);
            const QByteArray modul = moduleName(m);
            if (m != current) {
                writeModule();
                current = m;
            }
            QByteArray name = entryName(rng, number + 1);
            if (between(rng, 0, 39) == 0)
                name.prepend('!');
            const QByteArray stem = 's' + QByteArray::number(s + 1) + 'e' + QByteArray::number(e + 1);
            file += '[' + name + "]\r\n";
            int parts = 1;
            const int roll = between(rng, 0, 99);
            if (roll >= 45)
                parts = 2;
            if (roll >= 80)
                parts = 3;
            if (roll >= 95)
                parts = 4;
            // Some entries have no Count and no caption: one "Artikel".
            const bool bare = parts == 1 && between(rng, 0, 4) == 0;
            if (!bare)
                file += "Count="
                    + (between(rng, 0, 9) == 0 ? "0x" + QByteArray::number(parts, 16)
                                               : QByteArray::number(parts))
                    + "\r\n";
            if (between(rng, 0, 19) == 0)
                file += "CModul=" + (between(rng, 0, 1) ? newest : modul) + "\r\n";
            for (int n = 1; n <= parts; ++n) {
                const QByteArray key = QByteArray::number(n);
                QByteArray caption;
                QByteArray member;
                QByteArray bytes;
                const unsigned partSeed = unsigned(rng());
                if (n == 1) {
                    caption = pick(rng, kTextCaptions);
                    const bool rtf = between(rng, 0, 3) != 0;
                    member = stem + (rtf ? ".rtf" : ".txt");
                    if (options.content == ModuleContent::Full)
                        bytes = rtf ? rtfDocument(partSeed, options.maxParagraphs)
                                    : plainDocument(partSeed, options.maxParagraphs);
                    ++cat.textParts;
                } else {
                    const int kind = between(rng, 0, 9);
                    if (kind < 6) {
                        caption = pick(rng, kArchiveCaptions);
                        member = stem + 'p' + key + ".zip";
                        if (options.content == ModuleContent::Full)
                            bytes = exampleArchive(rng);
                    } else if (kind < 8) {
                        caption = "HTML-Seite";
                        member = stem + 'p' + key + ".htz";
                        if (options.content == ModuleContent::Full)
                            bytes = htmlArchive(rng);
                    } else {
                        caption = "WWW-Link";
                        member = stem + 'p' + key + ".url";
                        bytes = "https://www.example.org/tipps/" + stem + ".html\r\n";
                    }
                }
                if (!bare)
                    file += key + '=' + caption + "\r\n";
                file += key + "Modul=" + modul + "\r\n" + key + "File=" + member + "\r\n";
                if (between(rng, 0, 2) != 0)
                    file += key + "Describe=" + sentence(rng) + "\r\n";
                if (caption == "Beispiel" || caption == "Archiv")
                    file += key + "Archiv=" + sentence(rng) + ' ' + sentence(rng) + "\r\n";
                if (options.content == ModuleContent::Full)
                    zip.add(member, bytes);
                ++cat.parts;
            }
            file += "\r\n";
        }
        writeFile(
            cat.dir + QStringLiteral("Section_") + QString::fromLatin1(line) + QStringLiteral(".dat"), file);
        cat.entries += entriesPerSection;
    }
    writeModule();
    writeFile(cat.dir + QStringLiteral("Sections.dat"), crlf(cat.sections));
    versionLines += QList<QByteArray> { "[ModulDate]", "Modul=" + newest + ".tvm", "Date=1000" };
    writeFile(cat.dir + QStringLiteral("CheckVersion.dat"), crlf(versionLines));
    writeFile(cat.dir + QStringLiteral("TIPVAULT.ini"), crlf({ "[Settings]", "ModulPath=0" }));
    return cat;
}

QString generateUpdate(const QString &catalogue, const QString &folder, const QString &name, int members,
    int serial, unsigned seed)
{
    const QString dir = catalogue.endsWith(u'/') ? catalogue : catalogue + u'/';
    const QString out = folder.endsWith(u'/') ? folder : folder + u'/';
    if (!QDir().mkpath(out))
        throw std::runtime_error("cannot create " + out.toStdString());
    std::mt19937 rng(seed + unsigned(serial) * 7919u);
    const QByteArray modul = name.toLatin1();
    const QByteArray sectionsDat = readFile(dir + QStringLiteral("Sections.dat"));
    QList<QByteArray> lines = sectionsDat.split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    if (lines.isEmpty())
        throw std::runtime_error("the catalogue has no sections");

    ZipBuilder zip;
    QByteArray added;
    for (int i = 0; i < members; ++i) {
        const QByteArray stem = 'u' + QByteArray::number(serial) + 'm' + QByteArray::number(i + 1);
        const bool rtf = i % 4 != 0;
        const QByteArray member = stem + (rtf ? ".rtf" : ".txt");
        const unsigned partSeed = unsigned(rng());
        zip.add(member, rtf ? rtfDocument(partSeed, 6) : plainDocument(partSeed, 6));
        if (i % 10 == 0) {
            added += "[Neu " + modul + ' ' + QByteArray::number(i + 1)
                + "]\r\nCount=1\r\n1=Artikel\r\n1Modul=" + modul + "\r\n1File=" + member
                + "\r\n1Describe=" + sentence(rng) + "\r\n\r\n";
        }
    }
    QList<QByteArray> version { "[CheckVersion]", "Section=1" };
    for (qsizetype s = 0; s < lines.size(); ++s) {
        const QByteArray file = "Section_" + lines[s] + ".dat";
        QByteArray content = readFile(dir + QString::fromLatin1(file));
        if (s == 0)
            content += added;
        zip.add(file, content);
        version.append(file + '=' + QByteArray::number(s == 0 ? 1 + serial : 1));
    }
    version += QList<QByteArray> { "[ModulDate]", "Modul=" + modul + ".tvm",
        "Date=" + QByteArray::number(1000 + serial) };
    zip.add("Sections.dat", sectionsDat);
    zip.add("CheckVersion.dat", crlf(version));
    const QString path = out + name + QStringLiteral(".tvu");
    zip.write(path);
    return path;
}

void generateModule(const QString &path, int members, unsigned seed)
{
    std::mt19937 rng(seed);
    ZipBuilder zip;
    for (int i = 0; i < members; ++i) {
        const bool rtf = i % 4 != 0;
        const QByteArray member
            = "tip" + QByteArray::number(i).rightJustified(5, '0') + (rtf ? ".rtf" : ".txt");
        const unsigned partSeed = unsigned(rng());
        zip.add(member, rtf ? rtfDocument(partSeed, 8) : plainDocument(partSeed, 8));
    }
    zip.write(path);
}

} // namespace tv::bench
