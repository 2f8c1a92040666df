// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/errorreport.h"

#include <QApplication>

namespace tv {

/// The application: every exception that leaves an event handler is reported
/// through `seam`, and the program goes on. The seam must outlive it.
class TipvaultApplication : public QApplication
{
public:
    TipvaultApplication(int &argc, char **argv, Seam &seam);
    bool notify(QObject *receiver, QEvent *event) override;

private:
    Seam &m_seam;
};

} // namespace tv
