// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

namespace tv {

/// The descendant of `root` whose objectName equals `name` without regard to
/// letter case ("SectionListbox2" finds "SectionListBox2"), or nullptr.
QObject *findControl(const QObject *root, const QString &name);

} // namespace tv
