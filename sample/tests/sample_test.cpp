// SPDX-License-Identifier: GPL-3.0-or-later
// Checks the laid-out sample catalogue the way the program will read it: every
// file it names is there, in the bytes and formats it expects, and the sample
// exercises every kind of part, mark and module state.

#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/entry.h"
#include "catalogue/ini.h"
#include "catalogue/paths.h"
#include "catalogue/textlines.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <zip.h>

namespace {

/// The members of a ZIP archive (name -> content); empty when it cannot be read.
QMap<QByteArray, QByteArray> readZip(const QByteArray &bytes)
{
    QMap<QByteArray, QByteArray> members;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    zip_t *archive = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
    if (!archive) {
        if (source)
            zip_source_free(source);
        zip_error_fini(&error);
        return members;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t st;
        zip_file_t *file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        if (zip_stat_index(archive, zip_uint64_t(i), 0, &st) != 0 || !file)
            continue;
        QByteArray content(qsizetype(st.size), '\0');
        if (zip_fread(file, content.data(), st.size) == zip_int64_t(st.size))
            members.insert(QByteArray(st.name), content);
        zip_fclose(file);
    }
    zip_discard(archive);
    zip_error_fini(&error);
    return members;
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// Catalogue text as the program wants it: CR LF only, no UTF-8 left over.
void verifyCatalogueText(const QString &name, const QByteArray &bytes)
{
    QVERIFY2(!bytes.isEmpty(), qPrintable(name));
    QVERIFY2(bytes.endsWith("\r\n"), qPrintable(name));
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\n')
            QVERIFY2(i > 0 && bytes[i - 1] == '\r', qPrintable(name + QStringLiteral(": lone LF")));
        if (c == 0xC3 && i + 1 < bytes.size())
            QVERIFY2(static_cast<unsigned char>(bytes[i + 1]) < 0x80,
                qPrintable(name + QStringLiteral(": UTF-8 instead of Windows-1252")));
    }
}

/// What one pass over the installed catalogue found.
struct Census
{
    int sections = 0;
    int entries = 0;
    int marked = 0;
    int newest = 0;
    int withAmpersand = 0;
    int multiPart = 0;
    int rtf = 0;
    int plainText = 0;
    int archiveInSubfolder = 0;
    int html = 0;
    int links = 0;
    QSet<QByteArray> captions;
    QSet<QByteArray> modules;
    QSet<QByteArray> missingModules;
};

class SampleTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void catalogueFilesAreComplete();
    void catalogueFilesAreCp1252WithCrLf();
    void everyPartResolvesToItsFile();
    void sampleExercisesEveryFeature();
    void updateArchivesCarryTheirCatalogue();
    void updateVersionsAreNewerAndOlder();

private:
    void takeCensus();
    void verifyPart(const QByteArray &entry, const tv::Part &part);
    QByteArray moduleMember(const QByteArray &modul, const QByteArray &file);

    QString m_bin;
    QByteArray m_newest;
    Census m_census;
    QMap<QByteArray, QMap<QByteArray, QByteArray>> m_moduleCache;
};

void SampleTest::initTestCase()
{
    m_bin = tv::withSeparator(qEnvironmentVariable("TIPVAULT_TEST_BIN"));
    QVERIFY2(m_bin.size() > 1, "TIPVAULT_TEST_BIN is not set");
    tv::setProgramDirOverride(m_bin);
    m_newest = tv::GetNewestModul();
}

void SampleTest::catalogueFilesAreComplete()
{
    QVERIFY(tv::CheckFiles());
    QVERIFY(!m_newest.isEmpty());
    QVERIFY2(tv::fileExistsIn(m_bin, m_newest), m_newest.constData());
    const QList<QByteArray> lines = tv::readSectionLines();
    QVERIFY(lines.size() >= 4);
    bool umlautCaption = false;
    for (const QByteArray &line : lines) {
        QVERIFY2(!line.contains('\xE4'), "a Section line is written with \"ae\", never with \"ä\"");
        umlautCaption |= tv::ConvertUmlaut(line, true).contains('\xE4');
    }
    QVERIFY2(umlautCaption, "no Section is shown with \"ä\"");
}

