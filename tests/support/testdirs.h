// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

/// @short A temporary Program directory, TMPDIR, configuration and cache folder for one test.
///
/// Points GetProgramDir() at a fresh folder, $TMPDIR at another, so that the
/// Work directory is "<tmp>/TIPVAULT/"
/// (this process's folder "<tmp>/TIPVAULT/<pid>/"), and $XDG_CONFIG_HOME and
/// $XDG_CACHE_HOME at two more, so that what the program keeps for the user
/// (state, full-text index) never reaches the real home. All go when it is
/// destroyed.
class TestDirs
{
public:
    TestDirs();
    ~TestDirs();

    QString programDir() const; // ends with "/"
    QString tempDir() const; // ends with "/"
    QString workDir() const; // this process's folder: sharedWorkDir() + "<pid>/"
    QString sharedWorkDir() const; // tempDir() + "TIPVAULT/"
    QString configDir() const; // $XDG_CONFIG_HOME, ends with "/"
    QString cacheDir() const; // $XDG_CACHE_HOME, ends with "/"

    /// Writes `content` to programDir() + name (name as UTF-8 on disk).
    void writeProgramFile(const QString &name, const QByteArray &content) const;
    static void writeFile(const QString &path, const QByteArray &content);

private:
    QTemporaryDir m_program;
    QTemporaryDir m_temp;
    QTemporaryDir m_config;
    QTemporaryDir m_cache;
    QByteArray m_oldTmp;
    QByteArray m_oldConfig;
    QByteArray m_oldCache;
};

/// Waits until the clock the kernel stamps files with has passed the change
/// time of the file at `path` (two seconds past for times in whole seconds).
/// Only then may a listing or an open archive be kept for the file, so a test
/// of what happens when it changes afterwards calls this first. Fails the test
/// when the file cannot be read or the time does not come.
void waitUntilChangeTimeIsPast(const QString &path);
