// SPDX-License-Identifier: GPL-3.0-or-later
#include "testdirs.h"

#include "catalogue/filestamp.h"
#include "catalogue/paths.h"

#include <QFile>
#include <QtTest>

#include <unistd.h>



TestDirs::TestDirs()
    : m_oldTmp(qgetenv("TMPDIR"))
    , m_oldConfig(qgetenv("XDG_CONFIG_HOME"))
    , m_oldCache(qgetenv("XDG_CACHE_HOME"))
{
    tv::setProgramDirOverride(m_program.path());
    qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(m_cache.path()));
}

namespace {

void restoreVariable(const char *name, const QByteArray &old)
{
    if (old.isEmpty())
        qunsetenv(name);
    else
        qputenv(name, old);
}

} // namespace

TestDirs::~TestDirs()
{
    tv::setProgramDirOverride(QString());
    restoreVariable("TMPDIR", m_oldTmp);
    restoreVariable("XDG_CONFIG_HOME", m_oldConfig);
    restoreVariable("XDG_CACHE_HOME", m_oldCache);
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
    return sharedWorkDir() + QString::number(::getpid()) + u'/';
}

QString TestDirs::sharedWorkDir() const
{
    return tempDir() + QStringLiteral("TIPVAULT/");
}

QString TestDirs::configDir() const
{
    return m_config.path() + u'/';
}

QString TestDirs::cacheDir() const
{
    return m_cache.path() + u'/';
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
    tv::FileStamp stamp;
    QVERIFY(tv::FileStamp::ofPath(QFile::encodeName(path).constData(), &stamp));
    QTRY_VERIFY_WITH_TIMEOUT(stamp.isSettled(tv::FileStamp::clockNs()), 10000);
}
