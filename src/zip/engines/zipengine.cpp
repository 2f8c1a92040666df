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

/// Replaces the archive by an empty one, written beside it and renamed into
/// place, because libzip would remove the file instead.
bool writeEmptyArchive(const std::string &path)
{
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    struct stat original;
    if (::stat(path.c_str(), &original) == 0)
        ::fchmod(fd, original.st_mode & 07777);
    const bool written = ::write(fd, kEmptyArchive, sizeof kEmptyArchive) == sizeof kEmptyArchive;
    const bool closed = ::close(fd) == 0;
    if (written && closed && ::rename(temp.c_str(), path.c_str()) == 0)
        return true;
    const int error = errno;
    ::unlink(temp.c_str());
    errno = error;
    return false;
}

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
        ZipArchive archive = openArchive(m_params.archive, 0, m_reporter);
        if (!archive)
            return 0;
        const std::vector<std::string> specs = specList(m_params.specs, m_params.specCount);
        const zip_int64_t entries = zip_get_num_entries(archive.get(), 0);
        std::int32_t count = 0;
        for (zip_int64_t i = 0; i < entries; ++i) {
            const auto index = static_cast<zip_uint64_t>(i);
            const std::string name = memberName(archive.get(), index);
            if (!matchesAnySpec(name, specs))
                continue;
            zip_stat_t stat;
            zip_stat_init(&stat);
            zip_stat_index(archive.get(), index, 0, &stat);
            m_reporter.newFile(name, stat.size);
            if (zip_delete(archive.get(), index) == 0)
                ++count;
        }
        if (count == 0)
            return 0;
        return commit(std::move(archive), count == entries) ? count : 0;
    }

    // libzip writes the new archive beside the old one and renames it, so a
    // failure leaves the archive as it was.
    bool commit(ZipArchive archive, bool nothingLeft)
    {
        if (nothingLeft) {
            archive.reset();
            if (writeEmptyArchive(m_params.archive))
                return true;
            return fail(std::strerror(errno));
        }
        if (zip_close(archive.get()) == 0) {
            archive.release();
            return true;
        }
        return fail(zip_strerror(archive.get()));
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
