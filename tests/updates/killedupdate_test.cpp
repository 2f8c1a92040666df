// SPDX-License-Identifier: GPL-3.0-or-later
// An integration killed by SIGKILL at any point leaves a catalogue that starts,
// and integrating again gives exactly the files of an uninterrupted run.

#include "catalogue/catalogue.h"
#include "catalogue/paths.h"
#include "zipwriter.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

constexpr int kInstalledSections = 10;
constexpr int kUpdateSections = 60;
constexpr qsizetype kBigPart = 3 * 1024 * 1024;
constexpr quint32 kStamp = quint32((45 << 9) | (1 << 5) | 1) << 16; // 1 January 2025

QByteArray sectionName(int i)
{
    return "S" + QByteArray::number(i).rightJustified(2, '0');
}

/// A Section file of some kilobytes, so that a copy of it can be cut half-way.
QByteArray sectionFile(int i, int version)
{
    QByteArray text;
    for (int entry = 1; entry <= 40; ++entry)
        text += "[Eintrag " + QByteArray::number(entry) + " in " + sectionName(i) + " Fassung "
            + QByteArray::number(version) + "]\r\n1Modul=gross\r\n1File=daten.bin\r\n";
    return text;
}

QByteArray sectionsDat(int count)
{
    QByteArray text;
    for (int i = 1; i <= count; ++i)
        text += sectionName(i) + "\r\n";
    return text;
}

QByteArray versionFile(int date, int version, int sections)
{
    QByteArray text = "[ModulDate]\r\nModul=basis.tvm\r\nDate=" + QByteArray::number(date)
        + "\r\n[CheckVersion]\r\nSection=" + QByteArray::number(version) + "\r\n";
    for (int i = 1; i <= sections; ++i)
        text += "Section_" + sectionName(i) + ".dat=" + QByteArray::number(version) + "\r\n";
    return text;
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size() && f.flush());
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

struct ChildEnd
{
    bool signalled = false;
    int value = -1; // the signal, or the exit code
};

/// Runs the integrating child with its own TMPDIR and waits for its end.
ChildEnd runChild(const QStringList &args, const QString &tmpDir)
{
    std::vector<std::string> argStrings {
        (QCoreApplication::applicationDirPath() + QStringLiteral("/updates_integratechild")).toStdString()
    };
    for (const QString &arg : args)
        argStrings.push_back(arg.toStdString());
    std::vector<std::string> envStrings;
    for (char **e = environ; *e; ++e) {
        if (std::strncmp(*e, "TMPDIR=", 7) != 0)
            envStrings.emplace_back(*e);
    }
    envStrings.push_back("TMPDIR=" + tmpDir.toStdString());
    std::vector<char *> argv;
    for (std::string &s : argStrings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    std::vector<char *> envp;
    for (std::string &s : envStrings)
        envp.push_back(s.data());
    envp.push_back(nullptr);

    ChildEnd end;
    pid_t pid = 0;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0)
        return end;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid)
        return end;
    end.signalled = WIFSIGNALED(status);
    end.value = end.signalled ? WTERMSIG(status) : WEXITSTATUS(status);
    return end;
}

/// A Program directory with its catalogue, and a TMPDIR for the child's Work directory.
struct Install
{
    QTemporaryDir program;
    QTemporaryDir temp;

    Install()
    {
        const QString dir = programDir();
        writeFile(dir + QStringLiteral("Sections.dat"), sectionsDat(kInstalledSections));
        for (int i = 1; i <= kInstalledSections; ++i)
            writeFile(
                dir + QStringLiteral("Section_%1.dat").arg(QLatin1String(sectionName(i))), sectionFile(i, 1));
        writeFile(dir + QStringLiteral("CheckVersion.dat"), versionFile(10, 1, kInstalledSections));
        // A fixed stamp: every Install's module is the same, byte for byte.
        writeZip(dir + QStringLiteral("basis.tvm"), { { "alt.rtf", "{\\rtf1 alt}", kStamp } });
    }
    QString programDir() const { return program.path() + u'/'; }
    QString workDir() const { return temp.path() + QStringLiteral("/TIPVAULT/"); }
    ChildEnd integrate(const QString &updates, const QStringList &killAt = {}) const
    {
        return runChild(QStringList { programDir(), updates } + killAt, temp.path() + u'/');
    }
};

} // namespace

class KilledUpdateTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_updates;
    std::unique_ptr<Install> m_reference;

    QString updatesDir() const { return m_updates.path() + u'/'; }

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo::exists(
            QCoreApplication::applicationDirPath() + QStringLiteral("/updates_integratechild")));
        QList<ZipMember> members { { "Sections.dat", sectionsDat(kUpdateSections) },
            { "CheckVersion.dat", versionFile(20, 2, kUpdateSections) } };
        for (int i = 1; i <= kUpdateSections; ++i)
            members.append({ "Section_" + sectionName(i) + ".dat", sectionFile(i, 2) });
        // Random bytes do not compress: the module stays as big as its part.
        QByteArray big(kBigPart, Qt::Uninitialized);
        QRandomGenerator random(16);
        random.fillRange(reinterpret_cast<quint32 *>(big.data()), big.size() / 4);
        members.append({ "daten.bin", big });
        members.append(ZipMember { "hinweis.rtf", "{\\rtf1 Hinweis}" });
        writeZip(updatesDir() + QStringLiteral("gross.tvu"), members);

        m_reference = std::make_unique<Install>();
        const ChildEnd end = m_reference->integrate(updatesDir());
        QVERIFY(!end.signalled);
        QCOMPARE(end.value, 1);
        QVERIFY(QFileInfo::exists(m_reference->programDir() + QStringLiteral("gross.tvm")));
        QCOMPARE(readFile(m_reference->programDir() + QStringLiteral("Sections.dat")),
            sectionsDat(kUpdateSections));
    }

    void killedIntegrationIsCompletedByTheNextRun_data()
    {
        QTest::addColumn<QStringList>("killAt");
        const QString big = QString::number(1024 * 1024);
        QTest::newRow("extracting a Section file") << QStringList { QStringLiteral("extracting"),
            QStringLiteral("Section_S01.dat"), QStringLiteral("1000") };
        QTest::newRow("during a Section copy") << QStringList { QStringLiteral("staging"),
            QStringLiteral("Section_S30.dat"), QStringLiteral("1000") };
        QTest::newRow("during the Version file copy") << QStringList { QStringLiteral("staging"),
            QStringLiteral("CheckVersion.dat"), QStringLiteral("100") };
        // The installed Version file (255 bytes) is copied whole; its raised form passes 600 bytes.
        QTest::newRow("during a write of the Version file") << QStringList { QStringLiteral("staging"),
            QStringLiteral("CheckVersion.dat"), QStringLiteral("600") };
        QTest::newRow("during the module copy")
            << QStringList { QStringLiteral("staging"), QStringLiteral("gross.tvm"), big };
        QTest::newRow("during the delete")
            << QStringList { QStringLiteral("deleting"), QStringLiteral("gross.tvm"), big };
        QTest::newRow("between two Section files") << QStringList { QStringLiteral("replaced"),
            QStringLiteral("Section_S05.dat"), QStringLiteral("0") };
        QTest::newRow("after Sections.dat") << QStringList { QStringLiteral("replaced"),
            QStringLiteral("Sections.dat"), QStringLiteral("0") };
        QTest::newRow("after CheckVersion.dat") << QStringList { QStringLiteral("replaced"),
            QStringLiteral("CheckVersion.dat"), QStringLiteral("0") };
        QTest::newRow("before the module goes in")
            << QStringList { QStringLiteral("replacing"), QStringLiteral("gross.tvm"), QStringLiteral("0") };
    }
    void killedIntegrationIsCompletedByTheNextRun()
    {
        QFETCH(QStringList, killAt);
        Install victim;
        const ChildEnd killed = victim.integrate(updatesDir(), killAt);
        QVERIFY2(killed.signalled, qPrintable(QStringLiteral("ended with %1").arg(killed.value)));
        QCOMPARE(killed.value, SIGKILL);
        QVERIFY(!QFileInfo::exists(victim.programDir() + QStringLiteral("gross.tvm")));

        // The catalogue starts as it is.
        tv::setProgramDirOverride(victim.programDir());
        const bool starts = tv::CheckFiles();
        tv::setProgramDirOverride(QString());
        QVERIFY(starts);

        const ChildEnd again = victim.integrate(updatesDir());
        QVERIFY(!again.signalled);
        QCOMPARE(again.value, 1);

        // Byte for byte the catalogue of the uninterrupted run, and nothing left over.
        const QStringList names = entriesOf(victim.programDir());
        QCOMPARE(names, entriesOf(m_reference->programDir()));
        for (const QString &name : names) {
            QVERIFY2(readFile(victim.programDir() + name) == readFile(m_reference->programDir() + name),
                qPrintable(name));
        }
        QCOMPARE(entriesOf(victim.workDir()), QStringList());
    }
};

QTEST_GUILESS_MAIN(KilledUpdateTest)
#include "killedupdate_test.moc"
