// SPDX-License-Identifier: GPL-3.0-or-later
#include "installtools.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kAppId = QStringLiteral("org.tipvault.Tipvault");

/// The environment of a session without any display.
QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        env.remove(QString::fromLatin1(name));
    return env;
}

/// The catalogue files and Modules the sample lays into the Program directory.
QStringList sampleCatalogue()
{
    const QDir source(QStringLiteral(TV_SAMPLE_SOURCE));
    QStringList names = QDir(source.filePath(QStringLiteral("catalogue")))
                            .entryList({ QStringLiteral("*.dat") }, QDir::Files);
    for (const QString &modul :
        QDir(source.filePath(QStringLiteral("modules"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        names.append(modul + QStringLiteral(".tvm"));
    return names;
}

} // namespace

/// `cmake --install build --prefix P`: one relocatable Program directory with
/// a launcher link, and the files that make it a desktop program.
class InstallTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_root;
    QString m_prefix;

    QString installed(const QString &relative) const { return m_prefix + u'/' + relative; }
    QString programDir() const { return installed(QStringLiteral("lib/tipvault")); }

    /// Starts `launcher` as a desktop would and waits until it has read its
    /// catalogue's version file, the last catalogue file its start reads.
    void startsAndReadsItsCatalogue(const QString &launcher)
    {
        QTemporaryDir temp;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TMPDIR"), temp.path());
        OpenWatch watch(programDir());
        QVERIFY(watch.valid());
        QProcess program;
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(launcher, QStringList());
        QVERIFY(program.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(watch.opened(QStringLiteral("CheckVersion.dat")), 120000);
        QVERIFY(watch.opened(QStringLiteral("Sections.dat")));
        QCOMPARE(program.state(), QProcess::Running); // no error box ended it
        program.kill();
        program.waitForFinished();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        m_prefix = m_root.filePath(QStringLiteral("prefix"));
        const CommandResult install = runCommand(QStringLiteral(TV_CMAKE),
            { QStringLiteral("--install"), QStringLiteral(TV_BUILD_DIR), QStringLiteral("--prefix"),
                m_prefix });
        QVERIFY2(install.code == 0, qPrintable(install.describe()));
    }

    void programDirectoryHoldsProgramEnginesAndCatalogue()
    {
        QCOMPARE(QDir(m_prefix).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
            (QStringList { QStringLiteral("bin"), QStringLiteral("lib"), QStringLiteral("share") }));
        QCOMPARE(QDir(installed(QStringLiteral("lib"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList { QStringLiteral("tipvault") });
        QStringList expected = sampleCatalogue();
        QVERIFY(expected.contains(QStringLiteral("Sections.dat")));
        expected += { QStringLiteral("tipvault"), QStringLiteral("tipvault-cli"),
            QStringLiteral("libzipengine.so"), QStringLiteral("libunzipengine.so") };
        expected.sort();
        QCOMPARE(
            QDir(programDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name),
            expected);

        QCOMPARE(modeOf(programDir()), 0755);
        QCOMPARE(modeOf(programDir() + QStringLiteral("/tipvault")), 0755);
        QCOMPARE(modeOf(programDir() + QStringLiteral("/tipvault-cli")), 0755);
        for (const QString &name : expected) {
            if (name != QStringLiteral("tipvault") && name != QStringLiteral("tipvault-cli"))
                QVERIFY2(modeOf(programDir() + u'/' + name) == 0644, qPrintable(name));
        }
    }

    void launcherIsARelativeLink()
    {
        QCOMPARE(linkTarget(installed(QStringLiteral("bin/tipvault"))),
            QStringLiteral("../lib/tipvault/tipvault"));
    }

    void commandLineToolReadsTheInstalledCatalogue()
    {
        QCOMPARE(linkTarget(installed(QStringLiteral("bin/tipvault-cli"))),
            QStringLiteral("../lib/tipvault/tipvault-cli"));
        const QString completion
            = installed(QStringLiteral("share/bash-completion/completions/tipvault-cli"));
        QCOMPARE(modeOf(completion), 0644);
        QCOMPARE(modeOf(installed(QStringLiteral("share/man/man1/tipvault-cli.1.gz"))), 0644);
        const CommandResult syntax = runCommand(QStringLiteral("bash"), { QStringLiteral("-n"), completion });
        QVERIFY2(syntax.code == 0, qPrintable(syntax.describe()));
        // Through the launcher, without a display: the catalogue beside the real executable.
        const CommandResult sections = runCommand(installed(QStringLiteral("bin/tipvault-cli")),
            { QStringLiteral("sections"), QStringLiteral("--names") }, withoutDisplay());
        QVERIFY2(sections.code == 0, qPrintable(sections.describe()));
        QVERIFY2(sections.out.contains("Qt-Oberfl\xC3\xA4"
                                       "chen\n"),
            sections.out.constData());
    }

    void desktopEntryStartsTheLauncher()
    {
        const QString entry
            = installed(QStringLiteral("share/applications/") + kAppId + QStringLiteral(".desktop"));
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray exec
            = "Exec=\"" + QFile::encodeName(installed(QStringLiteral("bin/tipvault"))) + "\" %u\n";
        const QByteArray content = file.readAll();
        QVERIFY2(content.contains(exec), exec.constData());
        // "tipvault:" links open in the program.
        QVERIFY(content.contains("\nMimeType=x-scheme-handler/tipvault;\n"));

        const CommandResult check = runCommand(QStringLiteral("desktop-file-validate"), { entry });
        QVERIFY2(check.code == 0 && check.out.isEmpty(), qPrintable(check.describe()));
    }

    void desktopEntryQuotesAnUnusualPrefix()
    {
        // Quoted, with " ` $ \ escaped for the command line and the backslashes doubled for the key.
        const QString prefix = m_root.filePath(QStringLiteral("a b$c\"d`e"));
        const CommandResult install = runCommand(QStringLiteral(TV_CMAKE),
            { QStringLiteral("--install"), QStringLiteral(TV_BUILD_DIR), QStringLiteral("--prefix"),
                prefix });
        QVERIFY2(install.code == 0, qPrintable(install.describe()));
        const QString entry
            = prefix + QStringLiteral("/share/applications/") + kAppId + QStringLiteral(".desktop");
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray exec
            = "Exec=\"" + QFile::encodeName(m_root.path()) + "/a b\\\\$c\\\\\"d\\\\`e/bin/tipvault\" %u\n";
        QVERIFY2(file.readAll().contains(exec), exec.constData());
        const CommandResult check = runCommand(QStringLiteral("desktop-file-validate"), { entry });
        QVERIFY2(check.code == 0 && check.out.isEmpty(), qPrintable(check.describe()));
    }

    void iconsInEverySize()
    {
        const QString hicolor = installed(QStringLiteral("share/icons/hicolor/"));
        QVERIFY(QFile::exists(hicolor + QStringLiteral("scalable/apps/") + kAppId + QStringLiteral(".svg")));
        for (int size : { 16, 22, 24, 32, 48, 64, 128, 256 }) {
            const QString png
                = hicolor + QStringLiteral("%1x%1/apps/").arg(size) + kAppId + QStringLiteral(".png");
            QCOMPARE(QImageReader(png).size(), QSize(size, size));
            QCOMPARE(modeOf(png), 0644);
        }
    }

    void metainfoValidates()
    {
        const QString metainfo
            = installed(QStringLiteral("share/metainfo/") + kAppId + QStringLiteral(".metainfo.xml"));
        QFile file(metainfo);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("<release version=\"" TV_VERSION "\""));
        const CommandResult check = runCommand(QStringLiteral("appstreamcli"),
            { QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--strict"), metainfo });
        QVERIFY2(check.code == 0, qPrintable(check.describe()));
    }

    void versionWithoutDisplay()
    {
        const CommandResult version = runCommand(
            installed(QStringLiteral("bin/tipvault")), { QStringLiteral("--version") }, withoutDisplay());
        QVERIFY2(version.code == 0, qPrintable(version.describe()));
        QCOMPARE(version.out, QByteArray("Tipvault " TV_VERSION "\n"));
    }

    void movedInstallStartsThroughLinks()
    {
        // Moved as a whole, and started through a second link to the launcher.
        const QString moved = m_root.filePath(QStringLiteral("moved"));
        QVERIFY(QDir().rename(m_prefix, moved));
        m_prefix = moved;
        const QString link = m_root.filePath(QStringLiteral("tv"));
        QVERIFY(QFile::link(installed(QStringLiteral("bin/tipvault")), link));
        startsAndReadsItsCatalogue(link);
    }

    void readOnlyProgramDirectoryStillStarts()
    {
        // A system install that the user cannot write.
        const ReadOnlyMount readOnly(programDir());
        if (!readOnly.available())
            QSKIP(qPrintable(readOnly.skipReason()));
        startsAndReadsItsCatalogue(installed(QStringLiteral("bin/tipvault")));
    }
};

QTEST_GUILESS_MAIN(InstallTest)
#include "install_test.moc"
