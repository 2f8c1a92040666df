// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/paths.h"
#include "diskfaults.h"
#include "testfixture.h"
#include "userstate/userstate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

using namespace tv;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

class UserStateTest : public TestFixture
{
    Q_OBJECT

    UserState stateHere() const { return UserState(GetProgramDir(), UserState::fileFor(GetProgramDir())); }

private slots:
    void livesInTheConfigFolderPerCatalogue()
    {
        const QString here = UserState::fileFor(m_dirs->programDir());
        QVERIFY2(here.startsWith(m_dirs->configDir()), qPrintable(here));
        QVERIFY(!here.startsWith(m_dirs->programDir()));
        QVERIFY(here != UserState::fileFor(m_dirs->tempDir()));
        // The same folder by another spelling is the same catalogue.
        QVERIFY(QFile::link(m_dirs->programDir(), m_dirs->tempDir() + QStringLiteral("link")));
        QCOMPARE(UserState::fileFor(m_dirs->tempDir() + QStringLiteral("link")), here);
        QCOMPARE(UserState::fileFor(m_dirs->programDir() + QStringLiteral("./")), here);
    }

    void noFileIsAFreshStart()
    {
        UserState state = stateHere();
        QCOMPARE(state.load(), UserState::LoadResult::Fresh);
        QVERIFY(state.favourites().isEmpty());
        QVERIFY(state.session().isEmpty());
        QCOMPARE(state.zoom(), UserState::kDefaultZoom);
    }

    void favouritesSessionAndZoomSurviveARestart()
    {
        UserState state = stateHere();
        // Windows-1252 names, the unassigned byte 0x81 included, come back byte for byte.
        const EntryRef kuehl { "Kaeltetechnik", "K\xFChlschrank \x81", 0 };
        QVERIFY(state.addFavourite({ QStringLiteral("Kühl"), kuehl }));
        QVERIFY(state.addFavourite({ QStringLiteral("Bitmaps"), { "Grafik", "Bitmaps laden", 3 } }));
        QVERIFY(state.addFavourite({ QStringLiteral("Farben"), { "Grafik", "Farben & Stifte", 0 } }));
        QVERIFY(!state.addFavourite({ QStringLiteral("noch einmal"), { "Grafik", "Bitmaps laden", 1 } }));
        state.renameFavourite(1, QStringLiteral("Bilder laden"));
        state.moveFavourite(2, 0);
        state.removeFavourite(2);
        state.setSession({ "Grafik", "Farben & Stifte", 2 });
        state.setZoom(130);
        QVERIFY(state.save());

        UserState again = stateHere();
        QCOMPARE(again.load(), UserState::LoadResult::Loaded);
        QCOMPARE(again.favourites().size(), 2);
        QCOMPARE(again.favourites()[0].title, QStringLiteral("Farben"));
        QCOMPARE(again.favourites()[0].ref, (EntryRef { "Grafik", "Farben & Stifte", 0 }));
        QCOMPARE(again.favourites()[1].title, QStringLiteral("Kühl"));
        QCOMPARE(again.favourites()[1].ref, kuehl);
        QCOMPARE(again.session(), (EntryRef { "Grafik", "Farben & Stifte", 2 }));
        QCOMPARE(again.zoom(), 130);
        // A favourite opens its entry, not a remembered tab.
        QCOMPARE(again.favouriteIndex({ "Grafik", "Farben & Stifte", 5 }), 0);
    }

    void zoomStaysInItsRange()
    {
        UserState state = stateHere();
        state.setZoom(10);
        QCOMPARE(state.zoom(), UserState::kMinZoom);
        state.setZoom(10000);
        QCOMPARE(state.zoom(), UserState::kMaxZoom);
    }

    void damagedFileIsIgnoredAndReplacedBySave()
    {
        const QString path = UserState::fileFor(GetProgramDir());
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        TestDirs::writeFile(path, "{\"format\": \"tipvault-user-state\", \"versi");
        UserState state = stateHere();
        QCOMPARE(state.load(), UserState::LoadResult::Damaged);
        QVERIFY(state.favourites().isEmpty());
        QVERIFY(state.addFavourite({ QStringLiteral("A"), { "Grafik", "A", 0 } }));
        QVERIFY(state.save());
        UserState again = stateHere();
        QCOMPARE(again.load(), UserState::LoadResult::Loaded);
        QCOMPARE(again.favourites().size(), 1);
    }

