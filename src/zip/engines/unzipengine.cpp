// SPDX-License-Identifier: GPL-3.0-or-later
// unzipengine: extracts the members of an archive that match the caller's
// specs, flat, into the process's current directory.

#include "engineport.h"
#include "membernames.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

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
    /// Syncs and closes the file; false (with errno) when the data did not
    /// reach the disk, so that it never replaces a good file.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        const bool synced = ::fsync(fd) == 0;
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

class Extraction
{
public:
    explicit Extraction(const UnzipEngineParams &params)
        : m_params(params)
        , m_reporter(params.caller, params.callback)
        , m_specs(specList(params.specs, params.specCount))
        , m_literalSpecs(std::all_of(m_specs.begin(), m_specs.end(), isLiteralSpec))
    {
    }

    std::int32_t run()
    {
        ZipArchive archive = openArchive(m_params.archive, ZIP_RDONLY, m_reporter);
        if (!archive)
            return 0;
        if (m_params.password && *m_params.password)
            zip_set_default_password(archive.get(), m_params.password);
        std::int32_t count = 0;
        const zip_int64_t entries = zip_get_num_entries(archive.get(), 0);
        for (zip_int64_t i = 0; i < entries; ++i) {
            if (cannotMatch(archive.get(), static_cast<zip_uint64_t>(i)))
                continue;
            const std::string name = memberName(archive.get(), static_cast<zip_uint64_t>(i));
            if (matchesAnySpec(name, m_specs) && handle(archive.get(), static_cast<zip_uint64_t>(i), name))
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

    bool handle(zip_t *archive, zip_uint64_t index, const std::string &name)
    {
        const MemberKind kind = kindOf(archive, index);
        const std::string flat = flatName(name);
        if (kind == MemberKind::Directory || flat.empty())
            return false; // folders are never created: extraction is flat
        if (kind == MemberKind::Special) {
            m_reporter.message(EngineMemberSkipped, "Skipped " + name + ": not a plain file");
            return false;
        }
        if (!isWritableName(flat)) {
            m_reporter.message(EngineMemberSkipped, "Skipped " + name + ": no usable file name");
            return false;
        }
        zip_stat_t stat;
        zip_stat_init(&stat);
        zip_stat_index(archive, index, 0, &stat);
        if (!m_params.test && !isWanted(flat, stat))
            return false;
        m_reporter.newFile(name, stat.size);
        ZipFile file(zip_fopen_index(archive, index, 0));
        if (!file) {
            m_reporter.message(
                EngineMemberUnreadable, "Cannot extract " + name + ": " + zip_strerror(archive));
            return false;
        }
        return m_params.test ? testMember(file.get(), name) : writeMember(file.get(), name, flat, stat);
    }

    /// The rules of the overwrite, freshen and update flags for an existing file.
    bool isWanted(const std::string &flat, const zip_stat_t &stat) const
    {
        struct stat existing;
        const bool exists = ::lstat(flat.c_str(), &existing) == 0;
        const bool newer = !exists || ((stat.valid & ZIP_STAT_MTIME) && stat.mtime > existing.st_mtime);
        if (m_params.freshen)
            return exists && newer;
        if (m_params.update)
            return newer;
        return !exists || m_params.overwrite;
    }

    bool testMember(zip_file_t *file, const std::string &name)
    {
        std::unique_ptr<char[]> buffer(new char[kChunk]);
        zip_int64_t n;
        while ((n = zip_fread(file, buffer.get(), kChunk)) > 0)
            m_reporter.progress();
        if (n < 0)
            m_reporter.message(EngineMemberUnreadable, "Damaged " + name + ": " + zip_file_strerror(file));
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
            if (!writeAll(temp.fd(), buffer.get(), static_cast<std::size_t>(n)))
                return failWrite(flat);
            m_reporter.progress();
        }
        if (n < 0) {
            m_reporter.message(
                EngineMemberUnreadable, "Cannot extract " + name + ": " + zip_file_strerror(file));
            return false;
        }
        if (stat.valid & ZIP_STAT_MTIME) {
            const struct timespec times[2] = { { stat.mtime, 0 }, { stat.mtime, 0 } };
            ::futimens(temp.fd(), times);
        }
        if (!temp.close() || !temp.renameTo(flat))
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
