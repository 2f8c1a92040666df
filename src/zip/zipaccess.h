// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/errors.h"
#include "zip/filereader.h"
#include "zip/zipdirentry.h"

#include <QByteArray>
#include <QFlags>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>

namespace tv {

class Seam;
struct EngineCallbackRecord;

/// A listing failure: "Error reading Zip File", "Error 2 reading Zip file" ...
/// "Error 5 reading Zip file", or the archive could not be opened.
class ZipStreamError : public Error
{
public:
    using Error::Error;
};

enum AddOptsEnum {
    AddDirNames = 1 << 0,
    AddRecurseDirs = 1 << 1,
    AddMove = 1 << 2,
    AddFreshen = 1 << 3,
    AddUpdate = 1 << 4,
    AddZipTime = 1 << 5,
    AddForceDOS = 1 << 6,
    AddHiddenFiles = 1 << 7,
    AddEncrypt = 1 << 8,
};
Q_DECLARE_FLAGS(AddOpts, AddOptsEnum)

enum ExtrOptsEnum {
    ExtrDirNames = 1 << 0,
    ExtrOverWrite = 1 << 1,
    ExtrFreshen = 1 << 2,
    ExtrUpdate = 1 << 3,
    ExtrTest = 1 << 4,
};
Q_DECLARE_FLAGS(ExtrOpts, ExtrOptsEnum)

/// The ProgrType of OnProgress, from the engines' message types 1, 2 and 3.
enum class ProgressType { NewFile = 0, ProgressUpdate = 1, EndOfBatch = 2 };

/// @short Lists ZIP archives itself; extracts and deletes members through the engines.
///
/// Every caller sets ZipFilename (which lists the archive at once), then fills
/// FSpecArgs and ExtrBaseDir, then calls Extract or Delete and reads the results
/// straight after. Extract and Delete load their engine library
/// (libunzipengine.so, libzipengine.so) for the call; a library found at a path
/// with both entry points stays loaded for the next call while that file is
/// unchanged, and is freed after its call when Trace is on.
/// Problems are reported by ReportMessage: the OnMessage event, then a box titled
/// with the application's name, through the seam it is given, unless Unattended. Listing faults after the
/// first entry are ZipStreamError exceptions.
///
/// Not thread-safe: the engine libraries are shared by all instances of the process.
class TZipAccess
{
public:
    // The published properties, events and operations: every public member.
    using NotifyEvent = std::function<void(TZipAccess &sender)>;
    using ProgressEvent = std::function<void(
        TZipAccess &sender, ProgressType type, const QString &fileName, qint64 fileSize)>;
    using MessageEvent = std::function<void(TZipAccess &sender, int errCode, const QString &message)>;

    /// `seam` shows the boxes of ReportMessage. `windowHandle` goes into the
    /// engine records unless Unattended; our engines never open windows, so 0 is fine.
    explicit TZipAccess(Seam &seam, quintptr windowHandle = 0);
    ~TZipAccess();
    TZipAccess(const TZipAccess &) = delete;
    TZipAccess &operator=(const TZipAccess &) = delete;

    bool Verbose() const { return m_verbose; }
    void setVerbose(bool on) { m_verbose = on; }
    bool Trace() const { return m_trace; }
    void setTrace(bool on) { m_trace = on; }
    qint32 AddCompLevel() const { return m_addCompLevel; }
    void setAddCompLevel(qint32 level) { m_addCompLevel = level; }
    AddOpts AddOptions() const { return m_addOptions; }
    void setAddOptions(AddOpts options) { m_addOptions = options; }
    ExtrOpts ExtrOptions() const { return m_extrOptions; }
    void setExtrOptions(ExtrOpts options) { m_extrOptions = options; }
    bool Unattended() const { return m_unattended; }
    void setUnattended(bool on) { m_unattended = on; }
    const QByteArray &Password() const { return m_password; }
    void setPassword(const QByteArray &password) { m_password = password; }
    const QString &ExtrBaseDir() const { return m_extrBaseDir; }
    void setExtrBaseDir(const QString &dir) { m_extrBaseDir = dir; }

    /// The file specs for Extract and Delete: stored member names in
    /// Windows-1252 bytes, or "*" / "*.*" for every member. Callers add to it
    /// directly; the list is emptied by every engine call.
    QList<QByteArray> &FSpecArgs() { return m_fSpecArgs; }
    void setFSpecArgs(const QList<QByteArray> &specs) { m_fSpecArgs = specs; }

