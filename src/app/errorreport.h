// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/errorreport.h"

#include <QApplication>

namespace tv {

/// The application: every exception that leaves an event handler is reported,
/// and the program goes on.
class TipvaultApplication : public QApplication
{
public:
    TipvaultApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace tv
