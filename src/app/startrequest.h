// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

/// @short What a start asks of the window: a catalogue folder, a "tipvault:"
/// link or a full-text query, from the command line of this or a second start.
///
///     tipvault ~/Tipps                  folder = "/home/anna/Tipps"
///     tipvault "tipvault:?rubrik=..."   link
///     tipvault --suche "std::move"      query
namespace tv {

class TForm1;

struct StartRequest
{
    QString folder; ///< absolute; "" = none
    QString link; ///< the address as given; "" = none
    QString query; ///< "" = none

    /// From the positional arguments (one folder or link at most) and the
    /// value of --suche; a relative folder is taken from `currentDir`.
    static StartRequest fromArguments(
        const QStringList &positional, const QString &query, const QString &currentDir);
    /// The folder a start opens before anything else: the request's, else
    /// the link's; "" = the one a plain start opens.
    QString startFolder() const;
    bool isEmpty() const { return folder.isEmpty() && link.isEmpty() && query.isEmpty(); }

    /// As a second start hands it to the running window, and back.
    QByteArray toMessage() const;
    static std::optional<StartRequest> fromMessage(const QByteArray &message);
};

/// Does in the window what the request asks, after the start or when a second
/// start hands it over: the folder is opened as from the menu (an incomplete
/// one gets the box, the one in use stays), then the link or the query. An
/// address that is no link is told on the status bar.
void carryOut(TForm1 &form, const StartRequest &request, bool folderOpened);

} // namespace tv
