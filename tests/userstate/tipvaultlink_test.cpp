// SPDX-License-Identifier: GPL-3.0-or-later
#include "userstate/tipvaultlink.h"

#include <QtTest>

using namespace tv;

class TipvaultLinkTest : public QObject
{
    Q_OBJECT

private slots:
    void linksReadBackAsWritten_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QByteArray>("part");
        QTest::addColumn<int>("occurrence");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("address");
        QTest::newRow("entry") << QString() << QByteArray("Grafik") << QByteArray("Bitmaps laden")
                               << QByteArray() << 1 << QString()
                               << QStringLiteral("tipvault:?rubrik=Grafik&eintrag=Bitmaps%20laden");
        QTest::newRow("part, umlaut, delimiters")
            << QString() << QByteArray("Kaeltetechnik") << QByteArray("K\xFChl & 50% = kalt?#")
            << QByteArray("FAQ") << 1 << QString()
            << QStringLiteral("tipvault:?rubrik=Kaeltetechnik&eintrag=K%C3%BChl%20%26%2050%25%20%3D%20kalt%"
                              "3F%23&teil=FAQ");
        QTest::newRow("second part of a caption, folder")
            << QStringLiteral("/home/anna/Tipps/") << QByteArray("C++") << QByteArray("RAII")
            << QByteArray("Beispiel") << 2 << QString()
            << QStringLiteral("tipvault:?rubrik=C%2B%2B&eintrag=RAII&teil=Beispiel&nr=2&ordner=%2Fhome%"
                              "2Fanna%2FTipps%2F");
        QTest::newRow("query") << QString() << QByteArray() << QByteArray() << QByteArray() << 1
                               << QStringLiteral("std::move")
                               << QStringLiteral("tipvault:?suche=std%3A%3Amove");
    }
    void linksReadBackAsWritten()
    {
        QFETCH(QString, folder);
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, entry);
        QFETCH(QByteArray, part);
        QFETCH(int, occurrence);
        QFETCH(QString, query);
        QFETCH(QString, address);
        const TipvaultLink link { folder, section, entry, part, occurrence, query };
        QCOMPARE(formatLink(link), address);
        const std::optional<TipvaultLink> read = parseLink(address);
        QVERIFY(read);
        QCOMPARE(read->folder, folder);
        QCOMPARE(read->section, section);
        QCOMPARE(read->entry, entry);
        QCOMPARE(read->part, part);
        QCOMPARE(read->partOccurrence, occurrence);
        QCOMPARE(read->query, query);
    }

    void whatIsNoLinkIsRefused_data()
    {
        QTest::addColumn<QString>("address");
        QTest::newRow("other scheme") << QStringLiteral("http://example.org/?rubrik=a&eintrag=b");
        QTest::newRow("no entry") << QStringLiteral("tipvault:?rubrik=Grafik");
        QTest::newRow("no query") << QStringLiteral("tipvault:");
        QTest::newRow("unknown key") << QStringLiteral("tipvault:?rubrik=a&eintrag=b&x=1");
        QTest::newRow("bad number") << QStringLiteral("tipvault:?rubrik=a&eintrag=b&teil=c&nr=0");
        QTest::newRow("not Windows-1252") << QStringLiteral("tipvault:?rubrik=%E6%97%A5&eintrag=b");
        QTest::newRow("no value") << QStringLiteral("tipvault:?rubrik&eintrag=b");
    }
    void whatIsNoLinkIsRefused()
    {
        QFETCH(QString, address);
        QVERIFY(!parseLink(address));
    }

    void aSlashedFormAsBrowsersWriteItIsRead()
    {
        const auto link = parseLink(QStringLiteral("TIPVAULT://?suche=a+b"));
        QVERIFY(link);
        QCOMPARE(link->query, QStringLiteral("a+b"));
    }
};

QTEST_GUILESS_MAIN(TipvaultLinkTest)
#include "tipvaultlink_test.moc"
