// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/errorreport.h"
#include "catalogue/errors.h"
#include "fakeseam.h"

#include <QtTest>

using namespace tv;

class ErrorReportTest : public QObject
{
    Q_OBJECT

private slots:
    void errorReportText_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("without a full stop") << QStringLiteral("Datei nicht gefunden")
                                             << QStringLiteral("Datei nicht gefunden.");
        QTest::newRow("with one") << QStringLiteral("Fertig.") << QStringLiteral("Fertig.");
        QTest::newRow("\"!\" sorts before \".\"") << QStringLiteral("Wirklich!") << QStringLiteral("Wirklich!");
        QTest::newRow("ending in a digit") << QStringLiteral("E/A-Fehler 183") << QStringLiteral("E/A-Fehler 183.");
        QTest::newRow("empty") << QString() << QString();
    }

    void errorReportText()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(tv::errorReportText(message), shown);
    }

    void anErrorThatEndsACommandIsShownAndSwallowed()
    {
        FakeSeam seam;
        bool after = false;
        guarded(seam, [] { throw IoError(5); });
        guarded(seam, [&after] { after = true; });
        QVERIFY(after);
        QCOMPARE(seam.messages.size(), 1);
        QCOMPARE(seam.messages[0].title, QStringLiteral("Tipvault"));
        QCOMPARE(seam.messages[0].kind, MessageKind::Error);
        QCOMPARE(seam.messages[0].buttons, int(Ok));
        QCOMPARE(seam.messages[0].text, QStringLiteral("Dateizugriff verweigert."));
    }
};

QTEST_GUILESS_MAIN(ErrorReportTest)
#include "errorreport_test.moc"
