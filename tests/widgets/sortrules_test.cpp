// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/cellreader.h"
#include "widgets/sortrules.h"

#include <QDate>
#include <QtTest>

using namespace tv;

namespace {

const QLocale german(QLocale::German, QLocale::Germany);
const QLocale american(QLocale::English, QLocale::UnitedStates);

/// Texts sort by their 8-bit bytes: "Ä" is 0xC4, after "Z".
QByteArray latin1(const QString &text)
{
    return text.toLatin1();
}

qint64 dayValue(const QDate &date)
{
    return (date.toJulianDay() - QDate(1899, 12, 30).toJulianDay()) * 86400000;
}

qint64 clock(int h, int m, int s = 0, int ms = 0)
{
    return ((h * 60 + m) * 60 + s) * qint64(1000) + ms;
}

TSortedList entries(const QStringList &texts)
{
    TSortedList list;
    for (int i = 0; i < texts.size(); ++i)
        list.append(TSortedListEntry { texts[i], i + 1 });
    return list;
}

QStringList textsOf(const TSortedList &list)
{
    QStringList texts;
    for (const TSortedListEntry &entry : list)
        texts.append(entry.CellText);
    return texts;
}

QList<int> rowsOf(const TSortedList &list)
{
    QList<int> rows;
    for (const TSortedListEntry &entry : list)
        rows.append(entry.SourceRow);
    return rows;
}

QStringList sorted(const QStringList &texts, TCompareKind kind, TSortOrder order = soAscending,
    const QLocale &locale = german)
{
    TSortedList list = entries(texts);
    TSortOptions options;
    options.CompareKind = kind;
    options.Order = order;
    SortEntries(list, options, CellReader(locale), latin1);
    return textsOf(list);
}

} // namespace

class SortRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void numbers_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("reads");
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << german << "100" << true << 100.0;
        QTest::newRow("blanks, sign, comma, exponent") << german << " -1,5e3 " << true << -1500.0;
        QTest::newRow("German thousands") << german << "1.000" << false << 0.0;
        QTest::newRow("English point") << american << "+.5" << true << 0.5;
        QTest::newRow("English thousands") << american << "1,000" << false << 0.0;
        QTest::newRow("trailing point") << american << "5." << true << 5.0;
        QTest::newRow("point alone") << american << "." << false << 0.0;
        QTest::newRow("exponent without digits") << american << "1e" << false << 0.0;
        QTest::newRow("out of range") << american << "1e999" << false << 0.0;
        QTest::newRow("empty") << german << "" << false << 0.0;
        QTest::newRow("file name") << german << "12.txt" << false << 0.0;
    }
    void numbers()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, text);
        QFETCH(bool, reads);
        QFETCH(double, value);
        const auto number = CellReader(locale).number(text);
        QCOMPARE(number.has_value(), reads);
        if (reads)
            QCOMPARE(*number, value);
    }

    void germanDatesAndTimes()
    {
        const CellReader reader(german);
        QCOMPARE(reader.dateOrder(), QStringLiteral("DMY"));
        QCOMPARE(reader.dateTime(u"15.01.2001"), dayValue(QDate(2001, 1, 15)));
        QCOMPARE(reader.dateTime(u" 1.2.2001 "), dayValue(QDate(2001, 2, 1)));
        QCOMPARE(reader.dateTime(u"15.01.2001 12:30"), dayValue(QDate(2001, 1, 15)) + clock(12, 30));
        const int year = QDate::currentDate().year();
        QCOMPARE(reader.dateTime(u"15.01"), dayValue(QDate(year, 1, 15)));
        // Two-digit years lie from 50 years back to 49 ahead.
        QCOMPARE(reader.dateTime(QStringLiteral("15.01.%1").arg((year + 49) % 100, 2, 10, QLatin1Char('0'))),
            dayValue(QDate(year + 49, 1, 15)));
        QCOMPARE(reader.dateTime(QStringLiteral("15.01.%1").arg((year - 50) % 100, 2, 10, QLatin1Char('0'))),
            dayValue(QDate(year - 50, 1, 15)));
        QCOMPARE(reader.dateTime(u"12:30"), clock(12, 30));
        QVERIFY(!reader.dateTime(u"31.02.2001"));
        QVERIFY(!reader.dateTime(u"15.01.2001 abends"));
        QVERIFY(!reader.dateTime(u"Datei.txt"));
        QVERIFY(!reader.dateTime(u""));

        QCOMPARE(reader.time(u"7"), clock(7, 0));
        QCOMPARE(reader.time(u"23:59:59,250"), clock(23, 59, 59, 250));
        QVERIFY(!reader.time(u"24:00"));
        QVERIFY(!reader.time(u"12:60"));
        QVERIFY(!reader.time(u"15.01.2001"));
    }

    void americanDatesAndTimes()
    {
        const CellReader reader(american);
        QCOMPARE(reader.dateOrder(), QStringLiteral("MDY"));
        QCOMPARE(reader.dateTime(u"2/15/01"), dayValue(QDate(2001, 2, 15)));
        QVERIFY(!reader.dateTime(u"15/2/01"));
        QCOMPARE(reader.time(u"1:05:30 PM"), clock(13, 5, 30));
        QCOMPARE(reader.time(u"pm 1"), clock(13, 0));
        QCOMPARE(reader.time(u"12 AM"), clock(0, 0));
        QVERIFY(!reader.time(u"13 PM"));
        QVERIFY(!reader.time(u"0 AM"));
    }

    /// Whatever the user's locale, a date written in its short format reads
    /// back as that date, as the archive listing relies on; month names and
    /// words too, as the C locale writes "15 Feb 2001".
    void shortDatesReadBackInEveryLocale()
    {
        const QList<QDate> dates { QDate(2001, 2, 15), QDate(1999, 12, 3), QDate(1985, 1, 1) };
        int checked = 0;
        QList<QLocale> locales
            = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
        locales << QLocale::c() << QLocale(QStringLiteral("C.UTF-8"));
        for (const QLocale &locale : locales) {
            const CellReader reader(locale);
            for (const QDate &date : dates) {
                const QString text = locale.toString(date, QLocale::ShortFormat);
                const auto value = reader.dateTime(text);
                QVERIFY2(
                    value && *value == dayValue(date), qPrintable(locale.name() + QLatin1Char(' ') + text));
                ++checked;
            }
        }
        QVERIFY(checked > 500);
    }

    /// The C locale's listing dates are dates, not text: "1 Jan 2025" comes last.
    void cLocaleDatesSortAsDates()
    {
        const CellReader reader(QLocale::c());
        const QStringList cells { QStringLiteral("4 May 2024"), QStringLiteral("1 Jan 2025"),
            QStringLiteral("31 Jan 2023") };
        QCOMPARE(GuessCompareKind(cells, reader), ckDateTime);
        QCOMPARE(reader.dateTime(u"1 Jan 2025"), dayValue(QDate(2025, 1, 1)));
        QVERIFY(!reader.dateTime(u"1 Jan"));
        QVERIFY(!reader.dateTime(u"Jan 2025"));
    }

    void guessing()
    {
        const CellReader reader(german);
        QCOMPARE(GuessCompareKind({ "9", "100", "10" }, reader), ckNumber);
        QCOMPARE(GuessCompareKind({ "9", "100", "", "10" }, reader), ckText);
        QCOMPARE(GuessCompareKind({ "01.02.2001", "15.01.2001" }, reader), ckDateTime);
        QCOMPARE(GuessCompareKind({ "12:30", "08:15:00" }, reader), ckDateTime);
        QCOMPARE(GuessCompareKind({ "Datei.txt", "100" }, reader), ckText);
    }

    void sizesSortAsNumbers()
    {
        QCOMPARE(sorted({ "9", "100", "10" }, ckNumber), QStringList({ "9", "10", "100" }));
        QCOMPARE(sorted({ "9", "100", "10" }, ckNumber, soDescending), QStringList({ "100", "10", "9" }));
        QCOMPARE(sorted({ "9", "100", "", "10" }, ckText), QStringList({ "", "10", "100", "9" }));
    }

    void textComparesBytes()
    {
        QCOMPARE(sorted({ "Äpfel.txt", "Zebra.txt", "apfel.txt" }, ckText),
            QStringList({ "apfel.txt", "Zebra.txt", "Äpfel.txt" }));
        // Only a-z are raised, and a proper prefix comes first.
        QCOMPARE(sorted({ "Z", "ab", "b", "a" }, ckText), QStringList({ "a", "ab", "b", "Z" }));
    }

    void letterCase()
    {
        TSortedList list = entries({ "datei.txt", "Datei.txt" });
        TSortOptions options;
        options.CompareKind = ckText;
        SortEntries(list, options, CellReader(german), latin1);
        QCOMPARE(rowsOf(list), QList<int>({ 1, 2 }));
        options.Order = soDescending;
        SortEntries(list, options, CellReader(german), latin1);
        QCOMPARE(rowsOf(list), QList<int>({ 1, 2 }));

        options.MatchCase = true;
        options.Order = soAscending;
        list = entries({ "datei.txt", "Datei.txt" });
        SortEntries(list, options, CellReader(german), latin1);
        QCOMPARE(textsOf(list), QStringList({ "Datei.txt", "datei.txt" }));
    }

    void datesInDayMonthYear()
    {
        QCOMPARE(
            sorted({ "01.02.2001", "15.01.2001" }, ckDateTime), QStringList({ "15.01.2001", "01.02.2001" }));
        QCOMPARE(sorted({ "01.02.2001", "15.01.2001" }, ckText), QStringList({ "01.02.2001", "15.01.2001" }));
    }

    void customComparisonSeesCapitals()
    {
        TSortedList list = entries({ "b", "C", "a" });
        TSortOptions options;
        options.CompareKind = ckCustom;
        QStringList seen;
        options.CompareFunc = [&](const QString &a, const QString &b) {
            seen << a << b;
            return QString::compare(b, a); // reversed
        };
        SortEntries(list, options, CellReader(german), latin1);
        QCOMPARE(textsOf(list), QStringList({ "C", "b", "a" }));
        QVERIFY(!seen.contains(QStringLiteral("a")));
        QVERIFY(seen.contains(QStringLiteral("A")));
    }

    /// An explicitly chosen kind may meet texts that do not convert; they count
    /// as equal to everything, which is no consistent order. The sort must
    /// still end with every row once.
    void inconsistentOrderStaysSafe()
    {
        QStringList texts;
        for (int i = 0; i < 500; ++i)
            texts.append(i % 3 == 0 ? QStringLiteral("x%1").arg(i) : QString::number((i * 7919) % 1000));
        TSortedList list = entries(texts);
        TSortOptions options;
        options.CompareKind = ckNumber;
        SortEntries(list, options, CellReader(german), latin1);
        QList<int> rows = rowsOf(list);
        std::sort(rows.begin(), rows.end());
        QCOMPARE(rows.size(), 500);
        for (int i = 0; i < 500; ++i)
            QCOMPARE(rows[i], i + 1);
        // Texts that do not convert, among themselves, keep their order.
        QCOMPARE(sorted({ "b", "a", "c" }, ckNumber), QStringList({ "b", "a", "c" }));
        QCOMPARE(sorted({ "b", "a", "c" }, ckNumber, soDescending), QStringList({ "b", "a", "c" }));
    }
};

QTEST_GUILESS_MAIN(SortRulesTest)
#include "sortrules_test.moc"
