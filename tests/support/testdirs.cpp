// SPDX-License-Identifier: GPL-3.0-or-later
#include "testdirs.h"

#include "catalogue/paths.h"

#include <QFile>
#include <QtTest>

TestDirs::TestDirs()
    : m_oldTmp(qgetenv("TMPDIR"))
{
    tv::setProgramDirOverride(m_program.path());
    qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
}

TestDirs::~TestDirs()
{
    tv::setProgramDirOverride(QString());
    if (m_oldTmp.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", m_oldTmp);
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
