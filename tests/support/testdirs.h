// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

/// @short A temporary Program directory and TMPDIR for one test.
///
/// Points GetProgramDir() at a fresh folder and $TMPDIR at another, so that
/// the Work directory is "<tmp>/TIPVAULT/". Both go when it is destroyed.
class TestDirs
{
public:
    TestDirs();
    ~TestDirs();

    QString programDir() const; // ends with "/"
    QString tempDir() const; // ends with "/"
    QString workDir() const; // tempDir() + "TIPVAULT/"

    /// Writes `content` to programDir() + name (name as UTF-8 on disk).
    void writeProgramFile(const QString &name, const QByteArray &content) const;
    static void writeFile(const QString &path, const QByteArray &content);

private:
    QTemporaryDir m_program;
    QTemporaryDir m_temp;
    QByteArray m_oldTmp;
};
