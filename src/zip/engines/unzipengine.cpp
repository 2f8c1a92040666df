// SPDX-License-Identifier: GPL-3.0-or-later
// unzipengine: extracts the members of an archive that match the caller's
// specs, flat, into the process's current directory.

#include "catalogue/filestamp.h"
#include "catalogue/posixio.h"
#include "engineport.h"
#include "membernames.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <optional>
#include <set>
#include <cerrno>
#include <cstring>
#include <ctime>

using namespace tv;
using namespace tv::engines;

namespace {

constexpr std::size_t kChunk = 64 * 1024;

unsigned g_tempSerial = 0; // names temporary files apart within one process

struct ZipFileClose
{
    void operator()(zip_file_t *file) const { zip_fclose(file); }
};
using ZipFile = std::unique_ptr<zip_file_t, ZipFileClose>;

/// A temporary file beside the target; removed unless it was renamed into place.
class TempFile
{
public:
    /// Created with mode 0666 so that the umask applies as to any new file.
    TempFile()
    {
        for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
            const std::string name
                = ".unzipengine-" + std::to_string(::getpid()) + "-" + std::to_string(++g_tempSerial);
            m_fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (m_fd >= 0)
                m_path = name;
            else if (errno != EEXIST)
                return;
        }
    }
    ~TempFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        if (!m_path.empty())
            ::unlink(m_path.c_str());
    }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    int fd() const { return m_fd; }
    /// Closes the file, with `sync` after syncing it; false (with errno) when
    /// the data did not reach the disk, so that it never replaces a good file.
    bool close(bool sync)
    {
        const int fd = m_fd;
        m_fd = -1;
        const bool synced = !sync || ::fsync(fd) == 0;
        const int error = errno;
        if (::close(fd) != 0 || !synced) {
            if (!synced)
                errno = error;
            return false;
        }
        return true;
    }
    bool renameTo(const std::string &target)
    {
        if (::rename(m_path.c_str(), target.c_str()) != 0)
            return false;
        m_path.clear();
        return true;
    }

private:
    int m_fd = -1;
    std::string m_path;
};

enum class MemberKind { Regular, Directory, Special };

MemberKind kindOf(zip_t *archive, zip_uint64_t index)
{
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0)
        return MemberKind::Regular;
    if (system == ZIP_OPSYS_UNIX) {
        const mode_t type = (attributes >> 16) & S_IFMT;
        if (type == 0 || type == S_IFREG)
            return MemberKind::Regular;
        return type == S_IFDIR ? MemberKind::Directory : MemberKind::Special;
    }
    constexpr zip_uint32_t kDosDirectory = 0x10;
    return (attributes & kDosDirectory) ? MemberKind::Directory : MemberKind::Regular;
}

/// Opening reads every member's central record, which for a module of
/// thousands of members costs more than extracting one of them. While the
/// library stays loaded, the last such module stays open for the next call,
/// which takes it when the same file lies unchanged at the same path. Other
/// archives (update archives on a stick, example archives) and small modules
/// are opened for each call and hold no file open.
constexpr zip_int64_t kKeptArchiveMembers = 1000;

bool isModule(const std::string &path)
{
    return path.size() >= 4
        && equalsIgnoringAsciiCase(std::string_view(path).substr(path.size() - 4), ".tvm");
}

struct KeptArchive
{
    std::string path;
    FileStamp version;
    ZipArchive archive;
};

KeptArchive g_keptArchive;
int g_runningCalls = 0; // a callback may start another extraction, which must leave the kept archive alone

/// Counts a running call for its lifetime.
class RunningCall
{
public:
    RunningCall() { ++g_runningCalls; }
    ~RunningCall() { --g_runningCalls; }
    RunningCall(const RunningCall &) = delete;
    RunningCall &operator=(const RunningCall &) = delete;
    bool isNested() const { return g_runningCalls > 1; }
};

/// The archive at `path`: the kept one when it is still that file, else opened
/// afresh (into `opened` unless it is kept). Null when it cannot be opened. A
/// kept module whose file has changed or gone is let go at once, so that the
/// old file is not held open.
zip_t *archiveFor(const char *path, ZipArchive &opened, const EngineReporter &reporter, bool nested)
{
    if (nested) {
        opened = openArchive(path, ZIP_RDONLY, reporter);
        return opened.get();
    }
    const std::int64_t clock = FileStamp::clockNs();
    if (g_keptArchive.archive) {
        FileStamp now;
        if (!FileStamp::ofPath(g_keptArchive.path.c_str(), &now) || !(now == g_keptArchive.version))
            g_keptArchive = KeptArchive();
        else if (g_keptArchive.path == path)
            return g_keptArchive.archive.get();
    }
    FileStamp version;
    const bool stamped = FileStamp::ofPath(path, &version);
    opened = openArchive(path, ZIP_RDONLY, reporter);
    if (!opened || !stamped || !isModule(path) || !version.isSettled(clock)
        || zip_get_num_entries(opened.get(), 0) < kKeptArchiveMembers)
        return opened.get();
    g_keptArchive = KeptArchive { path, version, std::move(opened) };
    return g_keptArchive.archive.get();
}

