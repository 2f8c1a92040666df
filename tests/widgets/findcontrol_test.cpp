// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/findcontrol.h"

#include <QtTest>

using namespace tv;

class FindControlTest : public QObject
{
    Q_OBJECT

private slots:
    void findsDescendantsWithoutRegardToCase()
    {
        QObject root;
        QObject page(&root);
        page.setObjectName(QStringLiteral("EntryTabSheet1"));
        QObject grid(&page);
        grid.setObjectName(QStringLiteral("SortGrid1"));
        QObject unnamed(&root);

        QCOMPARE(findControl(&root, QStringLiteral("sortgrid1")), &grid);
        QCOMPARE(findControl(&root, QStringLiteral("ENTRYTABSHEET1")), &page);
        QCOMPARE(findControl(&root, QStringLiteral("SortGrid2")), nullptr);
        QCOMPARE(findControl(&root, QString()), nullptr);
        QCOMPARE(findControl(nullptr, QStringLiteral("SortGrid1")), nullptr);
        // The root itself is not its own descendant.
        QCOMPARE(findControl(&page, QStringLiteral("EntryTabSheet1")), nullptr);
    }
};

QTEST_GUILESS_MAIN(FindControlTest)
#include "findcontrol_test.moc"
