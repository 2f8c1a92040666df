// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/filestamp.h"
#include "testdirs.h"

#include <QFile>
#include <QtTest>

using namespace tv;

class FileStampTest : public QObject
{
    Q_OBJECT

private slots:
    void settledOnceTheClockHasPassedTheChange_data()
    {
        constexpr qint64 s = 1000000000;
        QTest::addColumn<qint64>("ctimeNs");
        QTest::addColumn<qint64>("mtimeNs");
        QTest::addColumn<qint64>("clockNs");
        QTest::addColumn<bool>("settled");
        QTest::newRow("clock before the change") << 100 * s + 5 << 100 * s + 5 << 100 * s << false;
        QTest::newRow("clock at the change's tick") << 100 * s + 5 << 100 * s + 5 << 100 * s + 5 << false;
        QTest::newRow("clock past it") << 100 * s + 5 << 100 * s + 5 << 100 * s + 6 << true;
        QTest::newRow("whole seconds, one second on") << 100 * s << 100 * s << 101 * s << false;
        QTest::newRow("whole seconds, two seconds on") << 100 * s << 100 * s << 102 * s << false;
        QTest::newRow("whole seconds, past two") << 100 * s << 100 * s << 102 * s + 1 << true;
        QTest::newRow("no clock") << 100 * s + 5 << 100 * s + 5 << qint64(0) << false;
    }

    void settledOnceTheClockHasPassedTheChange()
    {
        QFETCH(qint64, ctimeNs);
        QFETCH(qint64, mtimeNs);
        QFETCH(qint64, clockNs);
        QFETCH(bool, settled);
        FileStamp stamp;
        stamp.size = 1;
        stamp.ctimeNs = ctimeNs;
        stamp.mtimeNs = mtimeNs;
        QCOMPARE(stamp.isSettled(clockNs), settled);
    }

    void onlyRegularFilesHaveAStamp()
    {
        TestDirs dirs;
        const QString file = dirs.programDir() + QStringLiteral("a.dat");
        TestDirs::writeFile(file, "abc");
        FileStamp stamp;
        QVERIFY(FileStamp::ofPath(QFile::encodeName(file).constData(), &stamp));
        QCOMPARE(stamp.size, 3);
        QVERIFY(!FileStamp::ofPath(QFile::encodeName(dirs.programDir()).constData(), &stamp));
        QVERIFY(!FileStamp::ofPath(QFile::encodeName(file + QStringLiteral("x")).constData(), &stamp));
    }
};

QTEST_GUILESS_MAIN(FileStampTest)
#include "filestamp_test.moc"
