// SPDX-License-Identifier: GPL-3.0-or-later
#include "findcontrol.h"

namespace tv {

QObject *findControl(const QObject *root, const QString &name)
{
    // An unnamed control is no match for an empty name.
    if (!root || name.isEmpty())
        return nullptr;
    const QList<QObject *> all = root->findChildren<QObject *>();
    for (QObject *o : all) {
        if (o->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return o;
    }
    for (QObject *o : all) {
        if (auto *lazy = dynamic_cast<LazyControls *>(o)) {
            if (QObject *made = lazy->makeControl(name))
                return made;
        }
    }
    return nullptr;
}

} // namespace tv
