// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <cstdio>

/// @short tipvault-cli's commands: the command line in, text or JSON out.
namespace tv::cli {

/// Runs the command line `arguments` (the program's name first) and returns
/// the exit code: 0 success, 1 failed or check found errors, 2 wrong usage.
/// Output goes to `out`, messages and the progress line to `err`.
int run(const QStringList &arguments, std::FILE *out = stdout, std::FILE *err = stderr);

} // namespace tv::cli
