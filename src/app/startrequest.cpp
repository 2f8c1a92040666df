// SPDX-License-Identifier: GPL-3.0-or-later
#include "startrequest.h"

#include "app/linkcommands.h"
#include "app/mainwindow.h"
#include "userstate/tipvaultlink.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

namespace tv {

StartRequest StartRequest::fromArguments(
    const QStringList &positional, const QString &query, const QString &currentDir)
{
    StartRequest request;
    request.query = query;
    const QString argument = positional.value(0);
    if (argument.startsWith(QString::fromUtf16(kLinkScheme), Qt::CaseInsensitive))
        request.link = argument;
    else if (!argument.isEmpty())
        request.folder = QDir::cleanPath(QDir(currentDir).absoluteFilePath(argument));
    return request;
}

QString StartRequest::startFolder() const
{
    if (!folder.isEmpty())
        return folder;
    const std::optional<TipvaultLink> parsed = parseLink(link);
    return parsed ? parsed->folder : QString();
}

QByteArray StartRequest::toMessage() const
{
    return QJsonDocument(QJsonObject { { QStringLiteral("folder"), folder }, { QStringLiteral("link"), link },
                             { QStringLiteral("query"), query } })
        .toJson(QJsonDocument::Compact);
}

std::optional<StartRequest> StartRequest::fromMessage(const QByteArray &message)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(message, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    StartRequest request;
    request.folder = o.value(QStringLiteral("folder")).toString();
    request.link = o.value(QStringLiteral("link")).toString();
    request.query = o.value(QStringLiteral("query")).toString();
    return request;
}

void carryOut(TForm1 &form, const StartRequest &request, bool folderOpened)
{
    if (!request.folder.isEmpty() && !folderOpened
        && !form.openCatalogue(request.folder, TForm1::Opening::FromMenu))
        return;
    if (!request.link.isEmpty()) {
        if (const std::optional<TipvaultLink> link = parseLink(request.link))
            form.links()->openLink(*link);
        else
            form.setStatusText(QStringLiteral("\"%1\" ist kein gültiger Tipvault-Link.").arg(request.link));
    }
    if (!request.query.isEmpty())
        form.links()->openQuery(request.query);
}

} // namespace tv
