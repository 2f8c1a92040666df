// SPDX-License-Identifier: GPL-3.0-or-later
#include "recentcatalogues.h"

#include "userstate/userstate.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

namespace tv {
namespace {

constexpr char16_t kFormat[] = u"tipvault-recent";
constexpr int kVersion = 1;
constexpr qint64 kMaxFileSize = 64 * 1024;

} // namespace

QString RecentCatalogues::fileFor(const QString &programDir)
{
    const QByteArray hash
        = QCryptographicHash::hash(catalogueKey(programDir).toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/recent/")
        + QString::fromLatin1(hash.left(24)) + QStringLiteral(".json");
}

RecentCatalogues::RecentCatalogues(const QString &programDir, QString path)
    : m_program(catalogueKey(programDir))
    , m_path(std::move(path))
{
}

bool RecentCatalogues::load()
{
    m_folders.clear();
    QFile file(m_path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize)
        return false;
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.read(kMaxFileSize), &parseError);
    const QJsonObject root = doc.object();
    if (parseError.error != QJsonParseError::NoError
        || root.value(QStringLiteral("format")).toString() != QString::fromUtf16(kFormat)
        || root.value(QStringLiteral("version")).toInt() != kVersion
        || root.value(QStringLiteral("program")).toString() != m_program
        || !root.value(QStringLiteral("folders")).isArray())
        return false;
    QStringList read;
    for (const QJsonValue &value : root.value(QStringLiteral("folders")).toArray()) {
        const QString folder = value.toString();
        if (!value.isString() || !folder.startsWith(u'/') || !folder.endsWith(u'/'))
            return false;
        if (!read.contains(folder) && read.size() < kMaxFolders)
            read.append(folder);
    }
    m_folders = read;
    return true;
}

bool RecentCatalogues::save()
{
    QJsonObject root;
    root.insert(QStringLiteral("format"), QString::fromUtf16(kFormat));
    root.insert(QStringLiteral("version"), kVersion);
    root.insert(QStringLiteral("program"), m_program);
    root.insert(QStringLiteral("folders"), QJsonArray::fromStringList(m_folders));
    m_error = writeJsonFile(m_path, root);
    return m_error == 0;
}

void RecentCatalogues::opened(const QString &folder)
{
    const QString key = catalogueKey(folder);
    m_folders.removeAll(key);
    m_folders.prepend(key);
    while (m_folders.size() > kMaxFolders)
        m_folders.removeLast();
}

} // namespace tv
