// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

namespace tv {

/// @short An object that makes some of its named children only when they are
/// first needed; a lookup by name makes them too.
class LazyControls
{
public:
    /// The child named `name` (letter case ignored), made now; nullptr when
    /// this object makes no child of that name.
    virtual QObject *makeControl(const QString &name) = 0;

protected:
    ~LazyControls() = default;
};

/// The descendant of `root` whose objectName equals `name` without regard to
/// letter case ("SectionListbox2" finds "SectionListBox2"), or nullptr. A
/// control not made yet is made when a LazyControls descendant knows its name.
QObject *findControl(const QObject *root, const QString &name);

} // namespace tv
