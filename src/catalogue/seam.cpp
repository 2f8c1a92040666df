// SPDX-License-Identifier: GPL-3.0-or-later
#include "seam.h"

#include <stdexcept>

namespace tv {
namespace {
Seam *g_seam = nullptr;
}

Seam &seam()
{
    if (!g_seam)
        throw std::logic_error("no user seam installed");
    return *g_seam;
}

void setSeam(Seam *s)
{
    g_seam = s;
}

bool hasSeam()
{
    return g_seam != nullptr;
}

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

MessageButton showMessage(MessageKind kind, const QString &text, int buttons)
{
    return seam().message(MessageRequest { kind, titleFor(kind), text, buttons });
}

bool askYesNo(const QString &text)
{
    return showMessage(MessageKind::Confirmation, text, Yes | No) == Yes;
}

BusyCursor::BusyCursor()
{
    seam().setBusy(true);
}

BusyCursor::~BusyCursor()
{
    seam().setBusy(false);
}

} // namespace tv
