// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/entry.h"
#include "zip/zipaccess.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

/// @short Part files out of their Modules, and the members of archive parts,
/// through the program's ZIP component and engines.
///
/// Everything is extracted into a private scratch folder that goes with the
/// object, never into the program's shared Work directory, so a running
/// program's files are left alone. The component moves the current directory
/// on every extraction; it is put back afterwards, so relative paths given on
/// the command line keep their meaning.
namespace tv::cli {

class PartFiles
{
public:
    /// `engineDir` holds the engine libraries: the folder of the executable,
    /// which need not be the catalogue's folder.
    PartFiles(Seam &seam, const QString &engineDir);

    TZipAccess &zip() { return m_zip; }

    /// The path of the part's file, extracted from its Module. Throws CliError
    /// with the program's text when the Module is missing, and when the file
    /// is not in it or cannot name a file.
    QString fetch(const Part &part);
    QByteArray read(const Part &part);

    /// The members of the ZIP archive at `path`, in stored order.
    QList<ZipDirEntry> members(const QString &path);
    /// The bytes of the member stored as `name` (letter case ignored) or
    /// empty when there is none.
    QByteArray readMember(const QString &archive, const QByteArray &name);

    /// Every member of `archive` into `dir`, flat and never outside it. When a
    /// file of a member's name already lies in `dir`, nothing is extracted and
    /// CliError lists them, unless `force` allows replacing them. Returns the
    /// number of files written; throws CliError when an engine reported a failure.
    int extractAll(const QString &archive, const QString &dir, bool force);

private:
    int extract(const QString &archive, const QList<QByteArray> &specs, const QString &dir, bool overwrite,
        QStringList *failures);
    QString scratch();

    TZipAccess m_zip;
    QTemporaryDir m_scratch;
    int m_fetched = 0;
};

/// The name a member gets when extracted flat: "src/main.cpp" -> "main.cpp",
/// "" for a folder.
QByteArray flatMemberName(const QByteArray &stored);

} // namespace tv::cli
