#include "Startup.h"

#include <QApplication>
#include <QFont>
#include <QStringList>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace quarvel {

QString MissingDisplay() {
    return {};
}

void ShowStartupFailure(const QString& text) {
    MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.utf16()), L"Quarvel", MB_OK | MB_ICONERROR);
}

void AdaptToSystem(QApplication&) {
    // Windows' own face since Vista, then the one of older Windows, then sans faces a Linux machine lends
    // to wine; the size stays the system's.
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Segoe UI"), QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    QApplication::setFont(font);
}

} // namespace quarvel
