#include "ProgramWindows.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>

namespace {

// Without any of these Qt has no screen to open and would abort with an English message.
bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char* argv[]) {
    if (!hasDisplay()) {
        std::fputs("Quarvel: nie znaleziono ekranu graficznego (nie ustawiono DISPLAY, WAYLAND_DISPLAY ani "
                   "QT_QPA_PLATFORM).\nUruchom program w sesji graficznej.\n",
                   stderr);
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(QUARVEL_VERSION));
    // The desktop finds the program's menu entry and icon by this name, under X11 and Wayland alike.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUARVEL_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(QUARVEL_APP_ID)));
    quarvel::InstallToolkitTranslation(application);

    quarvel::ProgramWindows windows;
    windows.start(QApplication::arguments());
    return QApplication::exec();
}
