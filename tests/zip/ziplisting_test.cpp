// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakeseam.h"
#include "testdirs.h"
#include "zip/zipaccess.h"
#include "zipbuilder.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tv;

namespace {

ZipBuilder threeMembers()
{
    ZipBuilder zip;
    zip.add(member("Sections.dat", "Grafik\r\nDatenbanken\r\n"))
        .add(member("tip0001.rtf", QByteArray(300, 'r')))
        .add(member("sub/beispiel.zip", QByteArray(5000, 'z')));
    return zip;
}

} // namespace

class ZipListingTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeSeam> m_seam;
    std::unique_ptr<TZipAccess> m_zip;
    QList<QPair<int, QString>> m_messages;
    int m_dirUpdates = 0;

    QString path(const QString &name) const { return m_dir->filePath(name); }

    /// Writes the bytes and assigns the file; returns the listing exception's text.
    QString list(const QByteArray &content)
    {
        writeBytes(path(QStringLiteral("m.tvm")), content);
        try {
            m_zip->setZipFilename(path(QStringLiteral("m.tvm")));
        } catch (const ZipStreamError &e) {
            return e.message();
        }
        return QString();
    }

    QList<QByteArray> names() const
    {
        QList<QByteArray> result;
        for (const ZipDirEntry &e : m_zip->DirEntries())
            result.append(e.FileName);
        return result;
    }

    void expectMessage(const QString &text)
    {
        QCOMPARE(m_messages, (QList<QPair<int, QString>> { { 1036, text } }));
        QCOMPARE(m_seam->messageTexts(), QStringList { text });
    }

