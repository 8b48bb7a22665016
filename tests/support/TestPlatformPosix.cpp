#include "support/TestPlatform.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quarvel::test {

bool OnWindows() {
    return false;
}

std::string WhyNoNamedPipes() {
    return {};
}

std::string WhyNoSymbolicLinks() {
    return {};
}

std::string DeviceName() {
    return "/dev/null";
}

bool MakeNamedPipe(const std::filesystem::path& path) {
    return ::mkfifo(path.c_str(), 0600) == 0;
}

void TouchNamedPipe(const std::filesystem::path& path) {
    const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
}

bool PermissionsStopThisProcess() {
    return ::geteuid() != 0;
}

std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

std::optional<std::string> ConvertBySystem(std::string_view text, const char* codePage) {
    iconv_t cd = iconv_open(codePage, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string in(text);
    std::string out(in.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    const std::size_t converted = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (converted == static_cast<std::size_t>(-1)) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

} // namespace quarvel::test
