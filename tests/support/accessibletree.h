// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class QWidget;

/// @short A window as a screen reader finds it, through Qt's accessibility interfaces.
///
/// accessibilityFaults() walks the tree that QAccessible::queryAccessibleInterface()
/// and child() give, from a window down, the way an AT-SPI client does, and
/// says what a blind user would miss, one line per fault:
/// - a window that is not announced as a window or dialog;
/// - a control that takes input (anything focusable, buttons, fields, lists,
///   grids, tabs, check boxes, combo boxes, menu items) without a name;
/// - a page tab list that reports no current tab, or more than one.
/// The items of lists, grids and combo boxes are data, not controls, and are
/// not visited. The menus the window owns are popups outside its tree and are
/// walked too. Any widget added later is checked without a change here.
///
/// Example: "Form1/Panel1/Speedbutton (Button): no name".
QStringList accessibilityFaults(QWidget *window);
