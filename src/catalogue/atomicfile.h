// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

/// @short Replaces a file whole or not at all.
///
/// The data goes to a hidden temporary beside the target (".tipvault-XXXXXX" in
/// the target's folder, so that the rename stays on one file system). Every
/// write is checked; commit() syncs the data to disk, renames the temporary over
/// the target and syncs the folder, so that even after a power cut the name
/// holds either the old or the new content. On any failure the target stays
/// byte for byte as it was, the temporary is removed and error() holds errno.
/// A replaced file keeps its permission bits; a symbolic link is followed and
/// the file it names is replaced.
///
///     AtomicFile file(path);
///     if (!file.open() || !file.write(bytes) || !file.commit())
///         throw WriteError(path);
///
/// With Fallback::InPlace an existing file is overwritten in place when no
/// file can be made beside it (a folder the user may not write). That cannot be
/// atomic; it still checks every write and, when one fails, puts the old bytes
/// back as far as the file system lets it.
namespace tv {

class AtomicFile
{
public:
    enum class Fallback { None, InPlace };

    explicit AtomicFile(const QString &path, Fallback fallback = Fallback::None);
    /// An uncommitted file is cancelled.
    ~AtomicFile();
    AtomicFile(const AtomicFile &) = delete;
    AtomicFile &operator=(const AtomicFile &) = delete;

    bool open();
    bool write(const QByteArray &data);
    /// Makes the written data the file's content; false when it could not.
    bool commit();
    /// Drops everything written; the target stays as it was.
    void cancel();

    /// errno of the first failure, 0 while nothing failed.
    int error() const { return m_error; }
    /// True when open() fell back to writing the target in place.
    bool inPlace() const { return m_inPlace; }

private:
    bool fail(int err);
    bool openInPlace();
    bool commitInPlace();
    void restoreInPlace();

    QByteArray m_target; // native path, links resolved
    QByteArray m_temp; // native path of the temporary; empty when none
    Fallback m_fallback;
    int m_fd = -1;
    int m_error = 0;
    bool m_inPlace = false;
    bool m_touched = false; // an in-place write began
    qint64 m_written = 0;
    QByteArray m_old; // the old content, for restoring an in-place write
    bool m_oldKnown = false;
};

} // namespace tv
