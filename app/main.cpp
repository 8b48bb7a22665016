#include "ProgramWindows.h"
#include "Startup.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    if (const QString missing = quarvel::MissingDisplay(); !missing.isEmpty()) {
        quarvel::ShowStartupFailure(missing);
        return 1;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(QUARVEL_VERSION));
    // The desktop finds the program's menu entry and icon by this name, under X11 and Wayland alike.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUARVEL_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(QUARVEL_APP_ID)));
    quarvel::ChooseWindowFont();
    quarvel::InstallToolkitTranslation(application);

    quarvel::ProgramWindows windows;
    windows.start(QApplication::arguments());
    return QApplication::exec();
}
