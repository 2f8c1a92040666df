// SPDX-License-Identifier: GPL-3.0-or-later
#include "singleinstance.h"

#include "app/mainwindow.h"
#include "catalogue/errorreport.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace tv {
namespace {

constexpr int kConnectMs = 1000;
// Opening a catalogue or a box the user must answer may take a while.
constexpr int kAnswerMs = 30000;
constexpr qint64 kMaxRequest = 64 * 1024;

/// `text` with everything but letters, digits, "." and "-" as "_": a file name part.
QString namePart(const QString &text)
{
    QString part = text;
    for (QChar &c : part) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'.' && c != u'-')
            c = u'_';
    }
    return part;
}

} // namespace

QString SingleInstance::socketName()
{
    if (!qEnvironmentVariableIsEmpty("TIPVAULT_NO_SINGLE_INSTANCE"))
        return QString();
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        return QString();
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = QString::number(::getuid());
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/tipvault-")
        + namePart(user) + u'-' + namePart(display) + QStringLiteral(".socket");
}

bool SingleInstance::handOver(const QString &name, const StartRequest &request, QString *answer)
{
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kConnectMs))
        return false;
    socket.write(request.toMessage() + '\n');
    if (!socket.waitForBytesWritten(kConnectMs))
        return false;
    answer->clear();
    while (!socket.canReadLine() && socket.waitForReadyRead(kAnswerMs)) { }
    if (socket.canReadLine())
        *answer = QString::fromUtf8(socket.readLine()).trimmed();
    return true;
}

SingleInstance::SingleInstance(const QString &name, TForm1 &form, Seam &seam)
    : QObject(&form)
    , m_form(form)
    , m_seam(seam)
    , m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(name); // no window answered on it: it is a left-over
    if (!m_server->listen(name))
        return; // this window stands alone; the next start opens a window of its own
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { take(socket); });
        }
    });
}

SingleInstance::~SingleInstance()
{
    m_server->close(); // removes the socket file
}

void SingleInstance::take(QLocalSocket *socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxRequest)
            socket->abort();
        return;
    }
    const std::optional<StartRequest> request = StartRequest::fromMessage(socket->readLine());
    if (!request) {
        socket->abort();
        return;
    }
    m_form.setStatusText(QString());
    guarded(m_seam, [&] { carryOut(m_form, *request, false); });
    m_form.setWindowState(m_form.windowState() & ~Qt::WindowMinimized);
    m_form.raise();
    m_form.activateWindow();
    socket->write(m_form.statusText().toUtf8().replace('\n', ' ') + '\n');
    socket->flush();
    socket->disconnectFromServer();
}

} // namespace tv
