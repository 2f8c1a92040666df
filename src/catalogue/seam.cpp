// SPDX-License-Identifier: GPL-3.0-or-later
#include "seam.h"

namespace tv {

QString titleFor(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Error:
        return QStringLiteral("Fehler");
    case MessageKind::Information:
        return QStringLiteral("Information");
    case MessageKind::Confirmation:
        return QStringLiteral("Bestätigung");
    case MessageKind::Warning:
        return QStringLiteral("Warnung");
    case MessageKind::None:
        break;
    }
    return QString();
}

MessageButton showMessage(Seam &seam, MessageKind kind, const QString &text, int buttons)
{
    return seam.message(MessageRequest { kind, titleFor(kind), text, buttons });
}

bool askYesNo(Seam &seam, const QString &text)
{
    return showMessage(seam, MessageKind::Confirmation, text, Yes | No) == Yes;
}

BusyCursor::BusyCursor(Seam &seam)
    : m_seam(seam)
{
    m_seam.setBusy(true);
}

BusyCursor::~BusyCursor()
{
    m_seam.setBusy(false);
}

} // namespace tv
