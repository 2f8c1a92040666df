// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tv {

/// Names the system's zone file in TZ when TZ is unset, before anything reads
/// a time. Without TZ, glibc's mktime() checks /etc/localtime again at every
/// call, and libzip converts the time of every member of an archive it opens
/// with mktime(): opening a module of 10,000 members cost 10,000 stat() calls.
/// ":/etc/localtime" is the zone glibc uses when TZ is unset, so every time
/// reads the same; only a change of the system's zone while the program runs
/// is noticed at the next start instead. A TZ that is set stays as it is.
void pinLocalTimeZone();

} // namespace tv
