#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

/// @short Well-formed ZIP fixtures, written with libzip at test time.
struct ZipMember
{
    QByteArray name; // stored name, bytes as they go into the archive
    QByteArray data;
};

/// Writes an archive of `members` to `path`, replacing it; fails the test on error.
void writeZip(const QString &path, const QList<ZipMember> &members);
