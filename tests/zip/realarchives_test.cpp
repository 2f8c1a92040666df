// SPDX-License-Identifier: GPL-3.0-or-later
// Archives that real tools write, made at test time: the listing shows what
// the engine writes, with the files' sizes, and what cannot be unpacked is
// told with its reason.
#include "fakeseam.h"
#include "zip/enginefailures.h"
#include "zip/zipaccess.h"
#include "zipbuilder.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace tv;

namespace {

QByteArray numbers()
{
    QByteArray text;
    for (int i = 1; i <= 2000; ++i)
        text += QByteArray::number(i) + '\n';
    return text;
}

/// The tree every tool packs; two files share the name "main.cpp".
QMap<QString, QByteArray> treeFiles()
{
    return { { QStringLiteral("src/main.cpp"), "int main() {}\n" },
        { QStringLiteral("test/main.cpp"), "int main() { return 1; }\n" },
        { QStringLiteral("Größe.cpp"), "int größe = 1;\n" }, { QStringLiteral("leer.txt"), QByteArray() },
        { QStringLiteral("src/zahlen.txt"), numbers() } };
}

QString flat(const QString &name)
{
    return name.mid(name.lastIndexOf(u'/') + 1);
}

/// Python's zipfile writing to a pipe, which it cannot seek back in.
const QString kPythonStream = QStringLiteral(
    "python3 -c 'import os, sys, zipfile\n"
    "with zipfile.ZipFile(sys.stdout.buffer, \"w\", zipfile.ZIP_DEFLATED) as z:\n"
    "    for d, _, fs in sorted(os.walk(\".\")):\n"
    "        for f in sorted(fs): z.write(os.path.join(d, f)[2:])' | cat > ../a.zip");

} // namespace

class RealArchivesTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeSeam> m_seam;
    std::unique_ptr<TZipAccess> m_zip;
    QStringList m_messages;

    QString tree() const { return m_dir->filePath(QStringLiteral("tree")); }
    QString archive() const { return m_dir->filePath(QStringLiteral("a.zip")); }
    QString out() const { return m_dir->filePath(QStringLiteral("out")); }

    /// Runs `command` with bash in the tree; it writes the archive "../a.zip".
    void make(const QString &command)
    {
        QProcess tool;
        tool.setWorkingDirectory(tree());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral("bash"), { QStringLiteral("-c"), QStringLiteral("set -eo pipefail; ") + command });
        QVERIFY(tool.waitForFinished(120000));
        QVERIFY2(tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0,
            tool.readAllStandardError().constData());
    }

    QStringList extractAll(QStringList *failures)
    {
        QDir().mkpath(out());
        m_zip->FSpecArgs().append("*");
        m_zip->setExtrBaseDir(out() + u'/');
        const EngineFailures said(*m_zip);
        m_zip->Extract();
        *failures = said.texts();
        return QDir(out()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("Tipvault"));
        QVERIFY(!qEnvironmentVariableIsEmpty("TIPVAULT_TEST_BIN"));
        for (const char *tool : { "zip", "python3", "bsdtar", "7z", "fastjar" })
            QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(), tool);
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        const QMap<QString, QByteArray> files = treeFiles();
        for (auto it = files.begin(); it != files.end(); ++it) {
            const QString path = tree() + u'/' + it.key();
            QDir().mkpath(QFileInfo(path).path());
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(it.value()) == it.value().size());
        }
        m_seam = std::make_unique<FakeSeam>();
        m_zip = std::make_unique<TZipAccess>(*m_seam);
        m_zip->setExtrOptions(ExtrOverWrite);
        m_zip->setEngineDirectory(qEnvironmentVariable("TIPVAULT_TEST_BIN"));
        m_messages.clear();
        m_zip->setOnMessage([this](TZipAccess &, int, const QString &text) { m_messages << text; });
    }

    void cleanup()
    {
        QDir::setCurrent(QDir::tempPath());
        m_zip.reset();
        m_dir.reset();
    }

    /// `umlaut` is how the tool's "Größe.cpp" reads: UTF-8 where the archive
    /// says so, CP850 from a DOS host, Windows-1252 otherwise; `extra` a member
    /// the tool adds.
    void listingIsWhatTheEngineWrites_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("umlaut");
        QTest::addColumn<QString>("extra");
        const QString utf8 = QStringLiteral("Größe.cpp");
        const QString cp1252 = QStringLiteral("GrÃ¶ÃŸe.cpp");
        QTest::newRow("zip") << QStringLiteral("zip -qr ../a.zip .") << cp1252 << QString();
        QTest::newRow("zip through a pipe") << QStringLiteral("zip -qr - . | cat > ../a.zip") << cp1252 << QString();
        QTest::newRow("zip -fz") << QStringLiteral("zip -qr -fz ../a.zip .") << cp1252 << QString();
        QTest::newRow("python zipfile to a stream") << kPythonStream << utf8 << QString();
        QTest::newRow("bsdtar") << QStringLiteral("bsdtar --format zip -cf ../a.zip .") << utf8 << QString();
        QTest::newRow("7z") << QStringLiteral("7z a -bd -bso0 ../a.zip .") << utf8 << QString();
        QTest::newRow("fastjar") << QStringLiteral("fastjar -cf ../a.zip .") << QStringLiteral("Gr├Â├ƒe.cpp")
                                 << QStringLiteral("META-INF/MANIFEST.MF");
        QTest::newRow("self-extractor of 100 KB")
            << QStringLiteral("zip -qr ../b.zip . && head -c 100000 /dev/zero > ../a.zip && cat ../b.zip >> ../a.zip "
                              "&& zip -qA ../a.zip")
            << cp1252 << QString();
    }
    void listingIsWhatTheEngineWrites()
    {
        QFETCH(QString, command);
        QFETCH(QString, umlaut);
        QFETCH(QString, extra);
        make(command);
        m_zip->setZipFilename(archive());
        QCOMPARE(m_messages, QStringList());

        QMap<QString, QByteArray> expected = treeFiles();
        expected.insert(umlaut, expected.take(QStringLiteral("Größe.cpp")));
        QStringList listed;
        QString firstMain;
        for (const ZipDirEntry &e : m_zip->DirEntries()) {
            if (e.Name.endsWith(u'/'))
                continue;
            const QString path = e.Name.startsWith(QStringLiteral("./")) ? e.Name.mid(2) : e.Name;
            listed << path;
            if (path == extra)
                continue;
            QVERIFY2(expected.contains(path), qPrintable(path));
            QCOMPARE(e.uncompressedSize(), qint64(expected[path].size()));
            QVERIFY(e.compressedSize() > 0 || expected[path].isEmpty());
            QCOMPARE(e.crc32(), ZipBuilder::crc32(expected[path]));
            if (flat(path) == u"main.cpp" && firstMain.isEmpty())
                firstMain = path;
        }
        QStringList wanted = expected.keys();
        if (!extra.isEmpty())
            wanted << extra;
        listed.sort();
        wanted.sort();
        QCOMPARE(listed, wanted);

        // The second "main.cpp" is not written over the first, and the user is told.
        QStringList failures;
        QStringList written = extractAll(&failures);
        QStringList flatNames;
        for (const QString &path : std::as_const(listed)) {
            if (!flatNames.contains(flat(path)))
                flatNames << flat(path);
        }
        flatNames.sort();
        QCOMPARE(written, flatNames);
        QCOMPARE(m_zip->ProcessedCount(), written.size());
        QCOMPARE(failures.size(), 1);
        QVERIFY2(failures.first().contains(QStringLiteral("schon als 'main.cpp' entpackt")),
            qPrintable(failures.first()));
        QFile main(out() + QStringLiteral("/main.cpp"));
        QVERIFY(main.open(QIODevice::ReadOnly));
        QCOMPARE(main.readAll(), expected[firstMain]);
    }

    /// Info-ZIP reading its input from a pipe knows no size before: zip64
    /// fields, a zip64 end record, a data descriptor.
    void zip64FromStdin_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("into a file") << QStringLiteral("zip -q ../a.zip - < src/zahlen.txt");
        QTest::newRow("through a pipe") << QStringLiteral("zip -q - - < src/zahlen.txt | cat > ../a.zip");
    }
    void zip64FromStdin()
    {
        QFETCH(QString, command);
        make(command);
        m_zip->setZipFilename(archive());
        QCOMPARE(m_messages, QStringList());
        QCOMPARE(m_zip->EntryCount(), 1);
        const ZipDirEntry &e = m_zip->DirEntries().first();
        QCOMPARE(e.Name, QStringLiteral("-"));
        QCOMPARE(e.uncompressedSize(), qint64(numbers().size()));
        QCOMPARE(e.crc32(), ZipBuilder::crc32(numbers()));
        QStringList failures;
        QCOMPARE(extractAll(&failures), QStringList { QStringLiteral("-") });
        QCOMPARE(failures, QStringList());
    }

    /// `zip -fz` through a pipe writes an end record that libzip refuses; the
    /// local headers still list it, and the user learns why nothing comes out.
    void unreadableArchiveIsListedAndTold()
    {
        make(QStringLiteral("zip -qr -fz - src | cat > ../a.zip"));
        m_zip->setZipFilename(archive());
        QStringList names;
        for (const ZipDirEntry &e : m_zip->DirEntries())
            names << e.Name + u'=' + QString::number(e.uncompressedSize());
        names.sort();
        QCOMPARE(names,
            (QStringList { QStringLiteral("src/=0"), QStringLiteral("src/main.cpp=14"),
                QStringLiteral("src/zahlen.txt=%1").arg(numbers().size()) }));
        QStringList failures;
        QCOMPARE(extractAll(&failures), QStringList());
        QCOMPARE(failures.size(), 1);
        QVERIFY2(failures.first().startsWith(QStringLiteral("Das Archiv ist kein ZIP-Archiv oder es ist beschädigt")),
            qPrintable(failures.first()));
    }

    void unpackableMembersTellWhy_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("reason");
        const QString method = QStringLiteral("'src/zahlen.txt' ist mit %1 gepackt, das nicht entpackt werden kann.");
        const QString encrypted
            = QStringLiteral("'src/zahlen.txt' ist verschlüsselt; ein Kennwort kann hier nicht eingegeben werden.");
        QTest::newRow("Deflate64") << QStringLiteral("-mm=Deflate64") << method.arg(u"Deflate64");
        QTest::newRow("LZMA") << QStringLiteral("-mm=LZMA") << method.arg(u"LZMA");
        QTest::newRow("PPMd") << QStringLiteral("-mm=PPMd") << method.arg(u"PPMd");
        QTest::newRow("AES-256") << QStringLiteral("-pgeheim -mem=AES256") << encrypted;
        QTest::newRow("ZipCrypto") << QStringLiteral("-pgeheim -mem=ZipCrypto") << encrypted;
    }
    void unpackableMembersTellWhy()
    {
        QFETCH(QString, options);
        QFETCH(QString, reason);
        make(QStringLiteral("7z a -bd -bso0 %1 ../a.zip src/zahlen.txt").arg(options));
        m_zip->setZipFilename(archive());
        QCOMPARE(m_zip->EntryCount(), 1);
        QStringList failures;
        QCOMPARE(extractAll(&failures), QStringList());
        QCOMPARE(failures, QStringList { reason });
        QCOMPARE(m_zip->ProcessedCount(), 0);
    }
};

QTEST_GUILESS_MAIN(RealArchivesTest)
#include "realarchives_test.moc"
