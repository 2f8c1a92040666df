// SPDX-License-Identifier: GPL-3.0-or-later
#include "testdirs.h"

#include "catalogue/paths.h"

#include <QFile>
#include <QtTest>

#include <sys/stat.h>

#include <ctime>

TestDirs::TestDirs()
    : m_oldTmp(qgetenv("TMPDIR"))
    , m_oldConfig(qgetenv("XDG_CONFIG_HOME"))
{
    tv::setProgramDirOverride(m_program.path());
    qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
}

TestDirs::~TestDirs()
{
    tv::setProgramDirOverride(QString());
    if (m_oldTmp.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", m_oldTmp);
    if (m_oldConfig.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", m_oldConfig);
}

QString TestDirs::programDir() const
{
    return m_program.path() + u'/';
}

QString TestDirs::tempDir() const
{
    return m_temp.path() + u'/';
}

QString TestDirs::workDir() const
{
    return tempDir() + QStringLiteral("TIPVAULT/");
}

QString TestDirs::configDir() const
{
    return m_config.path() + u'/';
}

void TestDirs::writeProgramFile(const QString &name, const QByteArray &content) const
{
    writeFile(programDir() + name, content);
}

void TestDirs::writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(f.write(content), content.size());
}

void waitUntilChangeTimeIsPast(const QString &path)
{
    struct stat st;
    QVERIFY(::stat(QFile::encodeName(path).constData(), &st) == 0);
    const bool wholeSeconds = st.st_ctim.tv_nsec == 0 && st.st_mtim.tv_nsec == 0;
    const timespec limit { st.st_ctim.tv_sec + (wholeSeconds ? 2 : 0), st.st_ctim.tv_nsec };
    const auto isPast = [&limit] {
        timespec now {};
        ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
        return now.tv_sec > limit.tv_sec || (now.tv_sec == limit.tv_sec && now.tv_nsec > limit.tv_nsec);
    };
    QTRY_VERIFY_WITH_TIMEOUT(isPast(), 10000);
}