    const QString &ZipFilename() const { return m_zipFilename; }
    /// Stores the name and lists the archive, even when the name is unchanged.
    /// Throws what List throws.
    void setZipFilename(const QString &name);

    /// The directory holding libzipengine.so and libunzipengine.so; empty means
    /// the Program directory, then the system's library search.
    const QString &EngineDirectory() const { return m_engineDirectory; }
    /// One trailing "/" is dropped: "/opt/tv/" is stored as "/opt/tv".
    void setEngineDirectory(const QString &dir);

    void setOnDirUpdate(NotifyEvent handler) { m_onDirUpdate = std::move(handler); }
    void setOnProgress(ProgressEvent handler) { m_onProgress = std::move(handler); }
    void setOnMessage(MessageEvent handler) { m_onMessage = std::move(handler); }
    /// The handlers as set, so that a caller can chain to them and put them
    /// back; OnProgress is kept though nothing here reads it: a published operation.
    const ProgressEvent &OnProgress() const { return m_onProgress; }
    const MessageEvent &OnMessage() const { return m_onMessage; }

    /// Lists ZipFilename from its central directory, or where that is missing
    /// or damaged from its local headers; see zipaccess.cpp for the walk.
    /// A listing of an archive whose file is unchanged since an earlier listing
    /// is taken from that one, without reading the archive again.
    void List();
    /// Has the UNZIP engine write the members matching FSpecArgs into
    /// ExtrBaseDir, which becomes (and stays) the current directory; empty
    /// means the current directory. A directory that cannot be made current
    /// (missing, not a folder, not enterable) is reported with code 104 and
    /// nothing is extracted.
    void Extract();
    /// Has the ZIP engine remove the members matching FSpecArgs; lists the
    /// archive again when something was removed.
    void Delete();

    /// Number of DirEntries; 0 while ZipFilename is empty.
    int EntryCount() const;
    const QList<ZipDirEntry> &DirEntries() const { return m_dirEntries; }
    /// The last engine call's result; 0 when no engine ran.
    qint32 ProcessedCount() const { return m_processedCount; }

    /// OnMessage, then (unless Unattended) a box titled with the application's name.
    void ReportMessage(int code, const QString &text);

private:
    class Engine;
    friend class Engine;

    /// One complete listing and the stamp of the file it came from.
    struct KeptListing
    {
        QString name;
        FileStamp stamp;
        QList<ZipDirEntry> entries;
    };

    bool archiveExists() const;
    bool reuseListing();
    void keepListing(const FileReader &in, qint64 clockBeforeOpen);
    void walkArchive(FileReader &in);
    bool findSignature(FileReader &in, int &tried);
    bool readLocalHeader(FileReader &in);
    static qint64 takeDescriptor(const FileReader &in, ZipDirEntry &entry, qint64 dataStart, bool zip64);
    bool dropOrThrow(const char *error) const;
    void fireDirUpdate();
    bool specsFitRecord();
    void callUnzipEngine(Engine &engine);
    void callZipEngine(Engine &engine);

    static std::int32_t EngineCallback(EngineCallbackRecord *record);
    void onEngineRecord(const EngineCallbackRecord &record);

    Seam &m_seam;
    quintptr m_windowHandle;
    bool m_verbose = false;
    bool m_trace = false;
    qint32 m_addCompLevel = 9;
    AddOpts m_addOptions;
    ExtrOpts m_extrOptions;
    bool m_unattended = false;
    QByteArray m_password;
    QString m_extrBaseDir;
    QList<QByteArray> m_fSpecArgs;
    QString m_zipFilename;
    QString m_engineDirectory;
    NotifyEvent m_onDirUpdate;
    ProgressEvent m_onProgress;
    MessageEvent m_onMessage;

    QList<ZipDirEntry> m_dirEntries;
    QList<KeptListing> m_keptListings; // the most recently used first
    qint32 m_processedCount = 0;
    bool m_zipBusy = false;
    bool m_unzipBusy = false;
};

} // namespace tv

Q_DECLARE_OPERATORS_FOR_FLAGS(tv::AddOpts)
Q_DECLARE_OPERATORS_FOR_FLAGS(tv::ExtrOpts)
