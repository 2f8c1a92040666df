#include "findcontrol.h"

namespace tv {

QObject *findControl(const QObject *root, const QString &name)
{
    if (!root)
        return nullptr;
    const QList<QObject *> all = root->findChildren<QObject *>();
    for (QObject *o : all) {
        if (o->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return o;
    }
    return nullptr;
}

} // namespace tv
