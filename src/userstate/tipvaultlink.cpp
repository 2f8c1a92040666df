// SPDX-License-Identifier: GPL-3.0-or-later
#include "tipvaultlink.h"

#include "catalogue/cp1252.h"

#include <QStringList>
#include <QUrl>

namespace tv {
namespace {

QString encoded(const QString &value)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value));
}

/// The 1252 bytes of `text`; nothing when 1252 cannot spell it.
std::optional<QByteArray> nameOf(const QString &text)
{
    QByteArray bytes = toCp1252(text);
    if (fromCp1252(bytes) != text)
        return std::nullopt;
    return bytes;
}

} // namespace

QString formatLink(const TipvaultLink &link)
{
    QStringList items;
    auto add = [&items](const char *key, const QString &value) {
        if (!value.isEmpty())
            items << QString::fromLatin1(key) + u'=' + encoded(value);
    };
    if (link.isSearch()) {
        add("suche", link.query);
    } else {
        add("rubrik", fromCp1252(link.section));
        add("eintrag", fromCp1252(link.entry));
        add("teil", fromCp1252(link.part));
        if (!link.part.isEmpty() && link.partOccurrence > 1)
            add("nr", QString::number(link.partOccurrence));
    }
    add("ordner", link.folder);
    return QString::fromUtf16(kLinkScheme) + u'?' + items.join(u'&');
}

std::optional<TipvaultLink> parseLink(const QString &text)
{
    const QString scheme = QString::fromUtf16(kLinkScheme);
    if (!text.startsWith(scheme, Qt::CaseInsensitive))
        return std::nullopt;
    QString rest = text.mid(scheme.size());
    while (rest.startsWith(u'/'))
        rest.remove(0, 1); // "tipvault://?..." as some programs write it
    if (!rest.startsWith(u'?'))
        return std::nullopt;
    TipvaultLink link;
    for (const QString &item : rest.mid(1).split(u'&', Qt::SkipEmptyParts)) {
        const qsizetype equals = item.indexOf(u'=');
        if (equals <= 0)
            return std::nullopt;
        const QString key = item.left(equals);
        const QString value = QUrl::fromPercentEncoding(item.mid(equals + 1).toUtf8());
        std::optional<QByteArray> name = nameOf(value);
        if (key == u"suche") {
            link.query = value;
        } else if (key == u"ordner") {
            link.folder = value;
        } else if (key == u"nr") {
            bool ok = false;
            link.partOccurrence = value.toInt(&ok);
            if (!ok || link.partOccurrence < 1)
                return std::nullopt;
        } else if (name && key == u"rubrik") {
            link.section = *name;
        } else if (name && key == u"eintrag") {
            link.entry = *name;
        } else if (name && key == u"teil") {
            link.part = *name;
        } else {
            return std::nullopt;
        }
    }
    if (!link.isSearch() && (link.section.isEmpty() || link.entry.isEmpty()))
        return std::nullopt;
    return link;
}

} // namespace tv
