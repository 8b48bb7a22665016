#pragma once

// What the program's start does differently on each system (StartupPosix.cpp, StartupWindows.cpp).

#include <QString>

namespace quarvel {

/// Why the toolkit would find no screen to open, in Polish; empty when there is one. Only where a session
/// of X11 or Wayland is looked for: Windows always has its desktop.
QString missingDisplay();

/// Tells the user why the program cannot start: on the error stream, and on Windows in a message box, as
/// a window program there has no console.
void showStartupFailure(const QString& text);

} // namespace quarvel
