// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <stdexcept>

/// @short Errors carry the exact text the user is shown.
///
/// The general error report shows message(); what() holds the same text in
/// UTF-8 for anything outside Qt.
namespace tv {

class Error : public std::runtime_error
{
public:
    explicit Error(const QString &message);
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

/// An I/O error by code: 2 "Datei nicht gefunden" ... any other "E/A-Fehler %d".
class IoError : public Error
{
public:
    explicit IoError(int code);
    int code() const { return m_code; }

    /// The program's error code for a POSIX errno (ENOENT -> 2, EACCES -> 5 ...).
    /// An errno without a code of its own becomes kSystemErrorBase + errno
    /// ("E/A-Fehler 10005" for EIO), so that it never reads as one of ours.
    static int codeFromErrno(int err);
    /// As Windows reports socket errors: 10000 + the Berkeley number.
    static constexpr int kSystemErrorBase = 10000;
    static QString messageFor(int code);

private:
    int m_code;
};

/// A settings or catalogue write that failed: "nach <path> kann nicht geschrieben werden",
/// with the reason after a colon when one is given.
class WriteError : public Error
{
public:
    explicit WriteError(const QString &path, const QString &reason = QString());
};

} // namespace tv
