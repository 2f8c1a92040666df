// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"
#include "app/mainwindow.h"
#include "stats/statistikwindow.h"
#include "testdirs.h"
#include "testfixture.h"

#include <QAction>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

using namespace tv;

namespace {

/// The texts of one grid row, column 0 first.
QStringList gridRow(const QTableWidget *grid, int row)
{
    QStringList cells;
    for (int column = 0; column < grid->columnCount(); ++column) {
        const QTableWidgetItem *item = grid->item(row, column);
        cells.append(item ? item->text() : QStringLiteral("-"));
    }
    return cells;
}

/// Pixels of the red cross's colour in the 16 x 16 square it is drawn into.
int redPixels(const QImage &image, const QRect &cell)
{
    int red = 0;
    for (int y = cell.top(); y < cell.top() + 16; ++y) {
        for (int x = cell.left() + 2; x < cell.left() + 18; ++x) {
            const QColor c = image.pixelColor(x, y);
            red += c.red() > 150 && c.green() < 90 && c.blue() < 90;
        }
    }
    return red;
}

} // namespace

class StatistikWindowTest : public TestFixture
{
    Q_OBJECT

    void writeCatalogue(int extraModules = 0)
    {
        QByteArray section
            = "[Bitmaps]\r\nCount=3\r\n1=Artikel\r\n1Modul=basis\r\n2=Hinweise\r\n2Modul=basis\r\n"
              "3=Archiv\r\n3Modul=basis\r\n"
              "[Seiten]\r\nCount=1\r\n1=WWW-Link\r\n1Modul=links\r\n";
        for (int i = 1; i <= extraModules; ++i)
            section += "[Mehr " + QByteArray::number(i) + "]\r\n1Modul=m" + QByteArray::number(i) + "\r\n";
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"), section);
        m_dirs->writeProgramFile(QStringLiteral("basis.tvm"), "PK");
    }

private slots:
    void windowShowsTheCounts()
    {
        writeCatalogue();
        TForm2 form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Modulstatistik"));
        QCOMPARE(form.windowType(), Qt::Tool);
        QCOMPARE(form.size(), QSize(366, 386));
        QCOMPARE(form.minimumSize(), form.maximumSize());

        QTableWidget *grid = form.StringGrid1();
        QStringList header;
        for (int column = 0; column < grid->columnCount(); ++column)
            header.append(grid->horizontalHeaderItem(column)->text());
        QCOMPARE(header,
            (QStringList { QStringLiteral("Modul"), QStringLiteral("Total"), QStringLiteral("Artikel"),
                QStringLiteral("Archive"), QStringLiteral("HTML"), QStringLiteral("Links") }));
        // 45 for each counter, wider only where a larger font needs it for the header;
        // column 0 takes the rest: 131 at the design's font.
        const QFontMetrics metrics = grid->horizontalHeader()->fontMetrics();
        int counters = 0;
        for (int column = 1; column < 6; ++column) {
            const int width = grid->columnWidth(column);
            QVERIFY(width >= 45);
            QVERIFY(width == 45 || width == metrics.horizontalAdvance(header[column]) + 10);
            QVERIFY(width >= metrics.horizontalAdvance(header[column]));
            counters += width;
        }
        QCOMPARE(grid->columnWidth(0), 366 - 10 - counters);
        QCOMPARE(grid->rowCount(), 18); // the design's rows, though only two are used
        QCOMPARE(gridRow(grid, 0),
            (QStringList { QStringLiteral("      BASIS.TVM"), QStringLiteral("3"), QStringLiteral("2"),
                QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("0") }));
        QCOMPARE(gridRow(grid, 1),
            (QStringList { QStringLiteral("      LINKS.TVM"), QStringLiteral("1"), QStringLiteral("0"),
                QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("1") }));
        QCOMPARE(gridRow(grid, 2).join(QString()), QStringLiteral("------"));
        QVERIFY(!(grid->item(0, 1)->flags() & Qt::ItemIsEditable));
        QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);

        // What a screen reader hears, and what the eye sees.
        const QModelIndex basis = grid->model()->index(0, 0);
        const QModelIndex links = grid->model()->index(1, 0);
        QCOMPARE(basis.data(Qt::AccessibleTextRole).toString(), QStringLiteral("BASIS.TVM"));
        QVERIFY(!basis.data(Qt::AccessibleDescriptionRole).isValid());
        QCOMPARE(links.data(Qt::AccessibleDescriptionRole).toString(), QStringLiteral("Modul fehlt"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QImage image = grid->viewport()->grab().toImage();
        QCOMPARE(redPixels(image, grid->visualRect(basis)), 0);
        QVERIFY(redPixels(image, grid->visualRect(links)) > 20);
        QCOMPARE(redPixels(image, grid->visualRect(grid->model()->index(1, 1))), 0);
    }

    void everyModuleHasARow()
    {
        writeCatalogue(30);
        TForm2 form;
        QTableWidget *grid = form.StringGrid1();
        QCOMPARE(grid->rowCount(), 32);
        QCOMPARE(gridRow(grid, 31).first(), QStringLiteral("      M30.TVM"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(grid->verticalScrollBar()->isVisible());
        // Column 0 gives way to the scroll bar, so every counter column stays whole.
        int width = 0;
        for (int column = 0; column < grid->columnCount(); ++column)
            width += grid->columnWidth(column);
        QVERIFY2(width <= grid->viewport()->width(), qPrintable(QString::number(width)));
        QVERIFY(!grid->horizontalScrollBar()->isVisible());
        grid->scrollToBottom();
        QVERIFY(grid->viewport()->rect().contains(grid->visualRect(grid->model()->index(31, 5))));
    }

    void menuCommandShowsItModally()
    {
        writeCatalogue();
        m_dirs->writeProgramFile(QStringLiteral("CheckVersion.dat"), "[ModulDate]\r\nModul=basis.tvm\r\n");
        TForm1 main(*m_seam);
        QVERIFY(main.FormCreate());
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QAction *command = main.findChild<QAction *>(QStringLiteral("Modulstatistik1"));
        QVERIFY(command);

        QList<QStringList> seen;
        QList<int> busyWhileShown;
        const auto openAndClose = [&] {
            QTimer::singleShot(0, &main, [&] {
                auto *form = main.findChild<TForm2 *>();
                if (form) {
                    seen.append(gridRow(form->StringGrid1(), 0) + gridRow(form->StringGrid1(), 1));
                    busyWhileShown.append(m_seam->busyDepth);
                    seen.last().append(
                        form->isModal() ? QStringLiteral("modal") : QStringLiteral("modeless"));
                }
                if (auto *modal = QApplication::activeModalWidget())
                    modal->close();
            });
            command->trigger();
        };
        openAndClose();
        openAndClose();
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[0], seen[1]);
        QCOMPARE(seen[0].first(), QStringLiteral("      BASIS.TVM"));
        QCOMPARE(seen[0].last(), QStringLiteral("modal"));
        QCOMPARE(busyWhileShown, (QList<int> { 0, 0 }));
        QVERIFY(m_seam->busyCalls >= 4); // the hourglass came, and went, each time
        QCOMPARE(m_seam->busyDepth, 0);
        QVERIFY(!main.findChild<TForm2 *>());
        QCOMPARE(m_seam->messages.size(), 0);
    }
};

int main(int argc, char *argv[])
{
    StatistikWindowTest test;
    // The error report of the event loop answers through the test's own seam.
    TipvaultApplication app(argc, argv, test.seam());
    return QTest::qExec(&test, argc, argv);
}
#include "statistikwindow_test.moc"
