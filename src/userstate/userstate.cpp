// SPDX-License-Identifier: GPL-3.0-or-later
#include "userstate.h"

#include "catalogue/atomicfile.h"
#include "catalogue/cp1252.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <cerrno>
#include <optional>

namespace tv {
namespace {

constexpr char16_t kFormat[] = u"tipvault-user-state";
constexpr int kVersion = 1;
// A state file is a few kilobytes; anything far larger is not ours.
constexpr qint64 kMaxFileSize = 4 * 1024 * 1024;
constexpr int kMaxPart = 999;

QJsonObject refObject(const EntryRef &ref)
{
    QJsonObject o;
    o.insert(QStringLiteral("section"), fromCp1252(ref.section));
    o.insert(QStringLiteral("entry"), fromCp1252(ref.entry));
    return o;
}

/// A name as the file holds it; nullopt unless it is a string that 1252 can hold.
std::optional<QByteArray> nameOf(const QJsonValue &value)
{
    if (!value.isString())
        return std::nullopt;
    const QString text = value.toString();
    QByteArray bytes = toCp1252(text);
    if (fromCp1252(bytes) != text)
        return std::nullopt;
    return bytes;
}

std::optional<EntryRef> refOf(const QJsonObject &o)
{
    const auto section = nameOf(o.value(QStringLiteral("section")));
    const auto entry = nameOf(o.value(QStringLiteral("entry")));
    if (!section || !entry)
        return std::nullopt;
    return EntryRef { *section, *entry, 0 };
}

} // namespace

QString catalogueKey(const QString &catalogueDir)
{
    const QString canonical = QFileInfo(catalogueDir).canonicalFilePath();
    QString key = canonical.isEmpty() ? QDir::cleanPath(QDir(catalogueDir).absolutePath()) : canonical;
    if (!key.endsWith(u'/'))
        key += u'/';
    return key;
}

QString UserState::fileFor(const QString &catalogueDir)
{
    const QByteArray hash
        = QCryptographicHash::hash(catalogueKey(catalogueDir).toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
        + QStringLiteral("/catalogues/") + QString::fromLatin1(hash.left(24)) + QStringLiteral(".json");
}

UserState::UserState(QString catalogueDir, QString path)
    : m_catalogueDir(catalogueKey(catalogueDir))
    , m_path(std::move(path))
{
}

UserState::LoadResult UserState::load()
{
    *this = UserState(m_catalogueDir, m_path);
    QFile file(m_path);
    if (!file.exists())
        return LoadResult::Fresh;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize)
        return LoadResult::Damaged;
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return LoadResult::Damaged;

    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
    const QJsonObject root = doc.object();
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()
        || root.value(QStringLiteral("format")).toString() != QString::fromUtf16(kFormat)
        || root.value(QStringLiteral("version")).toInt() != kVersion
        || root.value(QStringLiteral("catalogue")).toString() != m_catalogueDir)
        return LoadResult::Damaged;

    UserState read(m_catalogueDir, m_path);
    const QJsonValue session = root.value(QStringLiteral("session"));
    if (session.isObject()) {
        const auto ref = refOf(session.toObject());
        const QJsonValue part = session.toObject().value(QStringLiteral("part"));
        if (!ref || !part.isDouble() || part.toInt(-1) < 0 || part.toInt() > kMaxPart)
            return LoadResult::Damaged;
        read.m_session = *ref;
        read.m_session.part = part.toInt();
    } else if (!session.isUndefined()) {
        return LoadResult::Damaged;
    }

    const QJsonValue zoom = root.value(QStringLiteral("zoom"));
    if (!zoom.isUndefined()) {
        if (!zoom.isDouble())
            return LoadResult::Damaged;
        read.setZoom(zoom.toInt(kDefaultZoom));
    }

    const QJsonValue favourites = root.value(QStringLiteral("favourites"));
    if (!favourites.isUndefined() && !favourites.isArray())
        return LoadResult::Damaged;
    for (const QJsonValue &value : favourites.toArray()) {
        const QJsonObject o = value.toObject();
        const auto ref = refOf(o);
        const QJsonValue title = o.value(QStringLiteral("title"));
        if (!value.isObject() || !ref || !title.isString())
            return LoadResult::Damaged;
        read.m_favourites.append(Favourite { title.toString(), *ref });
    }
    *this = std::move(read);
    return LoadResult::Loaded;
}

int writeJsonFile(const QString &path, const QJsonObject &root)
{
    errno = 0;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return errno ? errno : EACCES;
    AtomicFile file(path);
    if (file.open() && file.write(QJsonDocument(root).toJson()) && file.commit())
        return 0;
    return file.error() ? file.error() : EIO;
}

bool UserState::save()
{
    QJsonObject root;
    root.insert(QStringLiteral("format"), QString::fromUtf16(kFormat));
    root.insert(QStringLiteral("version"), kVersion);
    root.insert(QStringLiteral("catalogue"), m_catalogueDir);
    if (!m_session.isEmpty()) {
        QJsonObject session = refObject(m_session);
        session.insert(QStringLiteral("part"), m_session.part);
        root.insert(QStringLiteral("session"), session);
    }
    root.insert(QStringLiteral("zoom"), m_zoom);
    QJsonArray favourites;
    for (const Favourite &f : m_favourites) {
        QJsonObject o = refObject(f.ref);
        o.insert(QStringLiteral("title"), f.title);
        favourites.append(o);
    }
    root.insert(QStringLiteral("favourites"), favourites);

    m_error = writeJsonFile(m_path, root);
    return m_error == 0;
}

bool UserState::addFavourite(const Favourite &favourite)
{
    if (favouriteIndex(favourite.ref) >= 0)
        return false;
    m_favourites.append(favourite);
    m_favourites.last().ref.part = 0;
    return true;
}

int UserState::favouriteIndex(const EntryRef &ref) const
{
    for (int i = 0; i < m_favourites.size(); ++i) {
        const EntryRef &f = m_favourites[i].ref;
        if (f.section == ref.section && f.entry == ref.entry)
            return i;
    }
    return -1;
}

void UserState::renameFavourite(int index, const QString &title)
{
    if (index >= 0 && index < m_favourites.size())
        m_favourites[index].title = title;
}

void UserState::removeFavourite(int index)
{
    if (index >= 0 && index < m_favourites.size())
        m_favourites.removeAt(index);
}

void UserState::moveFavourite(int from, int to)
{
    const int n = int(m_favourites.size());
    if (from >= 0 && from < n && to >= 0 && to < n)
        m_favourites.move(from, to);
}

void UserState::setZoom(int percent)
{
    m_zoom = std::clamp(percent, kMinZoom, kMaxZoom);
}

} // namespace tv