    void foreignOrMalformedFilesAreIgnored_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10);
        QTest::newRow("array") << QByteArray("[]");
        QTest::newRow("another program") << QByteArray("{\"format\": \"other\", \"version\": 1}");
        QTest::newRow("newer version")
            << QByteArray("{\"format\": \"tipvault-user-state\", \"version\": 2, \"catalogue\": \"@\"}");
        QTest::newRow("another catalogue") << QByteArray(
            "{\"format\": \"tipvault-user-state\", \"version\": 1, \"catalogue\": \"/elsewhere/\"}");
        QTest::newRow("favourite without entry")
            << QByteArray("{\"format\": \"tipvault-user-state\", \"version\": 1, \"catalogue\": \"@\","
                          " \"favourites\": [{\"title\": \"x\", \"section\": \"Grafik\"}]}");
        QTest::newRow("name outside 1252") << QByteArray(
            "{\"format\": \"tipvault-user-state\", \"version\": 1, \"catalogue\": \"@\","
            " \"session\": {\"section\": \"\xE2\x82\xAC\xE4\xB8\x80\", \"entry\": \"x\", \"part\": 1}}");
        QTest::newRow("negative part")
            << QByteArray("{\"format\": \"tipvault-user-state\", \"version\": 1, \"catalogue\": \"@\","
                          " \"session\": {\"section\": \"G\", \"entry\": \"x\", \"part\": -1}}");
        QTest::newRow("zoom as text") << QByteArray(
            "{\"format\": \"tipvault-user-state\", \"version\": 1, \"catalogue\": \"@\", \"zoom\": \"big\"}");
    }

    void foreignOrMalformedFilesAreIgnored()
    {
        QFETCH(QByteArray, content);
        content.replace("\"@\"", "\"" + catalogueKey(GetProgramDir()).toUtf8() + "\"");
        const QString path = UserState::fileFor(GetProgramDir());
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        TestDirs::writeFile(path, content);
        UserState state = stateHere();
        QCOMPARE(state.load(), UserState::LoadResult::Damaged);
        QVERIFY(state.session().isEmpty());
        QCOMPARE(state.zoom(), UserState::kDefaultZoom);
    }

    void theSameFileWithItsCatalogueLoads()
    {
        const QString path = UserState::fileFor(GetProgramDir());
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        TestDirs::writeFile(path,
            "{\"format\": \"tipvault-user-state\", \"version\": 1, \"catalogue\": \""
                + catalogueKey(GetProgramDir()).toUtf8()
                + "\", \"session\": {\"section\": \"Grafik\", \"entry\": \"\xE2\x82\xAC\", \"part\": 1}}");
        UserState state = stateHere();
        QCOMPARE(state.load(), UserState::LoadResult::Loaded);
        QCOMPARE(state.session(), (EntryRef { "Grafik", "\x80", 1 }));
    }

    void failedWriteKeepsTheOldFile()
    {
        UserState state = stateHere();
        QVERIFY(state.addFavourite({ QStringLiteral("A"), { "Grafik", "A", 0 } }));
        QVERIFY(state.save());
        const QByteArray before = readAll(state.path());
        for (int i = 0; i < 200; ++i)
            QVERIFY(state.addFavourite(
                { QStringLiteral("Eintrag %1").arg(i), { "Grafik", QByteArray::number(i), 0 } }));
        {
            const FileSizeLimit limit(before.size() + 100);
            QVERIFY(!state.save());
        }
        QCOMPARE(state.error(), EFBIG);
        QCOMPARE(readAll(state.path()), before);
        UserState again = stateHere();
        QCOMPARE(again.load(), UserState::LoadResult::Loaded);
        QCOMPARE(again.favourites().size(), 1);
    }
};

QTEST_GUILESS_MAIN(UserStateTest)
#include "userstate_test.moc"
