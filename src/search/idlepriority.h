// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tv::search {

/// Puts the calling thread at idle CPU and I/O priority, so that building the
/// index never competes with the program's own work or the user's: on Linux
/// SCHED_IDLE, nice 19 and the idle I/O class, elsewhere the lowest priority
/// POSIX threads offer. Threads it starts inherit this. Best effort: a system
/// that refuses leaves the thread as it was.
void lowerThreadPriority();

} // namespace tv::search
