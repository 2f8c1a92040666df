// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/// @short What a screen reader finds in the section tabs.
///
/// The bar draws its tabs itself, so Qt alone would show one empty pane. Its
/// own accessibility interface makes it a page tab list with one page tab per
/// section, as any tab bar of ours (widgets/tablistaccessible): the caption as
/// name, the current tab selected, a press action that switches.
namespace tv {

/// Registers the interface with Qt; later calls do nothing.
void installSectionTabsAccessibility();

} // namespace tv
