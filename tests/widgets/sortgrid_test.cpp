// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/errors.h"
#include "fakeseam.h"
#include "widgets/sortgrid.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

using namespace tv;

namespace {

/// A grid set up as the archive listing: four columns, one header row, no
/// fixed column, whole rows selected.
std::unique_ptr<TSortGrid> listing(const QList<QStringList> &rows)
{
    auto grid = std::make_unique<TSortGrid>();
    grid->setColCount(4);
    grid->setFixedCols(0);
    grid->setRowCount(int(rows.size()) + 1);
    grid->setDefaultRowHeight(16);
    grid->setGridLineWidth(0);
    grid->setOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect | goColSizing
        | goRowSelect);
    const QStringList header { "Datei", "Gepackt", "Entpackt", "Datum" };
    for (int col = 0; col < 4; ++col)
        grid->setCells(col, 0, header[col]);
    for (int row = 0; row < rows.size(); ++row) {
        for (int col = 0; col < rows[row].size(); ++col)
            grid->setCells(col, row + 1, rows[row][col]);
    }
    grid->resize(420, 200);
    grid->show();
    QApplication::setActiveWindow(grid.get());
    return grid;
}

/// What the user sees in a column, top to bottom.
QStringList shown(const TSortGrid &grid, int col)
{
    QStringList texts;
    const QAbstractItemModel *model = grid.model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts.append(model->index(row, col).data().toString());
    return texts;
}

void clickHeader(TSortGrid &grid, int col, Qt::MouseButton button = Qt::LeftButton,
    Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QHeaderView *header = grid.horizontalHeader();
    const QPoint centre(
        header->sectionViewportPosition(col) + header->sectionSize(col) / 2, header->height() / 2);
    QTest::mouseClick(header->viewport(), button, modifiers, centre);
}

} // namespace

class SortGridTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<FakeSeam> m_seam;

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void init() { m_seam = std::make_unique<FakeSeam>(); }
    void cleanup() { m_seam.reset(); }

    void sizesSortAsNumbersBothWays()
    {
        auto grid = listing({ { "a.txt", "9" }, { "b.txt", "100" }, { "c.txt", "10" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        QList<TCompareKind> kinds;
        connect(grid.get(), &TSortGrid::OnBeginSort, this,
            [&](int, TSortOptions &options) { kinds.append(options.CompareKind); });

        clickHeader(*grid, 1);
        QCOMPARE(shown(*grid, 1), QStringList({ "9", "10", "100" }));
        QCOMPARE(shown(*grid, 0), QStringList({ "a.txt", "c.txt", "b.txt" }));
        QCOMPARE(kinds, QList<TCompareKind> { ckNumber });
        QCOMPARE(m_seam->busyCalls, 2); // on and off
        QCOMPARE(m_seam->busyDepth, 0);

        clickHeader(*grid, 1, Qt::RightButton);
        QCOMPARE(shown(*grid, 1), QStringList({ "100", "10", "9" }));
        clickHeader(*grid, 1);
        clickHeader(*grid, 1);
        QCOMPARE(shown(*grid, 1), QStringList({ "9", "10", "100" }));
        // The header row itself never moves.
        QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Gepackt"));
    }

    void keyboardSortsTheCurrentColumn()
    {
        auto grid = listing({ { "a.txt", "9" }, { "b.txt", "100" }, { "c.txt", "10" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        grid->setFocus();
        grid->setCol(1);
        grid->setRow(1);
        QTest::keyClick(grid.get(), Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(shown(*grid, 1), QStringList({ "9", "10", "100" }));
        QTest::keyClick(grid.get(), Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(shown(*grid, 1), QStringList({ "100", "10", "9" }));
        QCOMPARE(m_seam->busyDepth, 0);
        // Plain arrows still move the cursor and sort nothing.
        QTest::keyClick(grid.get(), Qt::Key_Down);
        QCOMPARE(shown(*grid, 1), QStringList({ "100", "10", "9" }));
    }

    void oneEmptyCellMakesTheColumnText()
    {
        auto grid = listing({ { "a", "9" }, { "b", "100" }, { "c", "" }, { "d", "10" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        QCOMPARE(grid->GuessCompareKind(1), ckText);
        clickHeader(*grid, 1);
        QCOMPARE(shown(*grid, 1), QStringList({ "", "10", "100", "9" }));
    }

    void letterCase()
    {
        auto grid = listing({ { "datei.txt", "1" }, { "Datei.txt", "2" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        clickHeader(*grid, 0);
        QCOMPARE(shown(*grid, 1), QStringList({ "1", "2" }));
        clickHeader(*grid, 0, Qt::RightButton);
        QCOMPARE(shown(*grid, 1), QStringList({ "1", "2" }));

        grid->setCaseSensitive(true);
        clickHeader(*grid, 0);
        QCOMPARE(shown(*grid, 0), QStringList({ "Datei.txt", "datei.txt" }));
    }

    void umlautsComeAfterZ()
    {
        auto grid = listing({ { "Äpfel.txt" }, { "Zebra.txt" }, { "apfel.txt" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        clickHeader(*grid, 0);
        QCOMPARE(shown(*grid, 0), QStringList({ "apfel.txt", "Zebra.txt", "Äpfel.txt" }));
    }

    void dayMonthYearDates()
    {
        // As the listing writes them, and typed out in full.
        const QString written = QLocale().toString(QDate(2001, 2, 1), QLocale::ShortFormat);
        const QString earlier = QLocale().toString(QDate(2001, 1, 15), QLocale::ShortFormat);
        auto grid = listing({ { "a", "", "", written }, { "b", "", "", earlier } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        QCOMPARE(grid->GuessCompareKind(3), ckDateTime);
        clickHeader(*grid, 3);
        QCOMPARE(shown(*grid, 0), QStringList({ "b", "a" }));

        grid->setCells(3, 1, QStringLiteral("01.02.2001"));
        grid->setCells(3, 2, QStringLiteral("15.01.2001"));
        clickHeader(*grid, 3);
        QCOMPARE(shown(*grid, 3), QStringList({ "15.01.2001", "01.02.2001" }));
    }

    void modifiersOrSwitchedOffDoNotSort()
    {
        auto grid = listing({ { "a", "9" }, { "b", "100" }, { "c", "10" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        int clickSorts = 0;
        connect(grid.get(), &TSortGrid::OnClickSort, this, [&] { ++clickSorts; });
        for (Qt::KeyboardModifier modifier : { Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier }) {
            clickHeader(*grid, 1, Qt::LeftButton, modifier);
            QCOMPARE(shown(*grid, 1), QStringList({ "9", "100", "10" }));
        }
        grid->setClickSorting(false);
        clickHeader(*grid, 1);
        QCOMPARE(shown(*grid, 1), QStringList({ "9", "100", "10" }));
        QCOMPARE(clickSorts, 0);
        QCOMPARE(m_seam->busyCalls, 0);
    }

    void dragOfAColumnBorderDoesNotSort()
    {
        auto grid = listing({ { "b", "9" }, { "a", "100" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        QHeaderView *header = grid->horizontalHeader();
        const int border = header->sectionViewportPosition(0) + header->sectionSize(0) - 1;
        QTest::mousePress(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(border, 5));
        QTest::mouseMove(header->viewport(), QPoint(border + 30, 5));
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(border + 30, 5));
        QCOMPARE(shown(*grid, 0), QStringList({ "b", "a" }));
        clickHeader(*grid, 0);
        QCOMPARE(shown(*grid, 0), QStringList({ "a", "b" }));
    }

    void singleDataRowChangesNothing()
    {
        auto grid = listing({ { "a", "9" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        int clickSorts = 0, sortEvents = 0;
        connect(grid.get(), &TSortGrid::OnClickSort, this, [&] { ++clickSorts; });
        connect(grid.get(), &TSortGrid::OnBeginSort, this, [&] { ++sortEvents; });
        connect(grid.get(), &TSortGrid::OnEndSort, this, [&] { ++sortEvents; });
        clickHeader(*grid, 0, Qt::RightButton);
        QCOMPARE(clickSorts, 1);
        QCOMPARE(m_seam->busyCalls, 2); // on and off
        QCOMPARE(sortEvents, 0);
        QCOMPARE(shown(*grid, 0), QStringList({ "a" }));
    }

    void selectionFollowsItsRow()
    {
        auto grid = listing({ { "a", "9" }, { "b", "100" }, { "c", "10" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        // The user clicks the row of "b".
        const QRect cell = grid->visualRect(grid->model()->index(1, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QCOMPARE(grid->Row(), 2);

        clickHeader(*grid, 1);
        QCOMPARE(grid->Row(), 3);
        QCOMPARE(grid->Cells(0, grid->Row()), QStringLiteral("b"));
        const QModelIndexList selected = grid->selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().data().toString(), QStringLiteral("b"));
    }

    void objectsTravelWithTheirRows()
    {
        auto grid = listing({ { "a", "9" }, { "b", "100" }, { "c", "10" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        for (int row = 1; row <= 3; ++row) {
            for (int col = 0; col < 4; ++col)
                grid->setObjects(col, row, grid->Cells(0, row) + QString::number(col));
        }
        clickHeader(*grid, 1, Qt::RightButton);
        QCOMPARE(shown(*grid, 0), QStringList({ "b", "c", "a" }));
        for (int row = 1; row <= 3; ++row) {
            for (int col = 0; col < 4; ++col)
                QCOMPARE(grid->Objects(col, row).toString(), grid->Cells(0, row) + QString::number(col));
        }
    }

    void handlersMayChangeTheOptions()
    {
        auto grid = listing({ { "a", "9" }, { "b", "100" }, { "c", "10" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        QList<int> clicked;
        connect(grid.get(), &TSortGrid::OnClickSort, this, [&](int col, int row, TSortOptions &options) {
            clicked << col << row;
            options.Order = soDescending;
        });
        connect(grid.get(), &TSortGrid::OnBeginSort, this,
            [](int, TSortOptions &options) { options.CompareKind = ckText; });
        clickHeader(*grid, 1);
        QCOMPARE(clicked, QList<int>({ 1, 0 }));
        QCOMPARE(shown(*grid, 1), QStringList({ "9", "100", "10" }));
    }

    void revertPutsRowsBack()
    {
        auto grid = listing({ { "c", "1" }, { "a", "2" }, { "b", "3" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        grid->GoToCell(0, 1);
        clickHeader(*grid, 0);
        QCOMPARE(shown(*grid, 0), QStringList({ "a", "b", "c" }));
        QCOMPARE(grid->Cells(0, grid->Row()), QStringLiteral("c"));
        QVERIFY(grid->SortUndoable());
        grid->RevertSort();
        QCOMPARE(shown(*grid, 0), QStringList({ "c", "a", "b" }));
        QCOMPARE(grid->Cells(0, grid->Row()), QStringLiteral("c"));
        QVERIFY(!grid->SortUndoable());

        clickHeader(*grid, 0);
        grid->setRowCount(5);
        QVERIFY(!grid->SortUndoable());
        grid->RevertSort();
        QCOMPARE(shown(*grid, 0), QStringList({ "a", "b", "c", "" }));
    }

    void screenReadersReadTheCells()
    {
        auto grid = listing({ { "b.txt", "9" }, { "a.txt", "100" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        // Text that is not painted is still there to be read.
        connect(grid.get(), &TSortGrid::OnGetCellFormat, this,
            [](int, int, TGridDrawState, TFormatOptions &format) { format.NoText = true; });
        clickHeader(*grid, 0);
        QAccessibleInterface *view = QAccessible::queryAccessibleInterface(grid.get());
        QVERIFY(view && view->tableInterface());
        QAccessibleTableInterface *table = view->tableInterface();
        QCOMPARE(table->cellAt(0, 0)->text(QAccessible::Name), QStringLiteral("a.txt"));
        QCOMPARE(table->cellAt(1, 1)->text(QAccessible::Name), QStringLiteral("9"));
        QCOMPARE(table->columnDescription(1), QStringLiteral("Gepackt"));
    }

    void cellFormatAndBevel()
    {
        auto grid = listing({ { "a", "1" }, { "b", "2" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        grid->setBevelStyle(cbRaised);
        const QColor fill(10, 200, 30), dark(200, 0, 0);
        connect(grid.get(), &TSortGrid::OnGetCellFormat, this,
            [&](int col, int row, TGridDrawState, TFormatOptions &format) {
                if (col == 1 && row == 2) {
                    format.CellBrush = fill;
                    format.BevelDarkColor = dark;
                }
            });
        const QImage image = grid->viewport()->grab().toImage();
        const QRect cell = grid->visualRect(grid->model()->index(1, 1));
        const qreal scale = image.devicePixelRatio();
        const auto pixel = [&](int x, int y) { return image.pixelColor(QPointF(x, y).toPoint() * scale); };
        QCOMPARE(pixel(cell.center().x(), cell.bottom() - 3), fill);
        QCOMPARE(pixel(cell.right(), cell.center().y()), dark);
        QCOMPARE(pixel(cell.center().x(), cell.bottom()), dark);
        QCOMPARE(pixel(cell.left(), cell.center().y()), grid->palette().color(QPalette::Light));
    }

    void delimitedTextRoundTrip()
    {
        QTemporaryDir dir;
        const QString in = dir.filePath(QStringLiteral("in.txt"));
        QFile file(in);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Datei,Gr\xF6\xDF"
                   "e\r\na,,b,\nc\r\n");
        file.close();
        TSortGrid grid;
        grid.setFixedCols(0);
        grid.ImportDelimited(in, QLatin1Char(','));
        QCOMPARE(grid.RowCount(), 3);
        QCOMPARE(grid.ColCount(), 4);
        QCOMPARE(grid.Cells(1, 0), QStringLiteral("Größe"));
        QCOMPARE(grid.Cells(2, 1), QStringLiteral("b"));
        QCOMPARE(grid.Cells(3, 1), QString());
        QCOMPARE(shown(grid, 0), QStringList({ "a", "c" }));

        const QString out = dir.filePath(QStringLiteral("out.txt"));
        grid.ExportDelimited(out, QLatin1Char(';'));
        QFile written(out);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(),
            QByteArray("Datei;Gr\xF6\xDF"
                       "e;;\r\na;;b;\r\nc;;;\r\n"));

        QVERIFY_THROWS_EXCEPTION(
            IoError, grid.ImportDelimited(dir.filePath(QStringLiteral("fehlt.txt")), u','));
        QVERIFY_THROWS_EXCEPTION(
            WriteError, grid.ExportDelimited(dir.filePath(QStringLiteral("no/dir.txt")), u','));
        QCOMPARE(grid.Cells(0, 1), QStringLiteral("a"));
    }

    void fitColumnWidthMeasuresTheDrawnFont()
    {
        auto grid = listing({ { "kurz" }, { "ein deutlich längerer Name.txt" } });
        QFont bold = grid->font();
        bold.setBold(true);
        bold.setPointSize(bold.pointSize() * 2);
        connect(grid.get(), &TSortGrid::OnGetCellFormat, this,
            [&](int, int row, TGridDrawState state, TFormatOptions &format) {
                if (row == 0 && state.testFlag(gdFixed))
                    format.CellFont = bold;
            });
        grid->setCells(0, 0, QStringLiteral("Eine sehr lange Überschrift"));
        grid->FitColumnWidth(0);
        const QFontMetrics metrics(bold);
        QVERIFY(grid->ColWidths(0) >= metrics.horizontalAdvance(grid->Cells(0, 0)));
        QVERIFY(grid->horizontalHeader()->sectionSize(0) == grid->ColWidths(0));
    }

    void extendedKeysInsertAndDeleteRows()
    {
        auto grid = listing({ { "a" }, { "b" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        grid->setFocus();
        grid->GoToCell(0, 2);
        QTest::keyClick(grid.get(), Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(grid->RowCount(), 3);
        grid->setExtendedKeys(true);
        QList<int> inserted, deleted;
        connect(grid.get(), &TSortGrid::OnRowInsert, this, [&](int row) { inserted << row; });
        connect(grid.get(), &TSortGrid::OnRowDelete, this, [&](int row) { deleted << row; });
        QTest::keyClick(grid.get(), Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(shown(*grid, 0), QStringList({ "a", "", "b" }));
        QCOMPARE(grid->Row(), 2);
        QTest::keyClick(grid.get(), Qt::Key_Delete, Qt::ControlModifier);
        QTest::keyClick(grid.get(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(shown(*grid, 0), QStringList({ "a" }));
        // The last data row stays.
        QTest::keyClick(grid.get(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(shown(*grid, 0), QStringList({ "a" }));
        QCOMPARE(inserted, QList<int>({ 2 }));
        QCOMPARE(deleted, QList<int>({ 2, 2 }));
    }

    void rejectedEditIsTakenBack()
    {
        auto grid = listing({ { "a.txt", "9" }, { "b.txt", "10" } });
        grid->setOptions(grid->Options() | goEditing);
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        connect(grid.get(), &TSortGrid::OnCellValidate, this,
            [](int, int, QString &value, bool &valid) { valid = !value.contains(u'/'); });
        grid->setFocus();
        grid->GoToCell(0, 1);
        QTest::keyClick(grid.get(), Qt::Key_F2);
        QVERIFY(grid->EditorMode());
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->setText(QStringLiteral("x/y"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!grid->EditorMode());
        QCOMPARE(shown(*grid, 0), QStringList({ "a.txt", "b.txt" }));

        QTest::keyClick(grid.get(), Qt::Key_F2);
        editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->setText(QStringLiteral("c.txt"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(!grid->EditorMode());
        QCOMPARE(shown(*grid, 0), QStringList({ "c.txt", "b.txt" }));
    }
};

QTEST_MAIN(SortGridTest)
#include "sortgrid_test.moc"
