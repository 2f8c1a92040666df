// SPDX-License-Identifier: GPL-3.0-or-later
// One window per user and display, between real processes of the program.
#include "testdirs.h"
#include "zipwriter.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QtTest>

namespace {

/// A catalogue of one section in `dir`, its parts in the module "basis" as "a.txt".
void writeCatalogue(const QString &dir, const QByteArray &section, const QByteArray &entries)
{
    QVERIFY(QDir().mkpath(dir));
    TestDirs::writeFile(dir + QStringLiteral("Sections.dat"), section + "\r\n");
    TestDirs::writeFile(
        dir + QStringLiteral("Section_") + QString::fromLatin1(section) + QStringLiteral(".dat"), entries);
    writeZip(dir + QStringLiteral("basis.tvm"), { { "a.txt", "Text\r\n" } });
}

QString program()
{
    return qEnvironmentVariable("TIPVAULT_TEST_BIN") + QStringLiteral("/tipvault");
}

} // namespace

class SingleInstanceTest : public QObject
{
    Q_OBJECT

    QProcessEnvironment environment(const TestDirs &dirs, const QString &runtime) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("TIPVAULT_NO_SINGLE_INSTANCE"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        // A display of its own: never a window the developer has open.
        env.insert(
            QStringLiteral("DISPLAY"), QStringLiteral(":tvtest%1").arg(QCoreApplication::applicationPid()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("TMPDIR"), dirs.tempDir());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dirs.configDir());
        env.insert(QStringLiteral("XDG_CACHE_HOME"), dirs.cacheDir());
        env.insert(QStringLiteral("XDG_DATA_HOME"), dirs.cacheDir() + QStringLiteral("data"));
        return env;
    }

    /// Runs a second start with `arguments`; its standard output.
    QString secondStart(const QProcessEnvironment &env, const QStringList &arguments) const
    {
        QProcess second;
        second.setProcessEnvironment(env);
        second.start(program(), arguments);
        if (!second.waitForFinished(60000))
            return QStringLiteral("<still running>");
        if (second.exitStatus() != QProcess::NormalExit || second.exitCode() != 0)
            return QStringLiteral("<exit %1: %2>")
                .arg(second.exitCode())
                .arg(QString::fromUtf8(second.readAllStandardError()));
        return QString::fromUtf8(second.readAllStandardOutput()).trimmed();
    }

private slots:
    void aSecondStartHandsItsArgumentsToTheRunningWindow()
    {
        TestDirs dirs;
        writeCatalogue(dirs.programDir(), "Grafik",
            "[Farben]\r\n1Modul=basis\r\n1File=a.txt\r\n"
            "[Bitmaps laden]\r\n1Modul=basis\r\n1File=a.txt\r\n");
        QTemporaryDir runtime;
        QVERIFY(
            QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QProcessEnvironment env = environment(dirs, runtime.path());

        QProcess first;
        first.setProcessEnvironment(env);
        first.start(program(), { dirs.programDir() });
        QVERIFY(first.waitForStarted());
        const auto stop = qScopeGuard([&] {
            first.kill();
            first.waitForFinished();
        });
        QTRY_VERIFY_WITH_TIMEOUT(
            !QDir(runtime.path()).entryList({ QStringLiteral("tipvault-*.socket") }, QDir::System).isEmpty(),
            60000);

        // A link: the running window shows the entry and answers with its status bar.
        QCOMPARE(secondStart(env, { QStringLiteral("tipvault:?rubrik=Grafik&eintrag=Bitmaps%20laden") }),
            QStringLiteral("Eintrag: 2/2      -      Bitmaps laden"));
        QCOMPARE(secondStart(env, { QStringLiteral("tipvault:?rubrik=Grafik&eintrag=Pinsel") }),
            QStringLiteral("Der Eintrag \"Pinsel\" ist nicht mehr vorhanden."));
        // A relative folder is the second start's: it is opened as from the menu.
        writeCatalogue(dirs.tempDir() + QStringLiteral("Tipps/"), "Datenbanken",
            "[SQL]\r\n1Modul=basis\r\n1File=a.txt\r\n");
        QProcess relative;
        relative.setProcessEnvironment(env);
        relative.setWorkingDirectory(dirs.tempDir());
        relative.start(program(), { QStringLiteral("Tipps") });
        QVERIFY(relative.waitForFinished(60000));
        QCOMPARE(relative.exitCode(), 0);
        QCOMPARE(secondStart(env, { QStringLiteral("tipvault:?rubrik=Datenbanken&eintrag=SQL") }),
            QStringLiteral("Eintrag: 1/1      -      SQL"));
        QVERIFY(first.state() == QProcess::Running);

        // --version and --help answer themselves.
        QProcess version;
        version.setProcessEnvironment(env);
        version.start(program(), { QStringLiteral("--version") });
        QVERIFY(version.waitForFinished(60000));
        QVERIFY(QString::fromUtf8(version.readAllStandardOutput()).startsWith(QStringLiteral("Tipvault ")));
    }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "singleinstance_test.moc"
