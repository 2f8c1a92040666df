// SPDX-License-Identifier: GPL-3.0-or-later
#include "errors.h"

#include <cerrno>

namespace tv {

Error::Error(const QString &message)
    : std::runtime_error(message.toStdString())
    , m_message(message)
{
}

IoError::IoError(int code)
    : Error(messageFor(code))
    , m_code(code)
{
}

int IoError::codeFromErrno(int err)
{
    switch (err) {
    case ENOENT:
        return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
        return 3;
    case EMFILE:
    case ENFILE:
        return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case ELOOP:
    case EISDIR:
        return 5;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return 101;
    case EEXIST:
        return 183; // what Windows reports for a name that is taken
    default:
        return kSystemErrorBase + err;
    }
}

QString IoError::messageFor(int code)
{
    switch (code) {
    case 2:
        return QStringLiteral("Datei nicht gefunden");
    case 3:
        return QStringLiteral("Ungültiger Dateiname");
    case 4:
        return QStringLiteral("Zu viele geöffnete Dateien");
    case 5:
        return QStringLiteral("Dateizugriff verweigert");
    case 100:
        return QStringLiteral("Versuch hinter dem Dateiende zu lesen");
    case 101:
        return QStringLiteral("Zu wenig Speicherplatz");
    case 106:
        return QStringLiteral("Ungültige numerische Eingabe");
    default:
        return QStringLiteral("E/A-Fehler %1").arg(code);
    }
}

WriteError::WriteError(const QString &path, const QString &reason)
    : Error(reason.isEmpty() ? QStringLiteral("nach %1 kann nicht geschrieben werden").arg(path)
                             : QStringLiteral("nach %1 kann nicht geschrieben werden: %2").arg(path, reason))
{
}

} // namespace tv
