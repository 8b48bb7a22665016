#include "support/TestPlatform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>

namespace quarvel::test {

bool OnWindows() {
    return true;
}

std::string WhyNoNamedPipes() {
    return "Windows has no named pipes in folders (its pipes live under \\\\.\\pipe\\)";
}

std::string WhyNoSymbolicLinks() {
    return "mingw-w64's std::filesystem makes no symbolic links on Windows (where only an administrator or "
           "developer mode may make them)";
}

std::string DeviceName() {
    return "\\\\.\\NUL";
}

bool MakeNamedPipe(const std::filesystem::path&) {
    return false;
}

void TouchNamedPipe(const std::filesystem::path&) {}

bool PermissionsStopThisProcess() {
    return false;
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
    const std::wstring wideMode(mode, mode + std::strlen(mode));
    return _wfopen(path.c_str(), wideMode.c_str());
}

std::optional<std::string> ConvertBySystem(std::string_view text, const char* codePage) {
    const std::string_view name(codePage);
    const UINT number = name == "ISO-8859-2" ? 28592 : name == "CP852" ? 852 : name == "CP1250" ? 1250 : 0;
    if (number == 0 || !IsValidCodePage(number)) return std::nullopt;
    const int size = static_cast<int>(text.size());
    std::wstring wide(text.size(), L'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), size)));
    std::string out(wide.size() * 2, '\0');
    BOOL lossy = FALSE;
    const int written = WideCharToMultiByte(number, 0, wide.data(), static_cast<int>(wide.size()), out.data(),
                                            static_cast<int>(out.size()), nullptr, &lossy);
    if (written <= 0 || lossy) return std::nullopt;
    out.resize(static_cast<std::size_t>(written));
    return out;
}

} // namespace quarvel::test
