#include "Startup.h"

#include <QApplication>

#include <cstdio>

namespace quarvel {

// Without any of these Qt has no screen to open and would abort with an English message.
QString missingDisplay() {
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
        !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        return {};
    }
    return QStringLiteral("Quarvel: nie znaleziono ekranu graficznego (nie ustawiono DISPLAY, WAYLAND_DISPLAY ani "
                          "QT_QPA_PLATFORM).\nUruchom program w sesji graficznej.");
}

void showStartupFailure(const QString& text) {
    std::fputs((text + QLatin1Char('\n')).toUtf8().constData(), stderr);
}

} // namespace quarvel
