// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/sortgrid.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QSaveFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace tv;

namespace {

/// What the host's file functions throw.
struct FileFailed
{
    QString path;
};

/// 8-bit texts ("ä" is 0xE4), files as Qt reads and writes them.
GridTexts latin1Texts()
{
    GridTexts texts;
    texts.encode = [](const QString &text) { return text.toLatin1(); };
    texts.decode = [](const QByteArray &bytes) { return QString::fromLatin1(bytes); };
    texts.readFile = [](const QString &path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw FileFailed { path };
        return file.readAll();
    };
    texts.writeFile = [](const QString &path, const QByteArray &bytes) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
            throw FileFailed { path };
    };
    return texts;
}

/// A grid set up as the archive listing: four columns, one header row, no
/// fixed column, whole rows selected.
std::unique_ptr<TSortGrid> listing(const QList<QStringList> &rows)
{
    auto grid = std::make_unique<TSortGrid>(latin1Texts());
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

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }

    void sizesSortAsNumbersBothWays()
    {
        auto grid = listing({ { "a.txt", "9" }, { "b.txt", "100" }, { "c.txt", "10" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        QList<TCompareKind> kinds;
        QList<bool> busy;
        connect(grid.get(), &TSortGrid::OnBeginSort, this,
            [&](int, TSortOptions &options) { kinds.append(options.CompareKind); });
        connect(grid.get(), &TSortGrid::busyChanged, this, [&](bool on) { busy.append(on); });

        clickHeader(*grid, 1);
        QCOMPARE(shown(*grid, 1), QStringList({ "9", "10", "100" }));
        QCOMPARE(shown(*grid, 0), QStringList({ "a.txt", "c.txt", "b.txt" }));
        QCOMPARE(kinds, QList<TCompareKind> { ckNumber });
        QCOMPARE(busy, QList<bool>({ true, false }));

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
        QSignalSpy busy(grid.get(), &TSortGrid::busyChanged);
        QTest::keyClick(grid.get(), Qt::Key_Down, Qt::ControlModifier);
        QCOMPARE(shown(*grid, 1), QStringList({ "9", "10", "100" }));
        QTest::keyClick(grid.get(), Qt::Key_Up, Qt::ControlModifier);
        QCOMPARE(shown(*grid, 1), QStringList({ "100", "10", "9" }));
        QCOMPARE(busy.size(), 4);
        QCOMPARE(busy.last().first().toBool(), false);
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
        QSignalSpy busy(grid.get(), &TSortGrid::busyChanged);
        for (Qt::KeyboardModifier modifier : { Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier }) {
            clickHeader(*grid, 1, Qt::LeftButton, modifier);
            QCOMPARE(shown(*grid, 1), QStringList({ "9", "100", "10" }));
        }
        grid->setClickSorting(false);
        clickHeader(*grid, 1);
        QCOMPARE(shown(*grid, 1), QStringList({ "9", "100", "10" }));
        QCOMPARE(clickSorts, 0);
        QCOMPARE(busy.size(), 0);
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
        QSignalSpy busy(grid.get(), &TSortGrid::busyChanged);
        clickHeader(*grid, 0, Qt::RightButton);
        QCOMPARE(clickSorts, 1);
        QCOMPARE(busy.size(), 2); // on and off
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
        TSortGrid grid(latin1Texts());
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

        // The host's failures come through, and the cells stay.
        QVERIFY_THROWS_EXCEPTION(
            FileFailed, grid.ImportDelimited(dir.filePath(QStringLiteral("fehlt.txt")), u','));
        QVERIFY_THROWS_EXCEPTION(
            FileFailed, grid.ExportDelimited(dir.filePath(QStringLiteral("no/dir.txt")), u','));
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
    void rowsAndColumnsAreExchanged()
    {
        auto grid = listing({ { "a", "1" }, { "b", "2" }, { "c", "3" }, { "d", "4" } });
        grid->ExchangeRows(1, 3);
        QCOMPARE(shown(*grid, 0), QStringList({ "c", "b", "a", "d" }));
        grid->ExchangeRows(4, 2);
        QCOMPARE(shown(*grid, 0), QStringList({ "c", "d", "a", "b" }));
        grid->ExchangeRows(2, 2);
        QCOMPARE(shown(*grid, 0), QStringList({ "c", "d", "a", "b" }));
        grid->ExchangeColumns(0, 1);
        QCOMPARE(grid->Cells(0, 0), QStringLiteral("Gepackt"));
        QCOMPARE(shown(*grid, 0), QStringList({ "3", "4", "1", "2" }));
        QCOMPARE(shown(*grid, 1), QStringList({ "c", "d", "a", "b" }));
        grid->ExchangeColumns(3, 0);
        QCOMPARE(grid->Cells(0, 0), QStringLiteral("Datum"));
        QCOMPARE(grid->Cells(3, 0), QStringLiteral("Gepackt"));
    }

    void columnsAreInsertedAndRemoved()
    {
        auto grid = listing({ { "a", "1" }, { "b", "2" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        QList<int> inserted, deleted;
        QList<QPair<int, int>> sizes;
        connect(grid.get(), &TSortGrid::OnColumnInsert, this, [&](int col) { inserted << col; });
        connect(grid.get(), &TSortGrid::OnColumnDelete, this, [&](int col) { deleted << col; });
        connect(grid.get(), &TSortGrid::OnSizeChanged, this, [&](int cols, int rows) {
            sizes.append({ cols, rows });
        });
        grid->setExtendedKeys(true);
        grid->setFocus();
        grid->GoToCell(1, 1);
        QTest::keyClick(grid.get(), Qt::Key_Insert, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(grid->ColCount(), 5);
        QCOMPARE(grid->Cells(1, 0), QString());
        QCOMPARE(grid->Cells(2, 0), QStringLiteral("Gepackt"));
        QCOMPARE(grid->Col(), 1);
        grid->RemoveColumn(0);
        QCOMPARE(grid->ColCount(), 4);
        QCOMPARE(grid->Cells(1, 0), QStringLiteral("Gepackt"));
        QCOMPARE(inserted, QList<int>({ 1 }));
        QCOMPARE(deleted, QList<int>({ 0 }));
        QCOMPARE(sizes, (QList<QPair<int, int>>({ { 4, 3 }, { 5, 3 } })));
    }

    void findCellTextIgnoresCase()
    {
        auto grid = listing({ { "a.txt", "B.TXT" }, { "b.txt", "2" } });
        int col = -1, row = -1;
        QVERIFY(grid->FindCellText(QStringLiteral("b.txt"), col, row));
        QCOMPARE(QPair(col, row), QPair(0, 2)); // the columns are searched first
        QVERIFY(grid->FindCellText(QStringLiteral("GEPACKT"), col, row));
        QCOMPARE(QPair(col, row), QPair(1, 0));
        QVERIFY(!grid->FindCellText(QStringLiteral("c.txt"), col, row));
        QCOMPARE(QPair(col, row), QPair(1, 0));
    }

    void fitAllColumnWidthsAddsTheExtra()
    {
        auto grid = listing({ { "eine.txt", "1" }, { "b", "123456789" } });
        grid->setColCount(2);
        grid->FitAllColumnWidths(false, 0);
        const int first = grid->ColWidths(0), second = grid->ColWidths(1);
        const QFontMetrics metrics(grid->font());
        const auto fitted = [&](int col) {
            int widest = 0;
            for (int row = 0; row < 3; ++row)
                widest = std::max(widest, metrics.horizontalAdvance(grid->Cells(col, row)));
            return widest + metrics.horizontalAdvance(u'x');
        };
        QCOMPARE(first, fitted(0));
        QCOMPARE(second, fitted(1));
        grid->FitAllColumnWidths(true, 7);
        QCOMPARE(grid->ColWidths(0), first + 7);
        QCOMPARE(grid->ColWidths(1), second + 7);

        // A fixed column is fitted only when asked to.
        grid->setFixedCols(1);
        grid->setColWidths(0, 5);
        grid->FitAllColumnWidths(false, 0);
        QCOMPARE(grid->ColWidths(0), 5);
        QCOMPARE(grid->ColWidths(1), second);
        grid->FitAllColumnWidths(true, 0);
        QCOMPARE(grid->ColWidths(0), first);
    }

    void alignmentPlacesTheText()
    {
        // The second data row: the first may carry the focus frame.
        auto grid = listing({ { "a", "1" }, { "i", "2" } });
        grid->setColWidths(0, 200);
        grid->setRowHeights(2, 60);
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        const QRect cell = grid->visualRect(grid->model()->index(1, 0));
        // The columns of the cell that hold dark text pixels.
        const auto inked = [&] {
            const QImage image = grid->viewport()->grab().toImage();
            const qreal scale = image.devicePixelRatio();
            QRect ink;
            for (int y = cell.top() + 1; y < cell.bottom(); ++y) {
                for (int x = cell.left() + 1; x < cell.right(); ++x) {
                    if (image.pixelColor(QPointF(x, y).toPoint() * scale).lightness() < 128)
                        ink |= QRect(x, y, 1, 1);
                }
            }
            return ink;
        };
        const QRect left = inked();
        QVERIFY(left.isValid());
        QVERIFY(left.left() < cell.left() + 10);
        QVERIFY(left.top() < cell.top() + 20);

        grid->setAlignmentHorz(taRightJustify);
        grid->setAlignmentVert(taBottomJustify);
        QCOMPARE(grid->AlignmentHorz(), taRightJustify);
        QCOMPARE(grid->AlignmentVert(), taBottomJustify);
        const QRect right = inked();
        QVERIFY(right.right() > cell.right() - 10);
        QVERIFY(right.bottom() > cell.bottom() - 10);

        grid->setAlignmentHorz(taCenter);
        grid->setAlignmentVert(taMiddle);
        const QRect centre = inked();
        QVERIFY(qAbs(centre.center().x() - cell.center().x()) < 5);
        QVERIFY(qAbs(centre.center().y() - cell.center().y()) < 5);
    }

    void withoutDefaultDrawingOnlyTheHandlerDraws()
    {
        auto grid = listing({ { "a", "1" }, { "WWWW", "2" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        QList<QPoint> drawn;
        connect(grid.get(), &TSortGrid::OnDrawCell, this,
            [&](int col, int row, QPainter *, const QRect &, TGridDrawState) {
                drawn.append(QPoint(col, row));
            });
        const QRect cell = grid->visualRect(grid->model()->index(1, 0));
        const auto darkPixels = [&] {
            const QImage image = grid->viewport()->grab().toImage();
            const qreal scale = image.devicePixelRatio();
            int dark = 0;
            for (int y = cell.top() + 1; y < cell.bottom(); ++y) {
                for (int x = cell.left() + 1; x < cell.right(); ++x)
                    dark += image.pixelColor(QPointF(x, y).toPoint() * scale).lightness() < 128;
            }
            return dark;
        };
        QVERIFY(darkPixels() > 0);
        QVERIFY(drawn.contains(QPoint(0, 2)));
        grid->setDefaultDrawing(false);
        QVERIFY(!grid->DefaultDrawing());
        drawn.clear();
        QCOMPARE(darkPixels(), 0);
        QVERIFY(drawn.contains(QPoint(0, 2)));
    }

    void clearCellsEmptiesTheHeaderToo()
    {
        auto grid = listing({ { "a", "1" } });
        grid->ClearCells();
        QCOMPARE(grid->RowCount(), 2);
        QCOMPARE(grid->Cells(0, 0), QString());
        QCOMPARE(grid->Cells(1, 1), QString());
    }

    void sizesAndClicksAreReported()
    {
        auto grid = listing({ { "a", "1" }, { "b", "2" } });
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        QSignalSpy widths(grid.get(), &TSortGrid::OnColumnWidthsChanged);
        QSignalSpy heights(grid.get(), &TSortGrid::OnRowHeightsChanged);
        QSignalSpy clicks(grid.get(), &TSortGrid::OnClick);
        grid->setColWidths(1, 90);
        grid->setRowHeights(0, 30);
        grid->setRowHeights(2, 30);
        QCOMPARE(widths.size(), 1);
        QCOMPARE(heights.size(), 2);
        grid->GoToCell(0, 2);
        QCOMPARE(clicks.size(), 1);
        grid->GoToCell(0, 2);
        QCOMPARE(clicks.size(), 1);
    }

    void scrollThumbsShowTheVisibleShare()
    {
        QList<QStringList> rows;
        for (int i = 0; i < 100; ++i)
            rows.append({ QString::number(i) });
        auto grid = listing(rows);
        QVERIFY(QTest::qWaitForWindowActive(grid.get()));
        QCOMPARE(grid->ScrollBars(), ssBoth);
        const QScrollBar *bar = grid->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        QVERIFY(bar->pageStep() >= 1);
        QVERIFY(bar->pageStep() < bar->maximum());
        grid->setProportionalScrollBars(false);
        QCOMPARE(bar->pageStep(), 0);
        grid->setProportionalScrollBars(true);
        QVERIFY(bar->pageStep() >= 1);
    }
};

QTEST_MAIN(SortGridTest)
#include "sortgrid_test.moc"
