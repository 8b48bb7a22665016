#include "ProgramIcon.h"
#include "ProgramWindows.h"
#include "Startup.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    if (const QString missing = quarvel::missingDisplay(); !missing.isEmpty()) {
        quarvel::showStartupFailure(missing);
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(QUARVEL_VERSION));
    // The desktop finds the program's menu entry and icon by this name, under X11 and Wayland alike.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUARVEL_APP_ID));
    QApplication::setWindowIcon(quarvel::programIcon());
    quarvel::chooseWindowFont();
    quarvel::installToolkitTranslation(application);

    quarvel::ProgramWindows windows;
    windows.start(QApplication::arguments());
    return QApplication::exec();
}