void SampleTest::catalogueFilesAreCp1252WithCrLf()
{
    QList<QByteArray> names = { tv::kSectionsFile, tv::kVersionFile };
    for (const QByteArray &line : tv::readSectionLines())
        names << tv::sectionFileName(line);
    bool umlaut = false;
    for (const QByteArray &name : names) {
        const QByteArray bytes = readBytes(tv::programFile(name));
        verifyCatalogueText(QString::fromLatin1(name), bytes);
        umlaut |= bytes.contains('\xFC') || bytes.contains('\xE4') || bytes.contains('\xF6');
    }
    QVERIFY2(umlaut, "no umlaut as a Windows-1252 byte in the catalogue");
}

void SampleTest::everyPartResolvesToItsFile()
{
    takeCensus();
    QVERIFY(m_census.entries > 0);
}

void SampleTest::takeCensus()
{
    m_census = Census();
    for (const tv::Section &section : tv::readSections()) {
        ++m_census.sections;
        const tv::SectionFile file = section.file();
        for (const QByteArray &name : file.entryNames()) {
            const tv::Entry entry = file.entry(name);
            ++m_census.entries;
            m_census.marked += entry.isMarked();
            m_census.withAmpersand += name.contains('&');
            m_census.newest += entry.isNew(m_newest);
            QVERIFY2(entry.partCount >= 1 && !entry.countCapped, name.constData());
            m_census.multiPart += entry.partCount > 1;
            for (const tv::Part &part : file.parts(entry)) {
                verifyPart(name, part);
                if (QTest::currentTestFailed())
                    return;
            }
        }
    }
}

void SampleTest::verifyPart(const QByteArray &entry, const tv::Part &part)
{
    const QByteArray &caption = part.caption;
    const QByteArray &modul = part.modul;
    const QByteArray &file = part.file;
    const QByteArray where
        = entry + " part " + QByteArray::number(part.number) + " (" + modul + "/" + file + ")";
    m_census.captions.insert(caption);
    QVERIFY2(!modul.isEmpty() && !file.isEmpty(), where.constData());
    if (!part.moduleInstalled()) {
        m_census.missingModules.insert(modul);
        return;
    }
    m_census.modules.insert(modul);
    const QByteArray content = moduleMember(modul, file);
    QVERIFY2(!content.isEmpty(), where.constData());

    if (part.kind == tv::PartKind::Text) {
        if (content.startsWith("{\\rtf")) {
            ++m_census.rtf;
            for (const char c : content)
                QVERIFY2(static_cast<unsigned char>(c) < 0x80, (where + ": RTF is not 7-bit").constData());
        } else {
            ++m_census.plainText;
            verifyCatalogueText(QString::fromLatin1(where), content);
        }
    } else if (part.kind == tv::PartKind::Archive) {
        const QMap<QByteArray, QByteArray> members = readZip(content);
        QVERIFY2(members.size() >= 2, where.constData());
        for (auto it = members.cbegin(); it != members.cend(); ++it)
            m_census.archiveInSubfolder += it.key().contains('/') && !it.key().endsWith('/');
    } else if (part.kind == tv::PartKind::Html) {
        ++m_census.html;
        const QMap<QByteArray, QByteArray> members = readZip(content);
        QVERIFY2(members.contains("index.htm"), where.constData());
        const QByteArray page = members.value("index.htm");
        bool picture = false;
        for (auto it = members.cbegin(); it != members.cend(); ++it)
            picture |= it.key() != "index.htm" && page.contains("src=\"" + it.key() + "\"");
        QVERIFY2(picture, (where + ": no picture the page shows").constData());
    } else if (part.kind == tv::PartKind::Www) {
        ++m_census.links;
        const QList<QByteArray> lines = tv::splitLines(content);
        QVERIFY2(!lines.isEmpty() && lines.first().startsWith("https://"), where.constData());
    } else {
        QFAIL((where + ": unknown caption " + caption).constData());
    }
}

QByteArray SampleTest::moduleMember(const QByteArray &modul, const QByteArray &file)
{
    const QByteArray key = tv::upperAscii(modul);
    if (!m_moduleCache.contains(key))
        m_moduleCache.insert(key, readZip(readBytes(tv::resolveName(m_bin, modul + ".tvm"))));
    return m_moduleCache.value(key).value(file);
}

