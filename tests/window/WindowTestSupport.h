#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <functional>
#include <string>

class QWidget;

namespace quarvel::test {

/// Processes events until `done` holds, for 10 seconds at most: the window manager answers in its own
/// time. False when it never held.
bool WaitUntil(const std::function<bool()>& done);

/// Whether the toolkit knows the frame the window manager put around the window. (It learns of the frame
/// when the window moves or is resized; a window that never does may be framed long before.)
bool Framed(const QWidget& window);

/// Asks the window manager to maximise or restore the window, from outside the program, as the buttons of
/// its title bar do.
void AskWindowManagerToMaximise(const QWidget& window, bool maximised);
/// Asks the window manager to put the window's frame at `frameTopLeft` with a client area of `clientSize`,
/// as a user dragging and sizing it would.
void AskWindowManagerForGeometry(const QWidget& window, QPoint frameTopLeft, QSize clientSize);

/// A property of the window as the X server holds it (xprop's words after the "=").
QString XProperty(const QWidget& window, const char* name);

/// The window's frame as the window manager states it (_NET_FRAME_EXTENTS around the client area); empty
/// before it has framed the window.
QRect FrameByWindowManager(const QWidget& window);

/// What the screen shows in `area` (the window system's coordinates), frames of the window manager
/// included, at one pixel per coordinate.
QImage ScreenPixels(const QRect& area);

/// The window's geometry and state, for failure messages.
std::string Describe(const QWidget& window);

} // namespace quarvel::test
