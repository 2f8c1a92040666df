// SPDX-License-Identifier: GPL-3.0-or-later
#include "application.h"

#include "app/accessiblewindows.h"

namespace tv {

TipvaultApplication::TipvaultApplication(int &argc, char **argv, Seam &seam)
    : QApplication(argc, argv)
    , m_seam(seam)
{
    installAccessibility();
}

bool TipvaultApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportCurrentException(m_seam);
    }
    return false;
}

} // namespace tv