void SampleTest::sampleExercisesEveryFeature()
{
    takeCensus();
    if (QTest::currentTestFailed())
        return;
    const Census &c = m_census;
    QVERIFY(c.sections >= 4);
    QVERIFY(c.entries >= 25);
    QVERIFY(c.marked >= 2);
    QVERIFY(c.newest >= 2);
    QVERIFY(c.withAmpersand >= 1);
    QVERIFY(c.multiPart >= 5);
    QVERIFY(c.rtf >= 5);
    QVERIFY(c.plainText >= 3);
    QVERIFY(c.archiveInSubfolder >= 1);
    QVERIFY(c.html >= 1);
    QVERIFY(c.links >= 1);
    QVERIFY(c.modules.size() >= 3);
    QCOMPARE(c.missingModules.size(), 1);
    for (const tv::PartKind kind :
        { tv::PartKind::Text, tv::PartKind::Archive, tv::PartKind::Html, tv::PartKind::Www }) {
        for (const QByteArray &caption : tv::partCaptions(kind))
            QVERIFY2(c.captions.contains(caption), caption.constData());
    }
}

/// The update archives, as a temporary folder per archive holding its members.
struct Update
{
    QString name;
    QMap<QByteArray, QByteArray> members;
};

QList<Update> readUpdates()
{
    QList<Update> updates;
    const QDir dir(QStringLiteral(TV_SAMPLE_UPDATES));
    for (const QString &name : dir.entryList({ QStringLiteral("*.tvu") }, QDir::Files, QDir::Name))
        updates.append({ name, readZip(readBytes(dir.filePath(name))) });
    return updates;
}

void SampleTest::updateArchivesCarryTheirCatalogue()
{
    const QList<Update> updates = readUpdates();
    QCOMPARE(updates.size(), 2);
    for (const Update &update : updates) {
        const QByteArray modul = QFileInfo(update.name).completeBaseName().toLatin1();
        QVERIFY2(update.members.contains("Sections.dat"), qPrintable(update.name));
        QVERIFY2(update.members.contains("CheckVersion.dat"), qPrintable(update.name));
        QTemporaryDir tmp;
        for (auto it = update.members.cbegin(); it != update.members.cend(); ++it) {
            QFile out(tmp.filePath(QString::fromLatin1(it.key())));
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(it.value()) == it.value().size());
        }
        verifyCatalogueText(
            update.name + QStringLiteral(": Sections.dat"), update.members.value("Sections.dat"));
        for (const QByteArray &line : tv::splitLines(update.members.value("Sections.dat"))) {
            const QByteArray sectionName = tv::sectionFileName(line);
            QVERIFY2(update.members.contains(sectionName), sectionName.constData());
            verifyCatalogueText(QString::fromLatin1(sectionName), update.members.value(sectionName));
            const QString path = tmp.filePath(QString::fromLatin1(sectionName));
            const tv::SectionFile sectionFile(path);
            for (const QByteArray &entry : sectionFile.entryNames()) {
                for (const tv::Part &part : sectionFile.parts(sectionFile.entry(entry))) {
                    if (part.modul == modul)
                        QVERIFY2(update.members.contains(part.file), (modul + ": " + part.file).constData());
                }
            }
        }
    }
}

/// [ModulDate] Date and [CheckVersion] Section of a Version file's bytes.
QPair<qint32, qint32> versionsOf(QByteArray bytes)
{
    bytes.replace("\r\n", "\n").replace('\n', "\r\n");
    QTemporaryDir tmp;
    const QString path = tmp.filePath(QStringLiteral("CheckVersion.dat"));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
        return { 0, 0 };
    out.close();
    return { tv::ini::readInteger(path, "ModulDate", "Date", 0),
        tv::ini::readInteger(path, "CheckVersion", "Section", 0) };
}

void SampleTest::updateVersionsAreNewerAndOlder()
{
    // Against the catalogue as shipped: trying an update in the Program
    // directory must not change what this checks.
    const auto installed
        = versionsOf(readBytes(QStringLiteral(TV_SAMPLE_SOURCE "/catalogue/CheckVersion.dat")));
    QVERIFY(installed.first > 0 && installed.second > 0);
    int newer = 0;
    int older = 0;
    for (const Update &update : readUpdates()) {
        const auto versions = versionsOf(update.members.value("CheckVersion.dat"));
        QVERIFY2(versions.first > 0 && versions.first != installed.first, qPrintable(update.name));
        QVERIFY2(versions.second > 0 && versions.second != installed.second, qPrintable(update.name));
        QCOMPARE(versions.first > installed.first, versions.second > installed.second);
        (versions.first > installed.first ? newer : older) += 1;
    }
    QCOMPARE(newer, 1);
    QCOMPARE(older, 1);
}

} // namespace

QTEST_GUILESS_MAIN(SampleTest)
#include "sample_test.moc"
