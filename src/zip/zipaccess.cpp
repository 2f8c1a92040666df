// SPDX-License-Identifier: GPL-3.0-or-later
#include "zipaccess.h"

#include "catalogue/seam.h"
#include "zip/centraldirectory.h"
#include "zip/datadescriptor.h"
#include "zip/enginerecords.h"
#include "zip/filereader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

#include <cstring>
#include <memory>

namespace tv {
namespace {

constexpr int kMaxTriedBytes = 60000;
constexpr qint64 kEndRecordSize = 22; // the smallest end of central directory record
constexpr quint32 kLocalHeader = 0x04034B50;
constexpr quint32 kCentralHeader = 0x02014B50;
constexpr quint32 kEndRecord = 0x06054B50;
constexpr quint16 kSizesFollow = 0x0008; // flag bit 3: a data descriptor follows the data
constexpr unsigned kHostUnknown = 0xFF; // local headers do not tell the host

/// What differs between the two engines: file, entry points, messages.
struct EngineKind
{
    const char *file;
    const char *execName;
    const char *versionName;
    int notFoundCode;
    const char *notFoundText;
    int noExecCode;
    const char *noExecText;
    int noVersionCode;
    const char *noVersionText;
    const char *loadedText;
    const char *fatalText;
};

const EngineKind kZipEngine { "libzipengine.so", "ZipEngineExec", "GetZipEngineVersion", 604,
    "zipengine not found", 602, "ZipEngineExec function not found in zipengine", 603,
    "GetZipEngineVersion function not found in zipengine", "ZIP engine loaded",
    "Fatal zipengine Error: abort exception" };

const EngineKind kUnzipEngine { "libunzipengine.so", "UnzipEngineExec", "GetUnzipEngineVersion", 704,
    "unzipengine not found", 702, "UnzipEngineExec function not found in unzipengine", 703,
    "GetUnzipEngineVersion function not found in unzipengine", "UNZIP engine loaded",
    "Fatal unzipengine Error: abort exception" };

/// Per process, shared by every instance: a loaded library and its entry point.
struct LoadedEngine
{
    void *handle = nullptr;
    void *exec = nullptr;
    int users = 0; // operations running with it, more than one when a callback starts another
    bool kept = false; // stays loaded between operations while its file is unchanged
    QString path;
    FileStamp stamp;
};

LoadedEngine g_zipEngine;
LoadedEngine g_unzipEngine;

// A few recent archives: the modules being read and the example archives taken from them.
constexpr qsizetype kKeptListings = 4;

quint32 littleEndian32(const char *bytes)
{
    return qFromLittleEndian<quint32>(bytes);
}

std::int32_t flag(bool on)
{
    return on ? kEngineTrue : kEngineFalse;
}

/// Sets a busy flag for its lifetime.
class BusyFlag
{
public:
    explicit BusyFlag(bool &flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~BusyFlag() { m_flag = false; }
    BusyFlag(const BusyFlag &) = delete;
    BusyFlag &operator=(const BusyFlag &) = delete;

private:
    bool &m_flag;
};

/// Copies of the record's texts, alive for the engine call; the caller's
/// FSpecArgs may change under a callback without harm.
struct RecordTexts
{
    QByteArray archive;
    QByteArray password;
    QList<QByteArray> specs;

