#pragma once

#include "MainWindow.h"
#include "LogWindow.h"

#include "Clock.h"

#include <QStringList>

class QCoreApplication;
class QTranslator;

namespace quarvel {

/// Loads Qt's Polish texts for its own dialogs (file and printer dialogs, message-box buttons) from Qt's
/// translations folder and installs them in `application`, which owns the translator; nullptr when they
/// are not installed (the dialogs then speak English).
QTranslator* installToolkitTranslation(QCoreApplication& application);

/// Chooses the windows' font on Windows, where the dialog font the system names resolves to a serif face
/// when it is missing (under wine): Segoe UI, Windows' own since Vista, then Tahoma, then sans faces a
/// Linux machine lends to wine, at the system's size. Elsewhere the desktop's font stays.
void chooseWindowFont();

/// The program's two windows, put together as at its start: the main window, then the log window, hidden.
struct ProgramWindows {
    explicit ProgramWindows(const Clock& clock = SystemClock::instance());

    /// Shows the main window and, once the event loop runs, opens the file named on the command line, if
    /// one is; `arguments` are the program's name and its arguments once the toolkit took out its options.
    void start(const QStringList& arguments);

    WindowSession main; ///< declared first: the windows read it until they are gone
    MainWindow mainWindow;
    LogWindow log;
};

} // namespace quarvel
