#include "Startup.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace quarvel {

QString missingDisplay() {
    return {};
}

void showStartupFailure(const QString& text) {
    MessageBoxW(nullptr, reinterpret_cast<const wchar_t*>(text.utf16()), L"Quarvel", MB_OK | MB_ICONERROR);
}

} // namespace quarvel
