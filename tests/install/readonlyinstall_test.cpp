// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/errorreport.h"
#include "app/mainwindow.h"
#include "catalogue/paths.h"
#include "fakeseam.h"
#include "installtools.h"
#include "diskfaults.h"
#include "testdirs.h"
#include "updates/cataloguecopy.h"
#include "zip/zipaccess.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QScopeGuard>
#include <QTabWidget>
#include <QtTest>

using namespace tv;

namespace {

QMap<QString, QByteArray> contentsOf(const QString &dir)
{
    QMap<QString, QByteArray> contents;
    for (const QString &name : QDir(dir).entryList(QDir::Files | QDir::Hidden)) {
        QFile file(dir + name);
        contents.insert(name, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>"));
    }
    return contents;
}

} // namespace

/// A system install whose Program directory the user cannot write: the
/// program reads as ever, and integrating an update says where it cannot write.
class ReadOnlyInstallTest : public QObject
{
    Q_OBJECT

private slots:
    void integrationIntoACatalogueTheUserCannotWrite_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("copy declined") << QStringLiteral("no");
        QTest::newRow("copied") << QStringLiteral("yes");
        QTest::newRow("full disk") << QStringLiteral("full");
    }
    void integrationIntoACatalogueTheUserCannotWrite()
    {
        QFETCH(QString, answer);
        TestDirs dirs;
        FakeSeam seam;
        const QDir bin(qEnvironmentVariable("TIPVAULT_TEST_BIN"));
        for (const QString &name :
            bin.entryList({ QStringLiteral("*.dat"), QStringLiteral("*.tvm") }, QDir::Files))
            QVERIFY(QFile::copy(bin.filePath(name), dirs.programDir() + name));
        const QMap<QString, QByteArray> before = contentsOf(dirs.programDir());
        QVERIFY(before.contains(QStringLiteral("Sections.dat")));

        // The user's data folder, on a disk too small for the copy in the last row.
        SmallTmpfs small(64 * 1024);
        QTemporaryDir data;
        QString dataHome = data.path();
        if (answer == u"full") {
            if (!small.available())
                QSKIP(qPrintable(small.skipReason()));
            dataHome = small.path();
            small.fill();
        }
        const QByteArray oldData = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
        const auto restore = qScopeGuard([&] { qputenv("XDG_DATA_HOME", oldData); });
        const QString copies = catalogueCopiesFolder();
        QVERIFY(copies.startsWith(dataHome));

        const ReadOnlyMount readOnly(dirs.programDir());
        if (!readOnly.available())
            QSKIP(qPrintable(readOnly.skipReason()));

        TForm1 form(seam);
        form.ZipAccess1().setEngineDirectory(bin.path());
        QVERIFY(form.FormCreate());
        const int sections = form.PageControl1()->count();
        QVERIFY(sections > 0);

        seam.answers = { answer == u"no" ? No : Yes };
        seam.folders = { QStringLiteral(TV_SAMPLE_UPDATES) };
        guarded(seam, [&] { form.findChild<QAction *>(QStringLiteral("Moduleintegrieren1"))->trigger(); });

        QCOMPARE(seam.messages.value(0).kind, MessageKind::Confirmation);
        QVERIFY2(seam.messages[0].text.contains(dirs.programDir()), qPrintable(seam.messages[0].text));
        QVERIFY2(seam.messages[0].text.contains(copies), qPrintable(seam.messages[0].text));
        QCOMPARE(contentsOf(dirs.programDir()), before);
        if (answer == u"yes") {
            // The copy was made, integrated and opened; the original stays as it was.
            const QString copy = copies + QDir(dirs.programDir()).dirName() + u'/';
            QCOMPARE(GetProgramDir(), copy);
            QCOMPARE(seam.messages.size(), 2);
            QCOMPARE(seam.messages[1].kind, MessageKind::Information);
            QVERIFY(contentsOf(copy) != before);
            QVERIFY(contentsOf(copy).size() > before.size()); // the new module
            QVERIFY(form.windowTitle().endsWith(QDir::cleanPath(copy)));
            return;
        }
        QCOMPARE(seam.messages.size(), 2);
        QCOMPARE(seam.messages[1].kind, MessageKind::Error);
        if (answer == u"no") {
            QVERIFY2(seam.messages[1].text.contains(dirs.programDir()), qPrintable(seam.messages[1].text));
        } else {
            // Nothing half made: no copy, no hidden folder, and the catalogue in use stays.
            QVERIFY2(seam.messages[1].text.contains(QStringLiteral("Zu wenig Speicherplatz")),
                qPrintable(seam.messages[1].text));
            QCOMPARE(QDir(copies).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
        }
        QCOMPARE(GetProgramDir(), dirs.programDir());
        QCOMPARE(form.PageControl1()->count(), sections);
    }

    void theCommandLineToolCopiesWhenAsked()
    {
        TestDirs dirs;
        const QDir bin(qEnvironmentVariable("TIPVAULT_TEST_BIN"));
        for (const QString &name :
            bin.entryList({ QStringLiteral("*.dat"), QStringLiteral("*.tvm") }, QDir::Files))
            QVERIFY(QFile::copy(bin.filePath(name), dirs.programDir() + name));
        const QMap<QString, QByteArray> before = contentsOf(dirs.programDir());
        const ReadOnlyMount readOnly(dirs.programDir());
        if (!readOnly.available())
            QSKIP(qPrintable(readOnly.skipReason()));
        QTemporaryDir data;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
        const QString copies = data.path() + QStringLiteral("/Tipvault/Kataloge/");
        for (const bool copy : { false, true }) {
            QProcess cli;
            cli.setProcessEnvironment(env);
            QStringList arguments { QStringLiteral("--dir"), dirs.programDir(), QStringLiteral("integrate"),
                QStringLiteral(TV_SAMPLE_UPDATES), QStringLiteral("--json") };
            if (copy)
                arguments << QStringLiteral("--copy");
            cli.start(bin.filePath(QStringLiteral("tipvault-cli")), arguments);
            QVERIFY(cli.waitForFinished(60000));
            const QString err = QString::fromUtf8(cli.readAllStandardError());
            if (!copy) {
                // Without the option it says how.
                QCOMPARE(cli.exitCode(), 1);
                QVERIFY2(err.contains(QStringLiteral("--copy")) && err.contains(copies), qPrintable(err));
                continue;
            }
            QVERIFY2(cli.exitCode() == 0, qPrintable(err));
            const QJsonObject json = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
            QCOMPARE(json.value(QStringLiteral("integrated")).toInt(), 2);
            const QString copyDir = json.value(QStringLiteral("catalogue")).toString();
            QCOMPARE(copyDir, copies + QDir(dirs.programDir()).dirName() + u'/');
            QVERIFY(contentsOf(copyDir).size() > before.size());
        }
        QCOMPARE(contentsOf(dirs.programDir()), before);
    }
};

QTEST_MAIN(ReadOnlyInstallTest)
#include "readonlyinstall_test.moc"
