// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

/// @short Well-formed ZIP fixtures, written with libzip at test time.
struct ZipMember
{
    QByteArray name; // stored name, bytes as they go into the archive
    QByteArray data;
    quint32 dosStamp = 0; // MS-DOS date (high 16 bits) and time; 0 keeps libzip's
};

/// Writes an archive of `members` to `path`, replacing it; fails the test on error.
void writeZip(const QString &path, const QList<ZipMember> &members);

/// The bytes of such an archive, for archives inside archives.
QByteArray zipBytes(const QList<ZipMember> &members);
