// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <sys/types.h>

/// Small checked POSIX file operations shared by the writers that must never
/// leave a half file: the atomic writer and the update's staged copies.
namespace tv::posix {

/// Writes all `size` bytes, retrying after signals; false with errno set. A
/// write that takes nothing without a reason counts as EIO, so a caller never
/// loops forever.
bool writeAll(int fd, const char *data, qint64 size);

/// The mode a new file of this user gets (0666 less the umask).
mode_t newFileMode();

/// Syncs the folder holding a renamed file, so that the rename survives a power
/// cut in the order it was made. A folder that cannot be synced (some file
/// systems refuse) only leaves the rename to the kernel's schedule: not reported.
void syncFolder(const char *folder);

} // namespace tv::posix
