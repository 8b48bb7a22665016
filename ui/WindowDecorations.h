#pragma once

#include <QtGlobal>

#include <array>

class QWidget;

namespace quarvel {

/// The Motif window-manager hints (the _MOTIF_WM_HINTS property of X11): flags, functions, decorations,
/// input mode, status.
using MotifHints = std::array<quint32, 5>;

/// The hints of a dialog frame whose title bar has no buttons: the window can be moved, and neither
/// resized, minimised, maximised nor closed by the window manager, and it is decorated with a border and
/// a title only. Both halves are needed: window managers draw the buttons the decorations name, and offer
/// the commands the functions name.
MotifHints TitleBarWithoutButtons();

/// Gives a top-level window a title bar without buttons where the window system needs more than the
/// window flags for it. Under X11 the toolkit states only the functions for a title bar without buttons,
/// and window managers such as Openbox then draw every button anyway. Elsewhere this does nothing.
void setTitleBarWithoutButtons(QWidget& window);

} // namespace quarvel
