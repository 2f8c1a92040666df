// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

/// @short The catalogue folders opened from one installation, newest first.
///
/// A start without a folder opens the first of them, so that a program
/// installed where the user cannot write opens the user's catalogue; one
/// beside its catalogue that never opened another stays with it. One file per
/// Program directory in the user's configuration folder:
///
///     { "format": "tipvault-recent", "version": 1,
///       "program": "/opt/tipvault/",
///       "folders": [ "/home/anna/Tipps/", "/opt/tipvault/" ] }
namespace tv {

class RecentCatalogues
{
public:
    static constexpr int kMaxFolders = 5;

    /// <AppConfigLocation>/recent/<hash of the Program directory>.json.
    static QString fileFor(const QString &programDir);

    RecentCatalogues(const QString &programDir, QString path);

    /// Reads the file; a file that is not ours for this Program directory
    /// leaves the list empty (false), to be replaced by the next save().
    bool load();
    /// Writes the file atomically; false (the old file untouched) when it
    /// could not, with errno in error().
    bool save();
    int error() const { return m_error; }

    /// Folders ending with "/", newest first, at most kMaxFolders.
    const QStringList &folders() const { return m_folders; }
    /// Puts `folder` first (once), dropping the oldest beyond kMaxFolders.
    void opened(const QString &folder);

private:
    QString m_program;
    QString m_path;
    QStringList m_folders;
    int m_error = 0;
};

} // namespace tv
