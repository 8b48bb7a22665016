#include "PlatformWindowsShared.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>

namespace quarvel::platform {

using namespace detail;

void releasePages(void*, std::size_t) {
    // The memory comes from the C library's heap, whose pages Windows does not let a program discard one
    // by one; without large pages, untouched room costs nothing anyway.
}

void adviseLargePages(void*, std::size_t) {
    // Windows gives large pages only to a program holding the privilege to lock memory: small pages.
}

std::tm localTime(std::time_t time) {
    std::tm local{};
    localtime_s(&local, &time);
    return local;
}

std::vector<std::string> programArguments(int, char**) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    if (wide == nullptr) return arguments;
    for (int k = 1; k < count; ++k)
        arguments.push_back(utf8FromWide(wide[k]));
    LocalFree(static_cast<HLOCAL>(wide));
    return arguments;
}

// Output redirected to a file or a pipe is UTF-8 with the line ends of the text, as on POSIX.
void useBinaryStandardStreams() {
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool isTerminal(int stream) {
    return isConsole(stream);
}

bool isConsole(int stream) {
    DWORD mode = 0;
    return GetConsoleMode(standardHandle(stream), &mode) != 0;
}

bool writeToConsole(int stream, std::string_view utf8) {
    const std::wstring wide = wideFromUtf8(utf8);
    const wchar_t* at = wide.data();
    std::size_t left = wide.size();
    while (left > 0) {
        DWORD written = 0;
        const auto piece = static_cast<DWORD>(std::min<std::size_t>(left, 8192));
        if (!WriteConsoleW(standardHandle(stream), at, piece, &written, nullptr) || written == 0) return false;
        at += written;
        left -= written;
    }
    return true;
}

} // namespace quarvel::platform
