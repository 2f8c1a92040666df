// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/findcontrol.h"

#include <QtTest>

using namespace tv;

namespace {

// Makes its child "Later1" on the first lookup.
class LazyParent : public QObject, public LazyControls
{
public:
    using QObject::QObject;
    QObject *makeControl(const QString &name) override
    {
        if (name.compare(QStringLiteral("Later1"), Qt::CaseInsensitive) != 0)
            return nullptr;
        ++made;
        auto *child = new QObject(this);
        child->setObjectName(QStringLiteral("Later1"));
        return child;
    }
    int made = 0;
};

} // namespace

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

    void makesLazyControlsWhenLookedUp()
    {
        QObject root;
        auto *lazy = new LazyParent(&root);
        QObject *later = findControl(&root, QStringLiteral("LATER1"));
        QVERIFY(later);
        QCOMPARE(later->parent(), lazy);
        // Once made it is found like any other, and not made twice.
        QCOMPARE(findControl(&root, QStringLiteral("later1")), later);
        QCOMPARE(lazy->made, 1);
        QCOMPARE(findControl(&root, QStringLiteral("Later2")), nullptr);
    }
};

QTEST_GUILESS_MAIN(FindControlTest)
#include "findcontrol_test.moc"
