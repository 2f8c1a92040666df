// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Free of Qt: the engine libraries stamp the archives they keep open too.
#include <cstdint>

struct stat;

namespace tv {

/// @short What tells one version of a file from another: where it lives, its
/// size and its modification and change times to the nanosecond.
///
/// A copy of a file's contents may be kept against its stamp only once the
/// stamp is settled: a change gets the change time of the kernel's coarse
/// clock tick then, so a change within the tick the stamp was taken in may
/// leave it as it was (same size, modification time put back).
///
///     std::int64_t clock = FileStamp::clockNs();  // before the stamp
///     FileStamp::ofPath(path, &stamp); read the file; stamp again, compare
///     keep the copy only if stamp.isSettled(clock)
struct FileStamp
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = -1; // -1: no file
    std::int64_t mtimeNs = 0;
    std::int64_t ctimeNs = 0;

    static FileStamp of(const struct stat &st);
    /// The stamp of the regular file at `path` (links followed); false when
    /// there is none or it cannot be had.
    static bool ofPath(const char *path, FileStamp *stamp);
    /// The clock the kernel takes file times from, in nanoseconds; 0 when it
    /// cannot be read (which settles no stamp).
    static std::int64_t clockNs();

    /// True when every change to the file after the stamp was taken must
    /// change it: `clockBeforeStamp` lies past the change time. Times in whole
    /// seconds suggest a file system that keeps them coarsely (down to two
    /// seconds), so they must lie further back.
    bool isSettled(std::int64_t clockBeforeStamp) const;

    /// The size and modification time alone, for stamps kept across runs: a
    /// folder on a removable disk gets another device number at each mount,
    /// and a copy gets new inodes and change times.
    FileStamp sizeAndTime() const;

    bool operator==(const FileStamp &) const = default;
};

} // namespace tv
