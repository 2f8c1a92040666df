// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/desktopseam.h"
#include "app/application.h"
#include "app/mainwindow.h"
#include "app/siteconfig.h"
#include "app/timezone.h"
#include "catalogue/errors.h"
#include "catalogue/paths.h"
#include "formdriver.h"
#include "navigation/entrylistbox.h"
#include "navigation/sectionnavigator.h"
#include "navigation/sectiontabs.h"
#include "testdirs.h"
#include "testfixture.h"
#include "viewer/indexgrid.h"
#include "widgets/findcontrol.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

using namespace tv;

namespace {

class Thrower : public QObject
{
public:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::User)
            throw IoError(5);
        return QObject::event(e);
    }
};

} // namespace

class MainWindowTest : public TestFixture
{
    Q_OBJECT

private slots:
    void incompleteCatalogueStopsTheStart()
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\n");
        TForm1 form(*m_seam);
        QVERIFY(!form.FormCreate());
        QCOMPARE(m_seam->messages.size(), 1);
        QCOMPARE(m_seam->messages[0].title, QStringLiteral("Fehler"));
        QCOMPARE(m_seam->messages[0].kind, MessageKind::Error);
        QCOMPARE(m_seam->messages[0].text,
            QStringLiteral("Einige Dateien sind fehlerhaft. Bitte installieren Sie den Tipvault neu."));
        QVERIFY(!QFileInfo::exists(m_dirs->workDir()));
    }

    void emptyCatalogueStartsWithoutTabs()
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "");
        TForm1 form(*m_seam);
        QVERIFY(form.FormCreate());
        QCOMPARE(form.PageControl1()->count(), 0);
        QCOMPARE(form.windowTitle(), QStringLiteral("Tipvault v1.1 -   []"));
    }

    void timeZoneIsPinnedOnlyWhenUnset()
    {
        const QByteArray saved = qgetenv("TZ");
        const bool wasSet = qEnvironmentVariableIsSet("TZ");
        // Unset: the system's zone file, and every local time reads as before.
        qunsetenv("TZ");
        ::tzset();
        const time_t stamp = 1719835200; // 2024-07-01 12:00 UTC
        struct tm before
        {
        };
        ::localtime_r(&stamp, &before);
        pinLocalTimeZone();
        QCOMPARE(qgetenv("TZ"), QByteArray(":/etc/localtime"));
        struct tm after
        {
        };
        ::localtime_r(&stamp, &after);
        QCOMPARE(after.tm_hour, before.tm_hour);
        QCOMPARE(after.tm_isdst, before.tm_isdst);
        // Set: left alone.
        qputenv("TZ", "Asia/Tokyo");
        pinLocalTimeZone();
        QCOMPARE(qgetenv("TZ"), QByteArray("Asia/Tokyo"));
        if (wasSet)
            qputenv("TZ", saved);
        else
            qunsetenv("TZ");
        ::tzset();
    }

    void nameWithNulIsNeverCut()
    {
        // What a C string would read of the name is there; the name itself is not.
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), QByteArray("Qt-Ober\0flaechen\r\n", 18));
        m_dirs->writeProgramFile(QStringLiteral("Section_Qt-Ober"), "[Falsch]\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Qt-Ober.dat"), "[Falsch]\r\n");
        const QByteArray name("Section_Qt-Ober\0flaechen.dat", 28);
        QVERIFY(!fileExistsIn(m_dirs->programDir(), name));
        QCOMPARE(resolveName(m_dirs->programDir(), name), QString());
        TForm1 form(*m_seam);
        QVERIFY(!form.FormCreate());
        QCOMPARE(m_seam->messageTexts(),
            QStringList {
                QStringLiteral("Einige Dateien sind fehlerhaft. Bitte installieren Sie den Tipvault neu.") });
    }

    void geometryArithmetic()
    {
        const MainWindowGeometry g = mainWindowGeometry(QSize(1024, 768));
        QCOMPARE(g.window, QSize(944, 668));
        QCOMPARE(g.sectionWidth, 283);
        const IndexGridLayout l = indexGridLayout(443, 329);
        QCOMPARE(l.column0, 110);
        QCOMPARE(l.column1, 265);
        QCOMPARE(l.column2, 59);
        QCOMPARE(l.rows, 16);
        QCOMPARE(indexGridLayout(100, 10).rows, 1);
    }

    void gridFollowsItsSize()
    {
        IndexGrid grid;
        grid.resize(443, 329);
        grid.fitToSize();
        QCOMPARE(grid.columnWidth(0), 110);
        QCOMPARE(grid.columnWidth(1), 265);
        QCOMPARE(grid.columnWidth(2), 59);
        QCOMPARE(grid.rowTotal(), 16);
    }

    void closingRemovesTheWorkDirectory()
    {
        writeSmallCatalogue(*m_dirs);
        {
            TForm1 form(*m_seam);
            QVERIFY(form.FormCreate());
            form.show();
            TestDirs::writeFile(GetWorkDir() + QStringLiteral("left.rtf"), "x");
            QTest::keyClick(&form, Qt::Key_B, Qt::AltModifier); // nothing bound: the window stays
            QVERIFY(form.close());
        }
        QVERIFY(!QFileInfo::exists(m_dirs->workDir()));

        // A subdirectory keeps the Work directory alive; the plain files go.
        TForm1 form(*m_seam);
        QVERIFY(form.FormCreate());
        QVERIFY(QDir().mkpath(GetWorkDir() + QStringLiteral("sub")));
        TestDirs::writeFile(GetWorkDir() + QStringLiteral("a.txt"), "x");
        form.Beenden1Click();
        QVERIFY(QFileInfo::exists(m_dirs->workDir() + QStringLiteral("sub")));
        QVERIFY(!QFileInfo::exists(m_dirs->workDir() + QStringLiteral("a.txt")));
    }

    void exceptionInAHandlerIsReportedAndTheProgramGoesOn()
    {
        Thrower thrower;
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&thrower, &event);
        QCOMPARE(m_seam->messages.size(), 1);
        QCOMPARE(m_seam->messages[0].title, QStringLiteral("Tipvault"));
        QCOMPARE(m_seam->messages[0].kind, MessageKind::Error);
        QCOMPARE(m_seam->messages[0].buttons, int(Ok));
        QCOMPARE(m_seam->messages[0].text, QStringLiteral("Dateizugriff verweigert."));
    }

    void desktopBoxesSpeakGerman()
    {
        // The real seam: a Yes/No box with German buttons, Yes as default, Escape answering No.
        DesktopSeam desktop;
        QStringList buttons;
        QString defaultButton;
        QString title;
        Qt::CursorShape cursorWhileAsking = Qt::WaitCursor;
        desktop.setBusy(true); // a busy command asks: the box shows the arrow
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            cursorWhileAsking = QGuiApplication::overrideCursor()->shape();
            title = box->windowTitle();
            for (QAbstractButton *b : box->buttons())
                buttons.append(b->text());
            defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        const MessageButton answer = desktop.message(MessageRequest {
            MessageKind::Confirmation, QStringLiteral("Bestätigung"), QStringLiteral("Weiter?"), Yes | No });
        QCOMPARE(answer, No);
        QCOMPARE(cursorWhileAsking, Qt::ArrowCursor);
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        desktop.setBusy(false);
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(title, QStringLiteral("Bestätigung"));
        buttons.sort();
        QCOMPARE(buttons, (QStringList { QStringLiteral("&Ja"), QStringLiteral("&Nein") }));
        QCOMPARE(defaultButton, QStringLiteral("&Ja"));

        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            QTest::keyClick(box, Qt::Key_Return);
        });
        QCOMPARE(desktop.message(MessageRequest {
                     MessageKind::Error, QStringLiteral("Fehler"), QStringLiteral("x"), Ok }),
            Ok);
    }

    void unreadableSectionListIsReported()
    {
        writeSmallCatalogue(*m_dirs);
        TForm1 form(*m_seam);
        QVERIFY(form.FormCreate());
        // Sections.dat replaced by a folder after the start: the error report shows it.
        QVERIFY(QFile::remove(m_dirs->programDir() + QStringLiteral("Sections.dat")));
        QVERIFY(QDir().mkdir(m_dirs->programDir() + QStringLiteral("Sections.dat")));
        guarded(*m_seam, [&] { form.sections()->CreateSectionTabs(); });
        QCOMPARE(m_seam->messageTexts(), QStringList { QStringLiteral("Dateizugriff verweigert.") });
    }
    void toolBarAndMailOpenTheSite()
    {
        writeSmallCatalogue(*m_dirs);
        const std::unique_ptr<TForm1> form = startMainWindow(*m_seam);
        QVERIFY(form);
        const QList<std::pair<QString, const char *>> buttons
            = { { QStringLiteral("Speedbutton"), site::kHomeUrl },
                  { QStringLiteral("SpeedButton3"), site::kNewsUrl },
                  { QStringLiteral("SpeedButton1"), site::kLinksUrl } };
        QList<QUrl> expected;
        for (const auto &[name, url] : buttons) {
            auto *button = qobject_cast<QToolButton *>(findControl(form.get(), name));
            QCOMPARE(button->toolTip(), QString::fromLatin1(url));
            QTest::mouseClick(button, Qt::LeftButton);
            expected.append(QUrl(QString::fromLatin1(url)));
        }
        form->findChild<QAction *>(QStringLiteral("Mail1"))->trigger();
        expected.append(QUrl(QStringLiteral("mailto:webmaster@tipvault.example.org")));
        QCOMPARE(m_seam->opened, expected);
        QCOMPARE(m_seam->messages.size(), 0);
    }
};

int main(int argc, char *argv[])
{
    MainWindowTest test;
    // The error report of the event loop answers through the test's own seam.
    TipvaultApplication app(argc, argv, test.seam());
    return QTest::qExec(&test, argc, argv);
}
#include "mainwindow_test.moc"
