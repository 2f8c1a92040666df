// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/errorreport.h"
#include "app/mainwindow.h"
#include "fakeseam.h"
#include "installtools.h"
#include "testdirs.h"
#include "zip/zipaccess.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMap>
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
    void integrationReportsTheFolderItCannotWrite()
    {
        TestDirs dirs;
        FakeSeam seam;
        const QDir bin(qEnvironmentVariable("TIPVAULT_TEST_BIN"));
        for (const QString &name :
            bin.entryList({ QStringLiteral("*.dat"), QStringLiteral("*.tvm") }, QDir::Files))
            QVERIFY(QFile::copy(bin.filePath(name), dirs.programDir() + name));
        const QMap<QString, QByteArray> before = contentsOf(dirs.programDir());
        QVERIFY(before.contains(QStringLiteral("Sections.dat")));

        const ReadOnlyMount readOnly(dirs.programDir());
        if (!readOnly.available())
            QSKIP(qPrintable(readOnly.skipReason()));

        TForm1 form(seam);
        form.ZipAccess1().setEngineDirectory(bin.path());
        QVERIFY(form.FormCreate());
        const int sections = form.PageControl1()->count();
        QVERIFY(sections > 0);

        seam.folders = { QStringLiteral(TV_SAMPLE_UPDATES) };
        guarded(seam, [&] { form.findChild<QAction *>(QStringLiteral("Moduleintegrieren1"))->trigger(); });

        QCOMPARE(seam.messages.size(), 1);
        QCOMPARE(seam.messages[0].kind, MessageKind::Error);
        QVERIFY2(seam.messages[0].text.contains(dirs.programDir()), qPrintable(seam.messages[0].text));
        QCOMPARE(contentsOf(dirs.programDir()), before);
        QCOMPARE(form.PageControl1()->count(), sections);
    }
};

QTEST_MAIN(ReadOnlyInstallTest)
#include "readonlyinstall_test.moc"
