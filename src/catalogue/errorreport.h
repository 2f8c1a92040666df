// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace tv {
class Seam;
}

/// @short The general error report: an error that ends a command is shown to
/// the user, and the program goes on.
namespace tv {

/// The text shown for an error: a full stop is appended unless the last
/// character is "." or of lower code ("Datei nicht gefunden" -> "Datei nicht gefunden.",
/// "Fehler!" stays, "" stays).
QString errorReportText(const QString &message);

/// Shows an error in the box titled "Tipvault" with the error icon and "OK".
void reportError(Seam &seam, const QString &message);

/// Reports the exception being handled; call only from a catch block.
void reportCurrentException(Seam &seam);

/// Runs `handler`; an exception that leaves it is reported through `seam` and swallowed.
template <typename F> void guarded(Seam &seam, F &&handler)
{
    try {
        handler();
    } catch (...) {
        reportCurrentException(seam);
    }
}

} // namespace tv
