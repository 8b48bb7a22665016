#include "ProgramWindows.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace quarvel {

QTranslator* installToolkitTranslation(QCoreApplication& application) {
    auto* translator = new QTranslator(&application);
    if (!translator->load(QLocale(QLocale::Polish, QLocale::Poland), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return nullptr;
    }
    QCoreApplication::installTranslator(translator);
    return translator;
}

void chooseWindowFont() {
#ifdef Q_OS_WIN
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Segoe UI"), QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    QApplication::setFont(font);
#endif
}

ProgramWindows::ProgramWindows(const Clock& clock)
    : main(clock), mainWindow(main),
      log(mainWindow.session().state.logText, mainWindow.userInterface(), &mainWindow, &mainWindow.session()) {
    mainWindow.setLogWindow(&log);
}

void ProgramWindows::start(const QStringList& arguments) {
    mainWindow.show();
    // Nothing named: the window opens as it always does. A file is opened once the event loop runs, so
    // that the window is on the screen before a message about the file shows over it.
    QMetaObject::invokeMethod(
        &mainWindow, [this, files = filesFromArguments(arguments)] { mainWindow.openFiles(files); }, Qt::QueuedConnection);
}

} // namespace quarvel
