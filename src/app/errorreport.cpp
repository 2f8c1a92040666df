// SPDX-License-Identifier: GPL-3.0-or-later
#include "errorreport.h"

namespace tv {

TipvaultApplication::TipvaultApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

bool TipvaultApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportCurrentException();
    }
    return false;
}

} // namespace tv
