// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/startrequest.h"

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

/// @short One window per user and display: a second start hands its request
/// to the running window through a local socket and ends.
///
/// The socket lies in the user's runtime directory and is named after the
/// user and the display ("/run/user/1000/tipvault-anna-_0.socket" for
/// DISPLAY=:0). A request is one line of JSON (StartRequest::toMessage()); the
/// answer is one line, the running window's status bar text afterwards,
/// which the second start prints. Without a display variable, or with
/// TIPVAULT_NO_SINGLE_INSTANCE set (the tests), every start stands alone.
namespace tv {

class Seam;
class TForm1;

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    /// The socket for this user and display; "" when starts stand alone.
    static QString socketName();
    /// Hands `request` to the window listening on `name`; false when none
    /// does. `*answer` is its status bar text, "" when it did not answer in time.
    static bool handOver(const QString &name, const StartRequest &request, QString *answer);

    /// Listens on `name` for the window, replacing a socket left by a window
    /// that is gone. Requests are carried out in `form`, which is then raised.
    SingleInstance(const QString &name, TForm1 &form, Seam &seam);
    ~SingleInstance() override;

private:
    void take(QLocalSocket *socket);

    TForm1 &m_form;
    Seam &m_seam;
    QLocalServer *m_server = nullptr;
};

} // namespace tv
