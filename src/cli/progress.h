// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdio>

/// @short One line of progress on a terminal, nothing elsewhere.
///
/// Long work (integrate, pack, check) tells what it is at; on a terminal the
/// line is rewritten in place ("\r" and clear to the end) and removed when the
/// work ends, so that findings and messages never mix with it. When standard
/// error is no terminal (a pipe, a file, a test), nothing is written at all.
namespace tv::cli {

class Progress
{
public:
    /// Shows on `out` only when it is a terminal.
    explicit Progress(std::FILE *out = stderr);
    ~Progress();
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;

    /// Replaces the line with `text`, cut to 79 characters.
    void show(const QString &text);
    /// Removes the line, for example before a message is written.
    void clear();

private:
    std::FILE *m_out;
    bool m_shown;
    bool m_dirty = false;
};

} // namespace tv::cli