class Extraction
{
public:
    explicit Extraction(const UnzipEngineParams &params)
        : m_params(params)
        , m_reporter(params.caller, params.callback)
        , m_specs(specList(params.specs, params.specCount))
        , m_literalSpecs(std::all_of(m_specs.begin(), m_specs.end(), isLiteralSpec))
        , m_hasPassword(params.password && *params.password)
    {
    }

    std::int32_t run()
    {
        const RunningCall call;
        ZipArchive opened;
        zip_t *archive = archiveFor(m_params.archive, opened, m_reporter, call.isNested());
        if (!archive)
            return 0;
        // A kept archive may carry the last call's password.
        zip_set_default_password(
            archive, m_params.password && *m_params.password ? m_params.password : nullptr);
        std::int32_t count = 0;
        const zip_int64_t entries = zip_get_num_entries(archive, 0);
        for (zip_int64_t i = 0; i < entries; ++i) {
            const auto index = static_cast<zip_uint64_t>(i);
            if (cannotMatch(archive, index))
                continue;
            if (const std::optional<std::string> name = wantedName(archive, index);
                name && handle(archive, index, *name))
                ++count;
        }
        m_reporter.endOfBatch();
        return count;
    }

private:
    /// A quick no for a module of thousands of members and one named file: a
    /// stored name of plain ASCII is its own UTF-8 form, and a spec without
    /// wildcards matches it only when both are equal ignoring ASCII case.
    /// Other names take the full decoding and matching.
    bool cannotMatch(zip_t *archive, zip_uint64_t index) const
    {
        if (!m_literalSpecs)
            return false;
        const char *raw = zip_get_name(archive, index, ZIP_FL_ENC_RAW);
        if (!raw || !isAscii(raw))
            return false;
        return std::none_of(m_specs.begin(), m_specs.end(),
            [raw](const std::string &spec) { return equalsIgnoringAsciiCase(raw, spec); });
    }

    /// The name to write member `index` under when a spec asks for it. A name
    /// read as CP850 also answers to its Windows-1252 reading, the program's
    /// own, and is then written so: a module made on Windows with names in
    /// the program's code page still yields the file under the name asked for.
    std::optional<std::string> wantedName(zip_t *archive, zip_uint64_t index) const
    {
        std::string name = memberName(archive, index);
        if (matchesAnySpec(name, m_specs))
            return name;
        const char *raw = zip_get_name(archive, index, ZIP_FL_ENC_RAW);
        if (!raw || isAscii(raw) || name != utf8FromCp850(raw))
            return std::nullopt;
        std::string windows = utf8FromCp1252(raw);
        if (matchesAnySpec(windows, m_specs))
            return windows;
        return std::nullopt;
    }

    bool handle(zip_t *archive, zip_uint64_t index, const std::string &name)
    {
        const MemberKind kind = kindOf(archive, index);
        const std::string flat = flatName(name);
        if (kind == MemberKind::Directory || flat.empty())
            return false; // folders are never created: extraction is flat
        zip_stat_t stat;
        zip_stat_init(&stat);
        zip_stat_index(archive, index, 0, &stat);
        m_reporter.newFile(name, stat.size);
        if (kind == MemberKind::Special) {
            m_reporter.message(EngineMemberSkipped, "Skipped " + name + ": not a plain file");
            return false;
        }
        if (!isWritableName(flat)) {
            m_reporter.message(EngineMemberSkipped, "Skipped " + name + ": no usable file name");
            return false;
        }
        if (m_taken.count(flat) != 0) {
            // Flat, a later member would silently replace an earlier one.
            m_reporter.message(EngineNameTaken, "Skipped " + name + ": " + flat + " was written already");
            return false;
        }
        if (!m_params.test && !isWanted(name, flat, stat))
            return false;
        if (!canUnpack(name, stat))
            return false;
        ZipFile file(zip_fopen_index(archive, index, 0));
        if (!file) {
            m_reporter.message(unreadableCode(zip_error_code_zip(zip_get_error(archive))),
                "Cannot extract " + name + ": " + zip_strerror(archive));
            return false;
        }
        const bool done
            = m_params.test ? testMember(file.get(), name) : writeMember(file.get(), name, flat, stat);
        if (done && !m_params.test)
            m_taken.insert(flat);
        return done;
    }

