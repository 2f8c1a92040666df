// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace tv {

/// @short A file made beside its target under a hidden temporary name and renamed into place.
///
/// Until it is renamed the target is untouched. A StagedFile destroyed without a
/// commit removes its temporary, so a copy that failed or was interrupted
/// leaves nothing behind:
///
///     StagedFile staged(GetProgramDir());         // ".tipvault-Ab12Cd"
///     if (staged.copyFrom(update, &reason))
///         staged.commit(programDir + "neu.tvm", &reason);
class StagedFile
{
public:
    /// `dir` ends with "/" and is the target's directory, so that the rename stays on one file system.
    explicit StagedFile(const QString &dir);
    ~StagedFile();
    StagedFile(const StagedFile &) = delete;
    StagedFile &operator=(const StagedFile &) = delete;

    /// Copies a regular file into the temporary. False with the reason as the
    /// user reads it ("Datei nicht gefunden") otherwise.
    bool copyFrom(const QString &source, QString *reason);
    /// Makes the temporary a file holding `content`.
    bool createWith(const QByteArray &content, QString *reason);
    /// The temporary's path; empty before copyFrom succeeded.
    const QString &path() const { return m_path; }
    /// Flushes the temporary to disk, whoever wrote it last; false with the
    /// reason, and then the temporary is gone.
    bool sync(QString *reason);
    /// Renames the temporary over `target` as it is: for a temporary that was
    /// synced, or replaced by a synced file. The caller syncs the folder.
    bool renameTo(const QString &target, QString *reason);
    /// sync(), renameTo(), then the folder is synced; false with the reason.
    bool commit(const QString &target, QString *reason);

private:
    void discard();
    int create(QString *reason);

    QString m_dir;
    QString m_path;
};

/// True when a file renamed to `target` would take its place: nothing is there,
/// or a file (a directory would refuse the rename). False with the reason.
bool canReplace(const QString &target, QString *reason);

/// Reads a regular file whole; false with the reason otherwise. A FIFO is
/// refused like a folder, never waited on.
bool readRegularFile(const QString &path, QByteArray *content, QString *reason);

/// Copies `source` over `target` atomically; false with the reason when it failed,
/// and then the target is as it was.
bool replaceFile(const QString &source, const QString &target, QString *reason);

} // namespace tv
