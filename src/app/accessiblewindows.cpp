// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessiblewindows.h"

#include "widgets/tablistaccessible.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace tv {
namespace {

// Qt asks every factory for each class of an object, the most derived first;
// "QWidget" is reached only when no class above it has an interface.
QAccessibleInterface *windowFactory(const QString &className, QObject *object)
{
    if (className != QLatin1String("QWidget") || !object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    switch (widget->windowType()) {
    case Qt::Window:
    case Qt::Tool:
        return new QAccessibleWidget(widget, QAccessible::Window);
    case Qt::Dialog:
    case Qt::Sheet:
        return new QAccessibleWidget(widget, QAccessible::Dialog);
    default:
        return nullptr; // children, popups and tool tips stay as Qt makes them
    }
}

} // namespace

void installAccessibility()
{
    installTabBarAccessibility();
    static const bool installed = [] {
        QAccessible::installFactory(windowFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace tv