    /// False, and says why, when the library lacks the member's packing method
    /// or encryption.
    bool canUnpack(const std::string &name, const zip_stat_t &stat)
    {
        if ((stat.valid & ZIP_STAT_COMP_METHOD) && !zip_compression_method_supported(stat.comp_method, 0)) {
            m_reporter.message(EngineMethodUnsupported,
                "Cannot extract " + name + ": packing method " + std::to_string(stat.comp_method)
                    + " is not supported");
            return false;
        }
        if ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE
            && (!zip_encryption_method_supported(stat.encryption_method, 0) || !m_hasPassword)) {
            m_reporter.message(EngineMemberEncrypted, "Cannot extract " + name + ": encrypted");
            return false;
        }
        return true;
    }

    static EngineCode unreadableCode(int zipError)
    {
        switch (zipError) {
        case ZIP_ER_NOPASSWD:
        case ZIP_ER_WRONGPASSWD:
        case ZIP_ER_ENCRNOTSUPP:
            return EngineMemberEncrypted;
        case ZIP_ER_COMPNOTSUPP:
            return EngineMethodUnsupported;
        default:
            return EngineMemberUnreadable;
        }
    }

    /// The rules of the overwrite, freshen and update flags for an existing file.
    bool isWanted(const std::string &name, const std::string &flat, const zip_stat_t &stat) const
    {
        struct stat existing;
        const bool exists = ::lstat(flat.c_str(), &existing) == 0;
        const bool newer = !exists || ((stat.valid & ZIP_STAT_MTIME) && stat.mtime > existing.st_mtime);
        if (m_params.freshen)
            return exists && newer;
        if (m_params.update)
            return newer;
        if (exists && !m_params.overwrite)
            m_reporter.message(EngineMemberKept, "Kept " + flat + ": not replaced by " + name);
        return !exists || m_params.overwrite;
    }

    bool testMember(zip_file_t *file, const std::string &name)
    {
        std::unique_ptr<char[]> buffer(new char[kChunk]);
        zip_int64_t n;
        while ((n = zip_fread(file, buffer.get(), kChunk)) > 0)
            m_reporter.progress();
        if (n < 0)
            m_reporter.message(unreadableCode(zip_error_code_zip(zip_file_get_error(file))),
                "Damaged " + name + ": " + zip_file_strerror(file));
        return n == 0;
    }

    // Written beside the target and renamed over it: a failure leaves no
    // half-written file, and a symbolic link at the target is replaced, never
    // written through.
    bool writeMember(
        zip_file_t *file, const std::string &name, const std::string &flat, const zip_stat_t &stat)
    {
        TempFile temp;
        if (temp.fd() < 0)
            return failWrite(flat);
        std::unique_ptr<char[]> buffer(new char[kChunk]);
        zip_int64_t n;
        while ((n = zip_fread(file, buffer.get(), kChunk)) > 0) {
            if (!posix::writeAll(temp.fd(), buffer.get(), n))
                return failWrite(flat);
            m_reporter.progress();
        }
        if (n < 0) {
            m_reporter.message(unreadableCode(zip_error_code_zip(zip_file_get_error(file))),
                "Cannot extract " + name + ": " + zip_file_strerror(file));
            return false;
        }
        if (stat.valid & ZIP_STAT_MTIME) {
            const struct timespec times[2] = { { stat.mtime, 0 }, { stat.mtime, 0 } };
            ::futimens(temp.fd(), times);
        }
        // Only a file that replaces another must be on disk before the rename:
        // a new one has nothing to lose, and syncing each would cost more
        // than the extraction itself.
        struct stat existing;
        const bool replaces = ::lstat(flat.c_str(), &existing) == 0;
        if (!temp.close(replaces) || !temp.renameTo(flat))
            return failWrite(flat);
        return true;
    }

    bool failWrite(const std::string &flat)
    {
        m_reporter.message(EngineWriteFailed, "Cannot write " + flat + ": " + std::strerror(errno));
        return false;
    }

    const UnzipEngineParams &m_params;
    EngineReporter m_reporter;
    std::vector<std::string> m_specs;
    bool m_literalSpecs; // no spec holds a wildcard
    bool m_hasPassword;
    std::set<std::string> m_taken; // flat names written by this call
};

} // namespace

/// Extracts every member that matches one of the specs into the current
/// directory and returns how many files it wrote (with the test flag: how
/// many members read back without error). Folder parts of names are dropped;
/// the directory-names flag is not honoured, so nothing is ever written
/// outside the current directory.
TV_ENGINE_EXPORT std::int32_t UnzipEngineExec(UnzipEngineParams *params)
{
    if (!isValidRecord(params))
        return 0;
    return Extraction(*params).run();
}

TV_ENGINE_EXPORT std::int32_t GetUnzipEngineVersion()
{
    return kEngineVersion;
}
