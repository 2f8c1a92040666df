// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QTemporaryDir>

#include <sys/resource.h>

/// @short A real, small file system that fills up: a tmpfs mounted for one test.
///
/// Mounting needs root (CI and the developers' machines run as root); elsewhere
/// available() is false and the test should QSKIP with skipReason(). The mount
/// goes when the object is destroyed.
///
/// Example:
///     SmallTmpfs fs(64 * 1024);
///     if (!fs.available())
///         QSKIP(qPrintable(fs.skipReason()));
///     writeSomething(fs.path() + "x.ini");   // works
///     fs.fill();                             // now every further block fails with ENOSPC
class SmallTmpfs
{
public:
    explicit SmallTmpfs(qint64 bytes);
    ~SmallTmpfs();
    SmallTmpfs(const SmallTmpfs &) = delete;
    SmallTmpfs &operator=(const SmallTmpfs &) = delete;

    bool available() const { return m_mounted; }
    QString skipReason() const { return m_reason; }
    QString path() const; // ends with "/"

    /// Takes every free block with a ballast file, so that the next write that
    /// needs a new block fails. freeBallast() gives the space back.
    void fill();
    void freeBallast();

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_reason;
};

/// @short Writes past a size fail with EFBIG, for as long as the object lives.
///
/// A process-wide RLIMIT_FSIZE: the kernel refuses every write that would make
/// any file larger than `bytes` (SIGXFSZ is ignored meanwhile, so write() returns
/// the error instead of killing the test). Works without root, everywhere.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_old {};
    void (*m_oldHandler)(int) = nullptr;
};

/// @short File permission checks as the user "nobody", on this thread only,
/// for as long as the object lives: root passes every mode bit, nobody does not.
///
/// active() is false where the file-system ids cannot be changed (not root);
/// such a test should QSKIP.
class AsNobody
{
public:
    AsNobody();
    ~AsNobody();
    AsNobody(const AsNobody &) = delete;
    AsNobody &operator=(const AsNobody &) = delete;
    bool active() const { return m_active; }

private:
    bool m_active = false;
};
