// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/// @short Our top-level windows as screen readers should hear them.
///
/// Qt describes a top-level widget that is a plain QWidget (the window
/// "Volltextsuche") as a client area, which AT-SPI calls a "filler": a reader
/// then does not announce a window when it opens or gets the focus. This
/// gives such widgets the role of a window, or of a dialog when they are
/// flagged as one; windows of a Qt class (QMainWindow, QDialog, menus,
/// tool tips, popups) keep the interfaces Qt gives them.
namespace tv {

/// Registers this interface and the one of Qt's tab bars (widgets/tablistaccessible)
/// with Qt, before any window exists; later calls do nothing.
void installAccessibility();

} // namespace tv
