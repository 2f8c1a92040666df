// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Free of Qt: the engine libraries read whole files with it too.
#include <cstddef>
#include <cstdint>
#include <functional>

#include <sys/types.h>

/// Small checked POSIX file operations shared by the readers of whole files
/// and by the writers that must never leave a half file: the atomic writer
/// and the update's staged copies.
namespace tv::posix {

/// Reads `fd` to its end in blocks, retrying after signals, and hands each
/// block to `take`; false with errno set when a read fails or `take` returns
/// false (which sets errno itself).
bool readAll(int fd, const std::function<bool(const char *data, std::size_t size)> &take);

/// readAll() appending every block to `bytes` (a QByteArray or std::string).
template <typename Bytes> bool readAllInto(int fd, Bytes *bytes)
{
    return readAll(fd, [bytes](const char *data, std::size_t size) {
        bytes->append(data, static_cast<decltype(bytes->size())>(size));
        return true;
    });
}

/// Writes all `size` bytes, retrying after signals; false with errno set. A
/// write that takes nothing without a reason counts as EIO, so a caller never
/// loops forever.
bool writeAll(int fd, const char *data, std::int64_t size);

/// The mode a new file of this user gets (0666 less the umask).
mode_t newFileMode();

/// Syncs the folder holding a renamed file, so that the rename survives a power
/// cut in the order it was made. A folder that cannot be synced (some file
/// systems refuse) only leaves the rename to the kernel's schedule: not reported.
void syncFolder(const char *folder);

} // namespace tv::posix
