// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/atomicfile.h"
#include "diskfaults.h"
#include "testdirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <sys/mount.h>
#include <sys/stat.h>

using namespace tv;

namespace {

const QByteArray kOld = "alter Inhalt\r\n";

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<fehlt>");
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name | QDir::IgnoreCase);
}

int modeOf(const QString &path)
{
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

bool save(AtomicFile &file, const QByteArray &data)
{
    return file.open() && file.write(data) && file.commit();
}

} // namespace

class AtomicFileTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.path() + u'/' + name; }

private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup()
    {
        QVERIFY(QDir(m_dir.path()).removeRecursively());
        QVERIFY(QDir().mkpath(m_dir.path()));
    }

    void createsAndReplaces()
    {
        const QString p = path(QStringLiteral("a.ini"));
        AtomicFile first(p);
        QVERIFY(save(first, "eins"));
        QCOMPARE(contentOf(p), QByteArray("eins"));
        QVERIFY(QFile::setPermissions(p, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        AtomicFile second(p);
        QVERIFY(save(second, "zwei, l\xE4nger"));
        QCOMPARE(contentOf(p), QByteArray("zwei, l\xE4nger"));
        QCOMPARE(modeOf(p), 0640);
        QCOMPARE(filesIn(m_dir.path()), QStringList { QStringLiteral("a.ini") });
    }

    void aLinkStaysALink()
    {
        const QString target = path(QStringLiteral("ziel.txt"));
        const QString link = path(QStringLiteral("verweis.txt"));
        TestDirs::writeFile(target, kOld);
        QVERIFY(QFile::link(target, link));
        AtomicFile file(link);
        QVERIFY(save(file, "neu"));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(contentOf(target), QByteArray("neu"));
    }

    void nothingHappensWithoutCommit()
    {
        const QString p = path(QStringLiteral("a.txt"));
        TestDirs::writeFile(p, kOld);
        {
            AtomicFile file(p);
            QVERIFY(file.open());
            QVERIFY(file.write("neu"));
            QCOMPARE(filesIn(m_dir.path()).size(), 2);
        }
        QCOMPARE(contentOf(p), kOld);
        QCOMPARE(filesIn(m_dir.path()), QStringList { QStringLiteral("a.txt") });
    }

    void aFailedWriteLeavesTheOldFile()
    {
        const QString p = path(QStringLiteral("a.txt"));
        TestDirs::writeFile(p, kOld);
        AtomicFile file(p);
        {
            const FileSizeLimit limit(64);
            QVERIFY(file.open());
            QVERIFY(!file.write(QByteArray(100, 'x')));
            QVERIFY(!file.commit());
        }
        QCOMPARE(file.error(), EFBIG);
        QCOMPARE(contentOf(p), kOld);
        QCOMPARE(filesIn(m_dir.path()), QStringList { QStringLiteral("a.txt") });
    }

    void aFullDiskLeavesTheOldFile()
    {
        SmallTmpfs fs(64 * 1024);
        if (!fs.available())
            QSKIP(qPrintable(fs.skipReason()));
        const QString p = fs.path() + QStringLiteral("a.txt");
        TestDirs::writeFile(p, kOld);
        fs.fill();
        AtomicFile file(p);
        QVERIFY(!save(file, QByteArray(10000, 'x')));
        QCOMPARE(file.error(), ENOSPC);
        QCOMPARE(contentOf(p), kOld);
        QCOMPARE(filesIn(fs.path()), (QStringList { QStringLiteral("a.txt"), QStringLiteral("ballast") }));
    }

    void aFolderIsNoFile()
    {
        AtomicFile file(m_dir.path());
        QVERIFY(!file.open());
        QCOMPARE(file.error(), EISDIR);
    }

    void inPlaceOnlyWhereNothingCanBeMadeBeside()
    {
        // A read-only tmpfs that not even root may write, with one file bound
        // over from a second, writable tmpfs.
        SmallTmpfs folder(64 * 1024);
        SmallTmpfs source(64 * 1024);
        if (!folder.available() || !source.available())
            QSKIP(qPrintable(folder.skipReason()));
        const QString p = folder.path() + QStringLiteral("a.txt");
        TestDirs::writeFile(p, "");
        TestDirs::writeFile(source.path() + QStringLiteral("a.txt"), kOld);
        const QByteArray native = QFile::encodeName(p);
        QCOMPARE(::mount(QFile::encodeName(source.path() + QStringLiteral("a.txt")).constData(),
                     native.constData(), nullptr, MS_BIND, nullptr),
            0);
        const auto unbind = qScopeGuard([&] { ::umount2(native.constData(), MNT_DETACH); });
        QCOMPARE(::mount("tmpfs", QFile::encodeName(folder.path()).constData(), "tmpfs",
                     MS_REMOUNT | MS_RDONLY, nullptr),
            0);

        AtomicFile strict(p);
        QVERIFY(!save(strict, "neu"));
        QCOMPARE(strict.error(), EROFS);
        QCOMPARE(contentOf(p), kOld);

        AtomicFile inPlace(p, AtomicFile::Fallback::InPlace);
        QVERIFY(save(inPlace, "neu"));
        QVERIFY(inPlace.inPlace());
        QCOMPARE(contentOf(p), QByteArray("neu"));

        // A write that fails half-way puts the old bytes back.
        TestDirs::writeFile(p, kOld);
        AtomicFile failing(p, AtomicFile::Fallback::InPlace);
        {
            const FileSizeLimit limit(64);
            QVERIFY(failing.open());
            QVERIFY(!failing.write(QByteArray(100, 'x')));
        }
        QCOMPARE(failing.error(), EFBIG);
        QCOMPARE(contentOf(p), kOld);

        // A new file cannot be made there at all.
        AtomicFile fresh(folder.path() + QStringLiteral("neu.txt"), AtomicFile::Fallback::InPlace);
        QVERIFY(!save(fresh, "x"));
        QCOMPARE(fresh.error(), EROFS);
    }
};

QTEST_GUILESS_MAIN(AtomicFileTest)
#include "atomicfile_test.moc"
