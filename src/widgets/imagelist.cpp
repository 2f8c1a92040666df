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

} // namespace tv
