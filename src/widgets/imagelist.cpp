// SPDX-License-Identifier: GPL-3.0-or-later
#include "imagelist.h"

#include <QFile>

static void initIconResources()
{
    // Resources of a static library must be registered by name.
    static const bool done = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    Q_UNUSED(done);
}

namespace tv {

QIcon imageListIcon(int index)
{
    initIconResources();
    const QString path = QStringLiteral(":/icons/%1.svg").arg(index);
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

QIcon toolbarPicture(const QString &name)
{
    initIconResources();
    return QIcon(QStringLiteral(":/icons/icons/%1.svg").arg(name));
}

QPixmap pagePicture(const QString &name)
{
    initIconResources();
    QSize size;
    if (name == QStringLiteral("HTML"))
        size = QSize(28, 34);
    else if (name == QStringLiteral("WWW"))
        size = QSize(35, 34);
    else if (name == QStringLiteral("Archiv"))
        size = QSize(34, 33);
    else
        return QPixmap();
    return QIcon(QStringLiteral(":/icons/pictures/%1.svg").arg(name)).pixmap(size);
}

} // namespace tv