private slots:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("Tipvault")); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_seam = std::make_unique<FakeSeam>();
        m_zip = std::make_unique<TZipAccess>(*m_seam);
        m_messages.clear();
        m_dirUpdates = 0;
        m_zip->setOnMessage([this](TZipAccess &, int code, const QString &text) {
            m_messages.append({ code, text });
        });
        m_zip->setOnDirUpdate([this](TZipAccess &) { ++m_dirUpdates; });
    }

    void cleanup()
    {
        m_zip.reset();
        m_seam.reset();
        m_dir.reset();
    }

    void constructionValues()
    {
        const TZipAccess zip(*m_seam);
        QCOMPARE(zip.Verbose(), false);
        QCOMPARE(zip.Trace(), false);
        QCOMPARE(zip.AddCompLevel(), 9);
        QCOMPARE(zip.AddOptions(), AddOpts());
        QCOMPARE(zip.ExtrOptions(), ExtrOpts());
        QCOMPARE(zip.Unattended(), false);
        QVERIFY(zip.ZipFilename().isEmpty());
        QVERIFY(zip.ExtrBaseDir().isEmpty());
        QVERIFY(zip.EngineDirectory().isEmpty());
        QVERIFY(zip.Password().isEmpty());
        QCOMPARE(zip.EntryCount(), 0);
        QCOMPARE(zip.ProcessedCount(), 0);
    }

    void engineDirectoryDropsOneSeparator()
    {
        m_zip->setEngineDirectory(QStringLiteral("/opt/tv/"));
        QCOMPARE(m_zip->EngineDirectory(), QStringLiteral("/opt/tv"));
        m_zip->setEngineDirectory(QStringLiteral("/opt/tv//"));
        QCOMPARE(m_zip->EngineDirectory(), QStringLiteral("/opt/tv/"));
    }

    void listsHeadersInArchiveOrder()
    {
        QVERIFY(list(threeMembers().bytes()).isEmpty());
        QCOMPARE(names(), (QList<QByteArray> { "Sections.dat", "tip0001.rtf", "sub/beispiel.zip" }));
        QCOMPARE(m_zip->EntryCount(), 3);
        const ZipDirEntry &e = m_zip->DirEntries().at(1);
        QCOMPARE(e.compressedSize(), qint64(300));
        QCOMPARE(e.uncompressedSize(), qint64(300));
        QCOMPARE(e.dateTime(), 0x5A2F6000u);
        QCOMPARE(e.crc32(), ZipBuilder::crc32(QByteArray(300, 'r')));
        QCOMPARE(e.versionNeeded(), quint16(10));
        QCOMPARE(e.compressionMethod(), quint16(0));
        QCOMPARE(e.fileNameLength(), quint16(11));
        QCOMPARE(e.extraFieldLength(), quint16(0));
        QCOMPARE(m_dirUpdates, 1);
        QVERIFY(m_messages.isEmpty());
        QVERIFY(m_seam->messages.isEmpty());

        // Every assignment lists again, also of the same name.
        m_zip->setZipFilename(m_zip->ZipFilename());
        QCOMPARE(m_zip->EntryCount(), 3);
        QCOMPARE(m_dirUpdates, 2);
    }

    void namesAreStoredBytes()
    {
        ZipBuilder zip;
        ZipMember withExtra = member("K\xE4ltetechnik.rtf", "x");
        withExtra.extra = QByteArray(12, '\x01');
        zip.add(withExtra).add(member(QByteArray("ab\0cd", 5), "y")).add(member("last", "z"));
        QVERIFY(list(zip.bytes()).isEmpty());
        QCOMPARE(names(), (QList<QByteArray> { "K\xE4ltetechnik.rtf", "ab", "last" }));
        QCOMPARE(m_zip->DirEntries().at(0).extraFieldLength(), quint16(12));
        QCOMPARE(m_zip->DirEntries().at(1).fileNameLength(), quint16(5));
    }

    void missingOrEmptyName()
    {
        m_zip->setZipFilename(path(QStringLiteral("fehlt.tvm")));
        QCOMPARE(m_zip->EntryCount(), 0);
        QCOMPARE(m_dirUpdates, 1);
        QVERIFY(m_messages.isEmpty());

        QVERIFY(list(threeMembers().bytes()).isEmpty());
        m_zip->setZipFilename(QString());
        QCOMPARE(m_zip->EntryCount(), 0);
        QVERIFY(m_zip->DirEntries().isEmpty());
        QCOMPARE(m_dirUpdates, 3);
    }

    void searchMessages_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty file") << QByteArray() << QStringLiteral("No valid zip entries found 1");
        QTest::newRow("no P") << QByteArray("hello world") << QStringLiteral("No valid zip entries found 1");
        QTest::newRow("ends after P") << QByteArray("xxP") << QStringLiteral("No valid zip entries found 3");
        QTest::newRow("ends after PK")
            << QByteArray("xxPK") << QStringLiteral("No valid zip entries found 4");
        QTest::newRow("ends after PK3")
            << QByteArray("xxPK\x03") << QStringLiteral("No valid zip entries found 5");
        QTest::newRow("empty archive") << QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0')
                                       << QStringLiteral("No valid zip entries found 1");
        // Searched only where no central directory tells where the entries are.
        QTest::newRow("60000 bytes tried") << QByteArray(60000, 'x') + threeMembers().withoutEndRecord()
                                           << QStringLiteral("No valid zip entries found 2");
    }
    void searchMessages()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QVERIFY(list(content).isEmpty());
        QCOMPARE(m_zip->EntryCount(), 0);
        expectMessage(message);
        const MessageRequest box = m_seam->messages.first();
        QCOMPARE(box.title, QStringLiteral("Tipvault"));
        QCOMPARE(box.kind, MessageKind::None);
        QCOMPARE(box.buttons, int(Ok));
        QCOMPARE(m_dirUpdates, 1);
    }

    void unattendedTellsOnlyTheEvent()
    {
        m_zip->setUnattended(true);
        QVERIFY(list(QByteArray()).isEmpty());
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_seam->messages.isEmpty());
    }

    void prefixIsSkipped()
    {
        ZipBuilder zip = threeMembers();
        zip.prefix = QByteArray(59999, 'M'); // the header's "P" is the 60000th byte tried
        QVERIFY(list(zip.bytes()).isEmpty());
        QCOMPARE(m_zip->EntryCount(), 3);
        QVERIFY(m_messages.isEmpty());
    }

    void loneP_missesTheSignature()
    {
        ZipBuilder zip = threeMembers();
        zip.prefix = "P";
        QVERIFY(list(zip.withoutEndRecord()).isEmpty());
        // The first header is missed; the search finds the second.
        QCOMPARE(names(), (QList<QByteArray> { "tip0001.rtf", "sub/beispiel.zip" }));
        // The central directory tells where every entry is.
        QVERIFY(list(zip.bytes()).isEmpty());
        QCOMPARE(m_zip->EntryCount(), 3);
    }

    /// Stubs of any length: a self-extractor's runs to about 100 KB.
    void stubBeforeTheArchive_data()
    {
        QTest::addColumn<int>("stub");
        QTest::newRow("60000 bytes") << 60000;
        QTest::newRow("100 KB") << 100 * 1024;
        QTest::newRow("1 MB") << 1024 * 1024;
    }
    void stubBeforeTheArchive()
    {
        QFETCH(int, stub);
        ZipBuilder zip = threeMembers();
        zip.prefix = QByteArray(stub, 'P');
        QVERIFY(list(zip.bytes()).isEmpty());
        QCOMPARE(names(), (QList<QByteArray> { "Sections.dat", "tip0001.rtf", "sub/beispiel.zip" }));
        QVERIFY(m_messages.isEmpty());
    }

    void badFirstHeaderIsSkipped()
    {
        ZipBuilder zip;
        ZipMember lying = member("lying.txt", "abc");
        lying.localCompressedSize = 0xFFFFFFF0u; // would reach past the end
        zip.add(lying).add(member("good.txt", "def"));
        QVERIFY(list(zip.withoutEndRecord()).isEmpty());
        QCOMPARE(names(), QList<QByteArray> { "good.txt" });
        QVERIFY(m_messages.isEmpty());
        // The central directory's sizes are the ones the engine reads by.
        QVERIFY(list(zip.bytes()).isEmpty());
        QCOMPARE(names(), (QList<QByteArray> { "lying.txt", "good.txt" }));
        QCOMPARE(m_zip->DirEntries().at(0).compressedSize(), qint64(3));
    }

    void entryEndingNearTheEnd()
    {
        ZipBuilder one;
        one.add(member("a.txt", "aaaa"));
        // As the first entry: dropped, and the search runs out.
        QVERIFY(list(one.local(0) + QByteArray(21, '\0')).isEmpty());
        QCOMPARE(m_zip->EntryCount(), 0);
        expectMessage(QStringLiteral("No valid zip entries found 1"));

        // As a later entry: an error, the first entry stays listed.
        ZipBuilder two;
        two.add(member("a.txt", "aaaa")).add(member("b.txt", "bbbb"));
        m_dirUpdates = 0;
        QCOMPARE(list(two.local(0) + two.local(1) + QByteArray(21, '\0')),
            QStringLiteral("Error 3 reading Zip file"));
        QCOMPARE(names(), QList<QByteArray> { "a.txt" });
        QCOMPARE(m_dirUpdates, 1);
    }

    void hugeLaterSizeIsAnErrorNotALoop()
    {
        ZipBuilder zip;
        ZipMember lying = member("b.txt", "bbbb");
        lying.localCompressedSize = 0xFFFFFFF0u; // negative as a signed 32-bit value
        zip.add(member("a.txt", "aaaa")).add(lying);
        QCOMPARE(list(zip.withoutEndRecord()), QStringLiteral("Error 3 reading Zip file"));
        QCOMPARE(names(), QList<QByteArray> { "a.txt" });
    }

    void laterHeaderCutShort()
    {
        ZipBuilder zip;
        zip.add(member("a.txt", "aaaa")).add(member("second-name.txt", "bbbb"));
        const QByteArray first = zip.local(0);
        QCOMPARE(list(first + zip.local(1).left(26)), QStringLiteral("Error 2 reading Zip file"));
        QCOMPARE(names(), QList<QByteArray> { "a.txt" });
        QCOMPARE(list(first + zip.local(1).left(33)), QStringLiteral("Error 2 reading Zip file"));
        QCOMPARE(m_dirUpdates, 2);
    }

    void trailingBytesWithoutSignature()
    {
        ZipBuilder zip;
        zip.add(member("a.txt", "aaaa")).add(member("b.txt", "bbbb"));
        QCOMPARE(list(zip.local(0) + zip.local(1) + QByteArray(30, 'x')),
            QStringLiteral("Error reading Zip File"));
        QCOMPARE(names(), (QList<QByteArray> { "a.txt", "b.txt" }));
        QCOMPARE(m_dirUpdates, 1);
    }

    /// Sizes that a streaming writer puts in a data descriptor after the data.
    void streamedSizes_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<qint64>("size");
        ZipBuilder zip;
        // A descriptor's signature inside the data does not end it early.
        ZipMember streamed = member("streamed.txt", "123456789PK\x07\x08" "abc");
        streamed.zeroSizesInLocal = true;
        zip.add(streamed).add(member("after.txt", "z"));
        QTest::newRow("central directory") << zip.bytes() << qint64(16);
        QTest::newRow("local headers and descriptor") << zip.withoutEndRecord() << qint64(16);
        // Without a descriptor the walk steps through the data to the next signature.
        QByteArray bare = zip.withoutEndRecord();
        bare.remove(zip.local(0).size() - 16, 16);
        QTest::newRow("no descriptor") << bare << qint64(0);
    }
    void streamedSizes()
    {
        QFETCH(QByteArray, content);
        QFETCH(qint64, size);
        QVERIFY(list(content).isEmpty());
        QCOMPARE(names(), (QList<QByteArray> { "streamed.txt", "after.txt" }));
        QCOMPARE(m_zip->DirEntries().at(0).compressedSize(), size);
        QCOMPARE(m_zip->DirEntries().at(0).uncompressedSize(), size);
        QCOMPARE(m_zip->DirEntries().at(1).compressedSize(), qint64(1));
    }

    /// Names as the engines write them: UTF-8 where the archive says so, the
    /// OEM code page from MS-DOS and Windows' FAT, Windows-1252 otherwise.
    void decodedNames_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<quint8>("host");
        QTest::addColumn<bool>("utf8");
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<QString>("name");
        const QByteArray utf8 = QStringLiteral("Größe.cpp").toUtf8();
        const QByteArray cp850("Gr\x94\xE1" "e.cpp");
        const auto unicodePath = [&utf8](const QByteArray &of, quint32 crcDelta) {
            QByteArray field("\x75\x70", 2);
            field += char(5 + utf8.size());
            field += '\0';
            field += '\x01';
            const quint32 crc = ZipBuilder::crc32(of) + crcDelta;
            for (int i = 0; i < 4; ++i)
                field += char(crc >> (8 * i));
            return field + utf8;
        };
        QTest::newRow("flag bit 11") << utf8 << quint8(3) << true << QByteArray() << QStringLiteral("Größe.cpp");
        QTest::newRow("Windows-1252") << QByteArray("Gr\xF6\xDF" "e.cpp") << quint8(10) << false << QByteArray()
                                      << QStringLiteral("Größe.cpp");
        QTest::newRow("UTF-8 bytes without the flag")
            << utf8 << quint8(3) << false << QByteArray() << QStringLiteral("GrÃ¶ÃŸe.cpp");
        QTest::newRow("CP850 from MS-DOS") << cp850 << quint8(0) << false << QByteArray() << QStringLiteral("Größe.cpp");
        QTest::newRow("Unicode Path field") << cp850 << quint8(0) << false << unicodePath(cp850, 0)
                                            << QStringLiteral("Größe.cpp");
        QTest::newRow("Unicode Path field with a wrong CRC")
            << QByteArray("Gro\xDF.cpp") << quint8(10) << false << unicodePath("Gro\xDF.cpp", 1)
            << QStringLiteral("Groß.cpp");
    }
    void decodedNames()
    {
        QFETCH(QByteArray, stored);
        QFETCH(quint8, host);
        QFETCH(bool, utf8);
        QFETCH(QByteArray, extra);
        QFETCH(QString, name);
        ZipMember m = member(stored, "x");
        m.host = host;
        m.utf8 = utf8;
        m.extra = extra;
        ZipBuilder zip;
        zip.add(m);
        QVERIFY(list(zip.bytes()).isEmpty());
        QCOMPARE(m_zip->DirEntries().at(0).FileName, stored);
        QCOMPARE(m_zip->DirEntries().at(0).Name, name);
    }

    void unreadableFileIsAnExceptionWithoutDirUpdate()
    {
        if (::geteuid() == 0)
            QSKIP("root reads every file");
        const QString file = path(QStringLiteral("m.tvm"));
        writeBytes(file, threeMembers().bytes());
        QFile::setPermissions(file, QFileDevice::WriteOwner);
        try {
            m_zip->setZipFilename(file);
            QFAIL("no error");
        } catch (const ZipStreamError &e) {
            QCOMPARE(e.message(), QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(file));
        }
        QCOMPARE(m_dirUpdates, 0);
    }

    void manyEntriesAcrossBufferBoundaries()
    {
        ZipBuilder zip;
        for (int i = 0; i < 3000; ++i)
            zip.add(member(QByteArray::number(i) + ".txt", QByteArray(i % 97, 'd')));
        zip.add(member("big.bin", QByteArray(300000, 'b'))).add(member("tail.txt", "t"));
        QVERIFY(list(zip.bytes()).isEmpty());
        QCOMPARE(m_zip->EntryCount(), 3002);
        QCOMPARE(m_zip->DirEntries().at(2999).FileName, QByteArray("2999.txt"));
        QCOMPARE(m_zip->DirEntries().last().FileName, QByteArray("tail.txt"));
    }

    // ------------------------------------------------------------ the file is the truth

    void archiveChangedBehindTheBackIsListedAfresh()
    {
        ZipBuilder older;
        older.add(member("alt1.rtf", "eins")).add(member("alt2.rtf", "zwei"));
        ZipBuilder newer;
        newer.add(member("neu1.rtf", "EINS")).add(member("neu2.rtf", "ZWEI"));
        QCOMPARE(newer.bytes().size(), older.bytes().size());
        const QString file = path(QStringLiteral("m.tvm"));
        writeBytes(file, older.bytes());
        waitUntilChangeTimeIsPast(file);
        m_zip->setZipFilename(file);
        m_zip->setZipFilename(file);
        QCOMPARE(names(), (QList<QByteArray> { "alt1.rtf", "alt2.rtf" }));

        // Same size, same file, written in place: a new modification time.
        QFile inPlace(file);
        QVERIFY(inPlace.open(QIODevice::ReadWrite));
        QCOMPARE(inPlace.write(newer.bytes()), newer.bytes().size());
        inPlace.close();
        m_zip->setZipFilename(file);
        QCOMPARE(names(), (QList<QByteArray> { "neu1.rtf", "neu2.rtf" }));

        // Same size and modification time, another file put in its place.
        waitUntilChangeTimeIsPast(file);
        m_zip->setZipFilename(file);
        struct stat listed;
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &listed), 0);
        const QString other = path(QStringLiteral("anders.tvm"));
        writeBytes(other, older.bytes());
        const timespec times[2] = { listed.st_atim, listed.st_mtim };
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(other).constData(), times, 0), 0);
        QCOMPARE(::rename(QFile::encodeName(other).constData(), QFile::encodeName(file).constData()), 0);
        m_zip->setZipFilename(file);
        QCOMPARE(names(), (QList<QByteArray> { "alt1.rtf", "alt2.rtf" }));
        QCOMPARE(m_dirUpdates, 5);
        QVERIFY(m_messages.isEmpty());
    }

    void aListingThatReportedIsNotKept()
    {
        const QString file = path(QStringLiteral("m.tvm"));
        writeBytes(file, QByteArray(100, 'x'));
        waitUntilChangeTimeIsPast(file);
        m_zip->setZipFilename(file);
        m_zip->setZipFilename(file);
        const QString text = QStringLiteral("No valid zip entries found 1");
        QCOMPARE(m_messages, (QList<QPair<int, QString>> { { 1036, text }, { 1036, text } }));
        QCOMPARE(m_dirUpdates, 2);
    }

    void aListingThatFailedIsNotKept()
    {
        ZipBuilder zip;
        zip.add(member("a.txt", "aaaa")).add(member("b.txt", "bbbb"));
        const QString file = path(QStringLiteral("m.tvm"));
        writeBytes(file, zip.local(0) + zip.local(1) + QByteArray(30, 'x'));
        waitUntilChangeTimeIsPast(file);
        for (int i = 0; i < 2; ++i) {
            QVERIFY_THROWS_EXCEPTION(ZipStreamError, m_zip->setZipFilename(file));
            QCOMPARE(names(), (QList<QByteArray> { "a.txt", "b.txt" }));
        }
    }
};

QTEST_GUILESS_MAIN(ZipListingTest)
#include "ziplisting_test.moc"