    template <typename Params> void fill(Params &params) const
    {
        params.archive = archive.constData();
        params.password = password.constData();
        params.specCount = static_cast<std::int32_t>(specs.size());
        for (qsizetype i = 0; i < specs.size(); ++i)
            params.specs[i] = specs[i].constData();
    }
};

/// The record's text, decoded from the engines' UTF-8; with `cut`, as an engine message is handed on: the
/// last and then the second-to-last character become NUL when they are CR or LF, and the text ends at its
/// first NUL. "Disk full\r\n" reads "Disk full"; "a\nb" reads "a"; a lone "\n" stays.
QString recordText(const char *text, std::size_t capacity, bool cut)
{
    QByteArray bytes(text, static_cast<qsizetype>(strnlen(text, capacity)));
    const auto isLineEnd = [](char c) { return c == '\r' || c == '\n'; };
    if (cut && bytes.size() >= 2) {
        if (isLineEnd(bytes[bytes.size() - 1]))
            bytes[bytes.size() - 1] = '\0';
        if (isLineEnd(bytes[bytes.size() - 2]))
            bytes[bytes.size() - 2] = '\0';
    }
    const qsizetype end = bytes.indexOf('\0');
    return QString::fromUtf8(end < 0 ? bytes : bytes.left(end));
}

/// Calls an exec entry point; false when it is missing or the call threw.
template <typename Function, typename Params> bool callExec(void *exec, Params *params, qint32 &result)
{
    if (!exec)
        return false;
    try {
        result = reinterpret_cast<Function>(exec)(params);
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

/// One use of an engine library for one operation: loads it unless the process
/// has it already, and frees it at the end if this use loaded it. Loading costs
/// as much as a small extraction, so a library that loaded without a word (no
/// trace, both entry points there) from a file found at a path is kept for the
/// next operation; that one uses it while the same file lies at the same path,
/// and loads afresh otherwise, so that it finds what the old way finds and
/// says what the old way says.
class TZipAccess::Engine
{
public:
    Engine(TZipAccess &owner, const EngineKind &kind, LoadedEngine &slot)
        : m_kind(kind)
        , m_slot(slot)
    {
        const QString path = libraryPath(owner.m_engineDirectory);
        if (m_slot.kept && m_slot.users == 0 && (owner.m_trace || !isSameFile(path)))
            release();
        if (!m_slot.handle)
            m_loadedHere = load(owner, path);
        if (m_slot.handle)
            ++m_slot.users;
    }
    ~Engine()
    {
        if (m_slot.handle)
            --m_slot.users;
        if (m_loadedHere && !m_keep)
            release();
        else if (m_loadedHere)
            m_slot.kept = true;
    }
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    bool available() const { return m_slot.handle != nullptr; }
    void *exec() const { return m_slot.exec; }
    const EngineKind &kind() const { return m_kind; }

private:
    /// True when `path` names the file the kept library came from, unchanged.
    bool isSameFile(const QString &path) const
    {
        FileStamp now;
        return path == m_slot.path && FileStamp::ofPath(QFile::encodeName(path).constData(), &now) && now == m_slot.stamp;
    }

    void release()
    {
        dlclose(m_slot.handle);
        m_slot = LoadedEngine();
    }

    /// Loads the library at `path`; true when it could be loaded.
    bool load(TZipAccess &owner, const QString &path)
    {
        // Stamped before loading: a file replaced meanwhile shows as changed next time.
        const bool stamped = QFileInfo(path).isAbsolute() && FileStamp::ofPath(QFile::encodeName(path).constData(), &m_slot.stamp);
        void *handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            owner.ReportMessage(m_kind.notFoundCode, QString::fromLatin1(m_kind.notFoundText));
            m_slot = LoadedEngine();
            return false;
        }
        m_slot.handle = handle;
        m_slot.path = path;
        if (owner.m_trace)
            owner.ReportMessage(0, QString::fromLatin1(m_kind.loadedText));
        m_slot.exec = dlsym(handle, m_kind.execName);
        if (!m_slot.exec)
            owner.ReportMessage(m_kind.noExecCode, QString::fromLatin1(m_kind.noExecText));
        const bool hasVersion = dlsym(handle, m_kind.versionName) != nullptr;
        if (!hasVersion)
            owner.ReportMessage(m_kind.noVersionCode, QString::fromLatin1(m_kind.noVersionText));
        m_keep = stamped && !owner.m_trace && m_slot.exec && hasVersion;
        return true;
    }

    // The engine directory when the library is there; else beside the
    // executable, as Windows looks in the application's directory first; else
    // the bare name for the system's library search.
    QString libraryPath(const QString &engineDirectory) const
    {
        const QString file = QString::fromLatin1(m_kind.file);
        if (!engineDirectory.isEmpty() && QFileInfo(engineDirectory + u'/' + file).isFile())
            return engineDirectory + u'/' + file;
        if (QCoreApplication::instance()) {
            const QString beside = QCoreApplication::applicationDirPath() + u'/' + file;
            if (QFileInfo(beside).isFile())
                return beside;
        }
        return file;
    }

    const EngineKind &m_kind;
    LoadedEngine &m_slot;
    bool m_loadedHere = false; // this use loaded the library
    bool m_keep = false; // and may keep it loaded for the next one
};

TZipAccess::TZipAccess(Seam &seam, quintptr windowHandle)
    : m_seam(seam)
    , m_windowHandle(windowHandle)
{
}

TZipAccess::~TZipAccess() = default;

void TZipAccess::setZipFilename(const QString &name)
{
    m_zipFilename = name;
    List();
}

void TZipAccess::setEngineDirectory(const QString &dir)
{
    if (dir == m_engineDirectory)
        return;
    m_engineDirectory = dir.endsWith(u'/') ? dir.chopped(1) : dir;
}

int TZipAccess::EntryCount() const
{
    return m_zipFilename.isEmpty() ? 0 : static_cast<int>(m_dirEntries.size());
}

void TZipAccess::ReportMessage(int code, const QString &text)
{
    if (m_onMessage)
        m_onMessage(*this, code, text);
    if (!m_unattended)
        m_seam.message({ MessageKind::None, QCoreApplication::applicationName(), text, Ok });
}

bool TZipAccess::archiveExists() const
{
    return !m_zipFilename.isEmpty() && QFileInfo(m_zipFilename).isFile();
}

// ---------------------------------------------------------------- listing

void TZipAccess::List()
{
    m_dirEntries.clear();
    if (!archiveExists() || reuseListing()) {
        fireDirUpdate();
        return;
    }
    const qint64 clockBeforeOpen = FileStamp::clockNs();
    FileReader in(m_zipFilename); // an open error reaches the caller without OnDirUpdate
    try {
        walkArchive(in);
    } catch (...) {
        in.close();
        fireDirUpdate();
        throw;
    }
    keepListing(in, clockBeforeOpen);
    in.close();
    fireDirUpdate();
}

bool TZipAccess::reuseListing()
{
    FileStamp now;
    if (!FileStamp::ofPath(QFile::encodeName(m_zipFilename).constData(), &now))
        return false;
    for (qsizetype i = 0; i < m_keptListings.size(); ++i) {
        if (m_keptListings[i].name == m_zipFilename && m_keptListings[i].stamp == now) {
            m_keptListings.move(i, 0);
            m_dirEntries = m_keptListings.first().entries;
            return true;
        }
    }
    return false;
}

/// Keeps a listing that reported nothing (a message comes only while no entry
/// is listed) of a file that did not change while it was walked, and whose
/// stamp no later change can leave as it is.
void TZipAccess::keepListing(const FileReader &in, qint64 clockBeforeOpen)
{
    FileStamp after;
    if (m_dirEntries.isEmpty() || !in.currentStamp(&after) || !(after == in.stamp())
        || !after.isSettled(clockBeforeOpen))
        return;
    m_keptListings.removeIf([this](const KeptListing &kept) { return kept.name == m_zipFilename; });
    m_keptListings.prepend({ m_zipFilename, after, m_dirEntries });
    if (m_keptListings.size() > kKeptListings)
        m_keptListings.removeLast();
}

void TZipAccess::fireDirUpdate()
{
    if (m_onDirUpdate)
        m_onDirUpdate(*this);
}

/// An archive is listed from its central directory. Only where that is
/// missing or damaged are the local headers walked: the walk alternates between searching byte by byte for a first acceptable
/// local header and stepping from header to header by the sizes they state.
/// Example: "MZ...stub...PK\3\4<header a>PK\3\4<header b>PK\1\2..." skips the
/// stub while searching, then lists a and b and stops at the central directory.
void TZipAccess::walkArchive(FileReader &in)
{
    if (std::optional<QList<ZipDirEntry>> listed = CentralDirectory::read(in)) {
        m_dirEntries = std::move(*listed);
        return;
    }
    int tried = 0; // counts over the whole listing, so the search is bounded
    for (;;) {
        if (!findSignature(in, tried))
            return;
        if (!readLocalHeader(in))
            continue; // a bad first header: search on from here
        for (;;) {
            char word[4];
            if (in.read(word, 4) < 4)
                throw ZipStreamError(QStringLiteral("Error reading Zip File"));
            const quint32 signature = littleEndian32(word);
            if (signature == kCentralHeader || signature == kEndRecord)
                return;
            if (signature == kLocalHeader && !readLocalHeader(in))
                break;
        }
    }
}

/// Finds the next "PK\3\4". A byte that breaks the sequence is not tried again
/// as its start, so in "PPK\3\4" the second P is spent on the K and missed.
bool TZipAccess::findSignature(FileReader &in, int &tried)
{
    for (;;) {
        int b = in.getByte();
        if (b < 0) {
            ReportMessage(1036, QStringLiteral("No valid zip entries found 1"));
            return false;
        }
        if (++tried > kMaxTriedBytes) {
            ReportMessage(1036, QStringLiteral("No valid zip entries found 2"));
            return false;
        }
        if (b != 'P')
            continue;
        static const char kRest[3] = { 'K', 3, 4 };
        static const char *const kEndTexts[3] = { "No valid zip entries found 3",
            "No valid zip entries found 4", "No valid zip entries found 5" };
        int matched = 0;
        for (; matched < 3; ++matched) {
            b = in.getByte();
            if (b < 0) {
                ReportMessage(1036, QString::fromLatin1(kEndTexts[matched]));
                return false;
            }
            if (b != kRest[matched])
                break;
        }
        if (matched == 3)
            return true;
    }
}

/// Reads the header after its signature. A header that is short or reaches
/// into the last 22 bytes is dropped while nothing is listed yet (false: the
/// search goes on) and is an error afterwards. Sizes count as unsigned, so a
/// huge size can never make the walk step backwards. Sizes that follow the
/// data in a data descriptor, or stand in a zip64 field, are taken from there.
bool TZipAccess::readLocalHeader(FileReader &in)
{
    ZipDirEntry entry;
    if (in.read(entry.header.data(), 26) < 26)
        return dropOrThrow("Error 2 reading Zip file");
    QByteArray name(entry.fileNameLength(), Qt::Uninitialized);
    if (in.read(name.data(), name.size()) < name.size())
        return dropOrThrow("Error 2 reading Zip file");

    const qint64 afterName = in.pos();
    const qint64 extra = entry.extraFieldLength();
    QByteArray extraField(extra, Qt::Uninitialized);
    extraField.truncate(in.readAt(afterName, extraField.data(), extra));
    const quint32 csize = qFromLittleEndian<quint32>(entry.header.data() + 14);
    const quint32 usize = qFromLittleEndian<quint32>(entry.header.data() + 18);
    const Zip64Sizes sizes = zip64Sizes(extraField, { usize, csize, 0 });
    entry.compressed = sizes.compressed;
    entry.uncompressed = sizes.uncompressed;
    setEntryNames(entry, name, kHostUnknown, extraField);
    qint64 skipped = 0; // a data descriptor after the data
    if ((entry.flags() & kSizesFollow) && entry.compressed == 0)
        skipped = takeDescriptor(in, entry, afterName + extra, hasZip64Field(extraField));

    const qint64 data = entry.compressedSize();
    if (data > in.size() || afterName + extra + data + skipped > in.size() - kEndRecordSize)
        return dropOrThrow("Error 3 reading Zip file");
    if (extra != 0 && in.skip(extra) != afterName + extra)
        throw ZipStreamError(QStringLiteral("Error 4 reading Zip file"));
    if (in.skip(data + skipped) != afterName + extra + data + skipped)
        throw ZipStreamError(QStringLiteral("Error 5 reading Zip file"));
    m_dirEntries.append(std::move(entry));
    return true;
}

/// Takes sizes and CRC-32 from the descriptor after the data at `dataStart`;
/// returns the descriptor's length. Without one the sizes stay 0 and the walk
/// steps through the data looking for the next signature.
qint64 TZipAccess::takeDescriptor(const FileReader &in, ZipDirEntry &entry, qint64 dataStart, bool zip64)
{
    const std::optional<DataDescriptor> found = DataDescriptor::find(in, dataStart, zip64);
    if (!found)
        return 0;
    entry.compressed = found->compressed;
    entry.uncompressed = found->uncompressed;
    entry.setU32(10, found->crc32);
    entry.setU32(14, quint32(std::min<qint64>(found->compressed, 0xFFFFFFFF)));
    entry.setU32(18, quint32(std::min<qint64>(found->uncompressed, 0xFFFFFFFF)));
    return found->end - dataStart - found->compressed;
}

bool TZipAccess::dropOrThrow(const char *error) const
{
    if (m_dirEntries.isEmpty())
        return false;
    throw ZipStreamError(QString::fromLatin1(error));
}

// ---------------------------------------------------------------- engines

bool TZipAccess::specsFitRecord()
{
    if (m_fSpecArgs.size() <= kEngineSpecCapacity)
        return true;
    ReportMessage(103, QStringLiteral("Error - too many file specs (at most %1)").arg(kEngineSpecCapacity));
    return false;
}

void TZipAccess::Extract()
{
    m_processedCount = 0;
    if (!archiveExists()) {
        ReportMessage(102, QStringLiteral("Error - no zip file specified"));
        return;
    }
    if (m_unzipBusy || !specsFitRecord())
        return;
    BusyFlag busy(m_unzipBusy);
    // The engine writes into the current directory: a target that cannot be
    // made current must stop it, or the files would land wherever that is.
    if (!m_extrBaseDir.isEmpty() && !QDir::setCurrent(m_extrBaseDir)) {
        ReportMessage(104, QStringLiteral("Error - cannot enter extraction directory %1").arg(m_extrBaseDir));
        return;
    }
    Engine engine(*this, kUnzipEngine, g_unzipEngine);
    if (!engine.available())
        return;
    callUnzipEngine(engine);
}

void TZipAccess::Delete()
{
    m_processedCount = 0;
    if (m_fSpecArgs.isEmpty()) {
        ReportMessage(401, QStringLiteral("Error - no files selected for deletion"));
        return;
    }
    if (!archiveExists()) {
        ReportMessage(102, QStringLiteral("Error - no zip file specified"));
        return;
    }
    if (m_zipBusy || !specsFitRecord())
        return;
    {
        BusyFlag busy(m_zipBusy);
        Engine engine(*this, kZipEngine, g_zipEngine);
        if (!engine.available())
            return;
        callZipEngine(engine);
    }
    if (m_processedCount > 0)
        List();
}

void TZipAccess::callUnzipEngine(Engine &engine)
{
    const RecordTexts texts { QFile::encodeName(m_zipFilename), m_password, m_fSpecArgs };
    auto params = std::make_unique<UnzipEngineParams>();
    params->window = m_unattended ? nullptr : reinterpret_cast<void *>(m_windowHandle);
    params->caller = this;
    params->version = kEngineVersion;
    params->callback = &TZipAccess::EngineCallback;
    params->trace = flag(m_trace);
    params->test = flag(m_extrOptions & ExtrTest);
    params->fixed40 = kEngineTrue;
    params->verbose = flag(m_verbose || m_trace);
    params->update = flag(m_extrOptions & ExtrUpdate);
    params->freshen = flag((m_extrOptions & ExtrFreshen) && !(m_extrOptions & ExtrUpdate));
    params->directoryNames = flag(m_extrOptions & ExtrDirNames);
    params->overwrite = flag(m_extrOptions & ExtrOverWrite);
    params->marker = kEngineMarker;
    texts.fill(*params);
    if (!callExec<UnzipEngineExecFunction>(engine.exec(), params.get(), m_processedCount)) {
        m_processedCount = 0;
        ReportMessage(101, QString::fromLatin1(engine.kind().fatalText));
    }
    m_fSpecArgs.clear();
}

void TZipAccess::callZipEngine(Engine &engine)
{
    const RecordTexts texts { QFile::encodeName(m_zipFilename), m_password, m_fSpecArgs };
    auto params = std::make_unique<ZipEngineParams>();
    params->window = m_unattended ? nullptr : reinterpret_cast<void *>(m_windowHandle);
    params->caller = this;
    params->version = kEngineVersion;
    params->callback = &TZipAccess::EngineCallback;
    params->trace = flag(m_trace);
    params->hiddenFiles = flag(m_addOptions & AddHiddenFiles);
    params->fixed44 = kEngineTrue;
    params->verbose = flag(m_verbose || m_trace);
    params->fixed56 = kEngineTrue;
    params->compressionLevel = m_addCompLevel;
    params->forceDos = flag(m_addOptions & AddForceDOS);
    params->zipTime = flag(m_addOptions & AddZipTime);
    params->marker = kEngineMarker;
    // Adding is never asked for: the adding flags stay 0 and the delete flag is set.
    params->deleteFlag = kEngineTrue;
    texts.fill(*params);
    if (!callExec<ZipEngineExecFunction>(engine.exec(), params.get(), m_processedCount)) {
        m_processedCount = 0;
        ReportMessage(101, QString::fromLatin1(engine.kind().fatalText));
    }
    m_fSpecArgs.clear();
}

std::int32_t TZipAccess::EngineCallback(EngineCallbackRecord *record)
{
    static_cast<TZipAccess *>(record->caller)->onEngineRecord(*record);
    return 0;
}

void TZipAccess::onEngineRecord(const EngineCallbackRecord &record)
{
    switch (record.messageType) {
    case EngineNewFile:
        if (m_onProgress)
            m_onProgress(*this, ProgressType::NewFile, recordText(record.text, sizeof record.text, false),
                record.fileSize);
        return;
    case EngineProgress:
        if (m_onProgress)
            m_onProgress(*this, ProgressType::ProgressUpdate, QStringLiteral(" "), 0);
        return;
    case EngineEndOfBatch:
        if (m_onProgress)
            m_onProgress(*this, ProgressType::EndOfBatch, QStringLiteral(" "), 0);
        return;
    default:
        if (record.messageType >= EngineMessage && m_onMessage)
            m_onMessage(*this, record.errorCode, recordText(record.text, sizeof record.text, true));
    }
}

} // namespace tv
