// SPDX-License-Identifier: GPL-3.0-or-later
// zipengine: removes the members of an archive that match the caller's specs.
// Nothing in the program adds to archives, so deletion is all it does.

#include "catalogue/posixio.h"
#include "engineport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

using namespace tv;
using namespace tv::engines;

namespace {

// An archive without members: only the end of central directory record.
constexpr unsigned char kEmptyArchive[22] = { 'P', 'K', 5, 6 };

constexpr std::size_t kChunk = 64 * 1024;

/// Reads the whole file into memory from malloc(), which libzip may take
/// over; null (with errno) when that fails.
void *readWhole(const char *path, std::size_t *size)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st;
    void *data = nullptr;
    if (::fstat(fd, &st) == 0 && (data = std::malloc(std::max<std::size_t>(st.st_size, 1)))) {
        const auto expected = static_cast<std::size_t>(st.st_size);
        std::size_t done = 0;
        const bool read = posix::readAll(fd, [&](const char *bytes, std::size_t n) {
            if (n > expected - done) {
                errno = EIO; // grew while we read it
                return false;
            }
            std::memcpy(static_cast<char *>(data) + done, bytes, n);
            done += n;
            return true;
        });
        if (!read || done != expected) {
            if (read)
                errno = EIO; // shortened while we read it
            std::free(data);
            data = nullptr;
        }
        *size = done;
    }
    const int error = errno;
    ::close(fd);
    errno = error;
    return data;
}

struct SourceFree
{
    void operator()(zip_source_t *source) const { zip_source_free(source); }
};
using ZipSource = std::unique_ptr<zip_source_t, SourceFree>;

/// The working copy of an archive, beside it as ".zipengine-XXXXXX": the
/// archive itself is only ever replaced by a rename of a synced copy, so a
/// full disk or a killed process leaves it as it was. The copy is removed
/// unless it was renamed into place.
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
        if (m_fd >= 0)
            ::close(m_fd);
        if (m_created)
            ::unlink(m_path.c_str());
    }
    WorkingCopy(const WorkingCopy &) = delete;
    WorkingCopy &operator=(const WorkingCopy &) = delete;

    /// Creates the copy, empty, for writing to fd(); false (with errno) when it cannot.
    bool open()
    {
        m_fd = ::mkostemp(m_path.data(), O_CLOEXEC);
        m_created = m_fd >= 0;
        return m_created;
    }
    int fd() const { return m_fd; }

    /// Syncs the copy and renames it over the archive, with the archive's
    /// permissions: the one flush the archive's new content needs. False
    /// (with errno) on any failure.
    bool replaceArchive()
    {
        struct stat original;
        if (::stat(m_archive.c_str(), &original) != 0 || ::fchmod(m_fd, original.st_mode & 07777) != 0
            || ::fsync(m_fd) != 0)
            return false;
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0 || ::rename(m_path.c_str(), m_archive.c_str()) != 0)
            return false;
        m_created = false;
        return true;
    }

private:
    std::string m_archive;
    std::string m_path;
    int m_fd = -1;
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

    // The members are removed in memory: libzip writing to a file seeks and
    // reads per member, which costs more than the data itself. The result goes
    // to a working copy, which is synced and then replaces the archive in one
    // rename.
    bool commit(const std::vector<zip_uint64_t> &matching, bool nothingLeft)
    {
        WorkingCopy copy(m_params.archive);
        if (!copy.open())
            return fail(std::strerror(errno));
        if (nothingLeft) {
            if (!posix::writeAll(copy.fd(), reinterpret_cast<const char *>(kEmptyArchive), sizeof kEmptyArchive))
                return fail(std::strerror(errno));
        } else if (!rewriteInto(matching, copy.fd())) {
            return false;
        }
        if (!copy.replaceArchive())
            return fail(std::strerror(errno));
        return true;
    }

    /// Writes the archive without the members at `matching` to `fd`.
    bool rewriteInto(const std::vector<zip_uint64_t> &matching, int fd)
    {
        std::size_t size = 0;
        void *data = readWhole(m_params.archive, &size);
        if (!data)
            return fail(std::strerror(errno));
        zip_error_t error;
        zip_error_init(&error);
        // The source owns the data from here on, and holds the new archive after zip_close().
        ZipSource source(zip_source_buffer_create(data, size, 1, &error));
        if (!source) {
            std::free(data);
            return failWith(&error);
        }
        ZipArchive archive(zip_open_from_source(source.get(), 0, &error));
        if (!archive)
            return failWith(&error);
        zip_source_keep(source.get());
        for (zip_uint64_t index : matching) {
            if (zip_delete(archive.get(), index) != 0)
                return fail(zip_strerror(archive.get()));
        }
        if (zip_close(archive.get()) != 0)
            return fail(zip_strerror(archive.get()));
        archive.release();
        return copySource(source.get(), fd);
    }

    /// Writes what `source` holds to `fd`.
    bool copySource(zip_source_t *source, int fd)
    {
        if (zip_source_open(source) != 0)
            return fail(zip_error_strerror(zip_source_error(source)));
        std::unique_ptr<char[]> buffer(new char[kChunk]);
        bool copied = false;
        std::string reason;
        for (;;) {
            const zip_int64_t n = zip_source_read(source, buffer.get(), kChunk);
            if (n < 0)
                reason = zip_error_strerror(zip_source_error(source));
            else if (n > 0 && !posix::writeAll(fd, buffer.get(), n))
                reason = std::strerror(errno);
            else if (n > 0)
                continue;
            copied = n == 0;
            break;
        }
        zip_source_close(source);
        return copied || fail(reason);
    }

    bool failWith(zip_error_t *error)
    {
        fail(zip_error_strerror(error));
        zip_error_fini(error);
        return false;
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
