// SPDX-License-Identifier: GPL-3.0-or-later
#include "filestamp.h"

#include <sys/stat.h>

#include <ctime>

namespace tv {
namespace {
constexpr std::int64_t kNsPerSecond = 1000000000;
}

FileStamp FileStamp::of(const struct stat &st)
{
    FileStamp stamp;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtimeNs = std::int64_t(st.st_mtim.tv_sec) * kNsPerSecond + st.st_mtim.tv_nsec;
    stamp.ctimeNs = std::int64_t(st.st_ctim.tv_sec) * kNsPerSecond + st.st_ctim.tv_nsec;
    return stamp;
}

bool FileStamp::ofPath(const char *path, FileStamp *stamp)
{
    struct stat st;
    if (::stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    *stamp = of(st);
    return true;
}

std::int64_t FileStamp::clockNs()
{
    timespec now {};
    if (::clock_gettime(CLOCK_REALTIME_COARSE, &now) != 0)
        return 0;
    return std::int64_t(now.tv_sec) * kNsPerSecond + now.tv_nsec;
}

bool FileStamp::isSettled(std::int64_t clockBeforeStamp) const
{
    const bool wholeSeconds = ctimeNs % kNsPerSecond == 0 && mtimeNs % kNsPerSecond == 0;
    const std::int64_t margin = wholeSeconds ? 2 * kNsPerSecond : 0;
    return clockBeforeStamp > ctimeNs + margin;
}

FileStamp FileStamp::sizeAndTime() const
{
    FileStamp stamp;
    stamp.size = size;
    stamp.mtimeNs = mtimeNs;
    return stamp;
}

} // namespace tv
