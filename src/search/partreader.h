// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "archives.h"
#include "catalogue/filestamp.h"
#include "catalogue/partkind.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

/// @short What the index holds of a part's file, read out of its module.
namespace tv::search {

/// A text as docs keeps it: UTF-8, compressed; "" stays empty.
QByteArray packedText(const QString &text);
/// The text of packedText(); "" for bytes that are no packed text.
QString unpackedText(const QByteArray &packed);

/// A part's text made ready for the index on the reading thread, so that the
/// writing thread only writes.
struct Body
{
    QByteArray packed; ///< packedText() of the text
    QByteArray folded; ///< the text folded as queries are, UTF-8
    bool failed = false; ///< the module or the file could not be read

    static Body of(const QString &text, bool failed);
};

/// The text of a part file's bytes: RTF or plain text, an archive's member
/// names and text members (archiveText()), an HTML page's visible text, a web link's address.
Body bodyOf(PartKind kind, const QByteArray &bytes);

/// Reads part files out of the modules in `dir`, keeping each module open.
class PartReader
{
public:
    /// `disk`: the modules present, by their ASCII-upper-cased names.
    PartReader(QString dir, const std::map<QByteArray, FileStamp> &disk);

    /// The text and folded text of one part; a part whose module is not
    /// installed has an empty text.
    Body read(PartKind kind, const QByteArray &modul, const QByteArray &file);
    /// Closes the modules (before a module is read again).
    void clear() { m_modules.clear(); }

private:
    QString m_dir;
    const std::map<QByteArray, FileStamp> &m_disk;
    std::map<QByteArray, ZipArchive> m_modules;
};

/// One part file to read.
struct ReadJob
{
    PartKind kind = PartKind::None;
    QByteArray modul;
    QByteArray file;
};

/// @short Reads the jobs' bodies on a thread of its own, a little ahead of
/// the one that writes them into the index; next() hands them out in order.
class ReadAhead
{
public:
    /// With `idle`, the thread reads at idle CPU and I/O priority.
    ReadAhead(PartReader &reader, QList<ReadJob> jobs, bool idle);
    ~ReadAhead();
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    /// The body of the next job. While it waits, `waiting` runs every tenth
    /// of a second; when that returns false, next() gives up with nullopt.
    std::optional<Body> next(const std::function<bool()> &waiting);

private:
    void run(bool idle);

    PartReader &m_reader;
    const QList<ReadJob> m_jobs;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Body> m_ready;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace tv::search
