// SPDX-License-Identifier: GPL-3.0-or-later
#include "errorreport.h"

#include "errors.h"
#include "seam.h"

#include <exception>
#include <new>

namespace tv {

QString errorReportText(const QString &message)
{
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

void reportError(Seam &seam, const QString &message)
{
    seam.message(
        MessageRequest { MessageKind::Error, QStringLiteral("Tipvault"), errorReportText(message), Ok });
}

void reportCurrentException(Seam &seam)
{
    try {
        throw;
    } catch (const Error &e) {
        reportError(seam, e.message());
    } catch (const std::bad_alloc &) {
        reportError(seam, QStringLiteral("Zu wenig Arbeitsspeicher"));
    } catch (const std::exception &e) {
        reportError(seam, QString::fromUtf8(e.what()));
    } catch (...) {
        reportError(seam, QStringLiteral("Unbekannter Fehler"));
    }
}

} // namespace tv
