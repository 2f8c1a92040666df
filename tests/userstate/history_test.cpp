// SPDX-License-Identifier: GPL-3.0-or-later
#include "userstate/history.h"

#include <QtTest>

using namespace tv;

class HistoryTest : public QObject
{
    Q_OBJECT

    static EntryRef at(const char *entry, int part = 1) { return { "Grafik", entry, part }; }

private slots:
    void backAndForwardAsABrowser()
    {
        NavigationHistory h;
        QVERIFY(!h.canGoBack() && !h.canGoForward() && !h.current());
        h.visit(at("A"));
        h.visit(at("A", 2));
        h.visit(at("B"));
        QCOMPARE(h.back(), at("A", 2));
        QCOMPARE(h.back(), at("A"));
        QVERIFY(!h.canGoBack());
        QCOMPARE(h.forward(), at("A", 2));
        // A new place drops what lay ahead.
        h.visit(at("C"));
        QVERIFY(!h.canGoForward());
        QCOMPARE(h.places(), (QList<EntryRef> { at("A"), at("A", 2), at("C") }));
    }

    void theSamePlaceTwiceIsOneStep()
    {
        NavigationHistory h;
        h.visit(at("A"));
        h.visit(at("A"));
        QVERIFY(!h.canGoBack());
        // Coming back to where one went back from keeps what lies ahead.
        h.visit(at("B"));
        h.back();
        h.visit(at("A"));
        QVERIFY(h.canGoForward());
    }

    void oldestPlacesGoFirst()
    {
        NavigationHistory h;
        for (int i = 0; i < NavigationHistory::kMaxPlaces + 5; ++i)
            h.visit(at("E", i + 1));
        QCOMPARE(h.places().size(), NavigationHistory::kMaxPlaces);
        QCOMPARE(h.places().first(), at("E", 6));
        QCOMPARE(*h.current(), at("E", NavigationHistory::kMaxPlaces + 5));
    }
};

QTEST_GUILESS_MAIN(HistoryTest)
#include "history_test.moc"
