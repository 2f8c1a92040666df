// SPDX-License-Identifier: GPL-3.0-or-later
// zipengine: removes the members of an archive that match the caller's specs.
// Nothing in the program adds to archives, so deletion is all it does.

#include "engineport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

using namespace tv;
using namespace tv::engines;

namespace {

// An archive without members: only the end of central directory record.
constexpr unsigned char kEmptyArchive[22] = { 'P', 'K', 5, 6 };

/// Syncs a file's data; false (with errno) when it did not reach the disk.
bool syncFile(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    const bool closed = ::close(fd) == 0;
    if (!synced)
        errno = error;
    return synced && closed;
}

/// The working copy of an archive, beside it as ".zipengine-XXXXXX": the
/// archive itself is only ever replaced by a rename of a synced copy, so a
/// full disk or a killed process leaves it as it was. The copy is removed
/// unless it was renamed into place; libzip's own temporary files while
/// rewriting it are named after it (".zipengine-XXXXXX.YYYYYY") and removed by
/// libzip on failure.
class WorkingCopy
{
public:
    explicit WorkingCopy(const std::string &archive)
        : m_archive(archive)
    {
        const std::size_t slash = archive.find_last_of('/');
        m_path = (slash == std::string::npos ? std::string() : archive.substr(0, slash + 1))
            + ".zipengine-XXXXXX";
    }
    ~WorkingCopy()
    {
        if (m_created)
            ::unlink(m_path.c_str());
    }
    WorkingCopy(const WorkingCopy &) = delete;
    WorkingCopy &operator=(const WorkingCopy &) = delete;

    const std::string &path() const { return m_path; }

    /// Copies the archive; with `empty`, writes an archive without members
    /// instead. False (with errno) on any failure.
    bool create(bool empty)
    {
        const int fd = ::mkostemp(m_path.data(), O_CLOEXEC);
        if (fd < 0)
            return false;
        m_created = true;
        bool ok = empty ? writeAll(fd, kEmptyArchive, sizeof kEmptyArchive) : copyArchive(fd);
        ok = ok && ::fsync(fd) == 0;
        const int error = errno;
        const bool closed = ::close(fd) == 0;
        if (!ok)
            errno = error;
        return ok && closed;
    }

    /// Syncs the copy (libzip rewrote it without syncing) and renames it over
    /// the archive, with the archive's permissions.
    bool replaceArchive()
    {
        struct stat original;
        if (::stat(m_archive.c_str(), &original) != 0
            || ::chmod(m_path.c_str(), original.st_mode & 07777) != 0)
            return false;
        if (!syncFile(m_path) || ::rename(m_path.c_str(), m_archive.c_str()) != 0)
            return false;
        m_created = false;
        return true;
    }

private:
    bool copyArchive(int out) const
    {
        const int in = ::open(m_archive.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0)
            return false;
        unsigned char buffer[64 * 1024];
        ssize_t n;
        bool ok = true;
        while (ok && (n = ::read(in, buffer, sizeof buffer)) != 0) {
            if (n < 0)
                ok = errno == EINTR;
            else
                ok = writeAll(out, buffer, static_cast<std::size_t>(n));
        }
        const int error = errno;
        ::close(in);
        errno = error;
        return ok;
    }

    std::string m_archive;
    std::string m_path;
    bool m_created = false;
};

class Deletion
{
public:
    explicit Deletion(const ZipEngineParams &params)
        : m_params(params)
        , m_reporter(params.caller, params.callback)
    {
    }

    std::int32_t run()
    {
        const std::int32_t count = deleteMatching();
        m_reporter.endOfBatch();
        return count;
    }

private:
    std::int32_t deleteMatching()
    {
        std::vector<zip_uint64_t> matching;
        zip_int64_t entries = 0;
        {
            ZipArchive archive = openArchive(m_params.archive, ZIP_RDONLY, m_reporter);
            if (!archive)
                return 0;
            const std::vector<std::string> specs = specList(m_params.specs, m_params.specCount);
            entries = zip_get_num_entries(archive.get(), 0);
            for (zip_int64_t i = 0; i < entries; ++i) {
                const auto index = static_cast<zip_uint64_t>(i);
                const std::string name = memberName(archive.get(), index);
                if (!matchesAnySpec(name, specs))
                    continue;
                zip_stat_t stat;
                zip_stat_init(&stat);
                zip_stat_index(archive.get(), index, 0, &stat);
                m_reporter.newFile(name, stat.size);
                matching.push_back(index);
            }
        }
        if (matching.empty())
            return 0;
        const auto count = static_cast<std::int32_t>(matching.size());
        return commit(matching, count == entries) ? count : 0;
    }

    // The members are removed from a synced working copy, which then replaces
    // the archive in one rename.
    bool commit(const std::vector<zip_uint64_t> &matching, bool nothingLeft)
    {
        WorkingCopy copy(m_params.archive);
        if (!copy.create(nothingLeft))
            return fail(std::strerror(errno));
        if (!nothingLeft) {
            // libzip removes an archive it closes without members; here
            // some are always left.
            ZipArchive archive = openArchive(copy.path().c_str(), 0, m_reporter);
            if (!archive)
                return false;
            for (zip_uint64_t index : matching) {
                if (zip_delete(archive.get(), index) != 0)
                    return fail(zip_strerror(archive.get()));
            }
            if (zip_close(archive.get()) != 0)
                return fail(zip_strerror(archive.get()));
            archive.release();
        }
        if (!copy.replaceArchive())
            return fail(std::strerror(errno));
        return true;
    }

    bool fail(const std::string &reason)
    {
        m_reporter.message(EngineArchiveUnwritable,
            std::string("Cannot write zip file ") + m_params.archive + ": " + reason);
        return false;
    }

    const ZipEngineParams &m_params;
    EngineReporter m_reporter;
};

} // namespace

/// With the delete flag set: removes every member that matches one of the
/// specs and returns how many; deleting them all leaves an empty archive.
TV_ENGINE_EXPORT std::int32_t ZipEngineExec(ZipEngineParams *params)
{
    if (!isValidRecord(params))
        return 0;
    if (params->deleteFlag == kEngineFalse) {
        EngineReporter(params->caller, params->callback)
            .message(EngineUnsupported, "zipengine only deletes members");
        return 0;
    }
    return Deletion(*params).run();
}

TV_ENGINE_EXPORT std::int32_t GetZipEngineVersion()
{
    return kEngineVersion;
}
