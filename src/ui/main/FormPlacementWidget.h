#pragma once
// Window services shared by every window: keeping its placement between runs and
// bringing up a non-modal tool window.

#include <QWidget>

#include "model/SettingsStore.h"

namespace quenlix {

// The store the placements are kept in; set once at start-up.
void SetPlacementStore(SettingsStore* store);

// Applies the stored placement of the window (named by its objectName), fitted
// to the screen. The placement is the client area, without the window frame, in
// both directions. Returns false and changes nothing when none is stored.
bool LoadFormPlacement(QWidget& form);

// Stores the window's size, position and state under its objectName.
void SaveFormPlacement(const QWidget& form);

// Shows a window without making it modal: a minimised one is restored first,
// and it comes to the front.
void ShowToolWindow(QWidget& form);

// Puts a scroll area over the whole window and returns the widget inside it, to
// lay the window's content out in. Content that cannot shrink (fixed-size charts,
// rows of controls) then scrolls instead of holding the window larger than a
// small screen.
QWidget* ScrollingBody(QWidget& form);

// Sizes a window made with ScrollingBody to show its content whole (and at least
// `least`), within the screen's available area.
void ResizeToContent(QWidget& form, QSize least);

// Sizes a window to its default size, or smaller where the screen's available
// area (a small screen, a large scale factor) has less room.
void ResizeWithinScreen(QWidget& form, QSize size);

}  // namespace quenlix
