#include "TFormGlow.h"
#include "TFormLOG.h"
#include "TFormProces.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

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

    // The toolkit's own dialogs (file, printer) speak Polish too when its translation is installed.
    QTranslator toolkitTexts;
    if (toolkitTexts.load(QLocale(QLocale::Polish, QLocale::Poland), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&toolkitTexts);
    }

    quarvel::TFormGlow glow;
    quarvel::TFormProces proces(&glow);
    quarvel::TFormLOG log(glow.session().state.RichEditLOG, glow.userInterface(), &glow, &glow.session().file);
    glow.setLogWindow(&log);
    glow.show();
    return QApplication::exec();
}
