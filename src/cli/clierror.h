// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/errors.h"

/// @short The exit codes of tipvault-cli and the error that carries one.
namespace tv::cli {

enum ExitCode : int {
    ExitOk = 0,
    /// What was asked failed, or check found an error.
    ExitFailed = 1,
    /// The command line itself was wrong.
    ExitUsage = 2,
};

/// A failure the command reports with its German text and ends with `code`.
class CliError : public Error
{
public:
    explicit CliError(const QString &message, ExitCode code = ExitFailed)
        : Error(message)
        , m_code(code)
    {
    }
    ExitCode code() const { return m_code; }

private:
    ExitCode m_code;
};

} // namespace tv::cli
