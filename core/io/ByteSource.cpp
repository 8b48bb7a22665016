#include "ByteSource.h"

#include "Windows1250.h"

#include <cerrno>
#include <cstring>
#include <system_error>

namespace quarvel {
namespace {

class FileSource final : public ByteSource {
public:
    explicit FileSource(std::FILE* file) : m_file(file) {}
    ~FileSource() override { std::fclose(m_file); }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::size_t read(char* buffer, std::size_t n) override {
        if (m_error != 0) return 0;
        errno = 0;
        const std::size_t got = std::fread(buffer, 1, n, m_file);
        if (got < n && std::ferror(m_file)) m_error = errno != 0 ? errno : EIO;
        return got;
    }
    int error() const override { return m_error; }
    std::optional<platform::FileStamp> stamp() const override { return platform::stampOf(m_file); }

private:
    std::FILE* m_file;
    int m_error = 0;
};

} // namespace

OpenedSource openFileSource(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (std::filesystem::is_directory(status)) return {nullptr, EISDIR};
    if (platform::isReservedDeviceName(path)) return {nullptr, kNotARegularFile};
    // Opening a pipe waits for a writer, and a device such as /dev/zero never ends.
    if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        return {nullptr, kNotARegularFile};
    }
    int error = 0;
    std::FILE* file = platform::openForReading(path, error);
    if (file == nullptr) return {nullptr, error};
    return {std::make_unique<FileSource>(file), 0};
}

std::string describeSystemError(int error) {
    const char* polish = nullptr;
    switch (error) {
    case ENOENT: polish = "nie ma takiego pliku ani folderu"; break;
    case EACCES: polish = "brak uprawnień dostępu"; break;
    case EPERM: polish = "operacja niedozwolona (plik lub folder może być chroniony przed zmianami)"; break;
    case ELOOP: polish = "zapętlone dowiązania symboliczne"; break;
    case ENOMEM: polish = "za mało pamięci"; break;
    case kChangedWhileRead: polish = "plik został zmieniony podczas odczytu"; break;
    case kTooManyLines: polish = "plik ma zbyt wiele linii (najwyżej 2 147 483 647)"; break;
    case EISDIR: polish = "to jest folder, a nie plik"; break;
    case kNotARegularFile: polish = "to nie jest zwykły plik, lecz urządzenie lub potok"; break;
    case ENOTDIR: polish = "część ścieżki nie jest folderem"; break;
    case ENOSPC: polish = "brak miejsca na dysku"; break;
    case platform::kErrorQuota: polish = "przekroczony przydział miejsca na dysku"; break;
    case EROFS: polish = "system plików jest tylko do odczytu"; break;
    case EIO: polish = "błąd wejścia/wyjścia"; break;
    case EMFILE:
    case ENFILE: polish = "otwarto zbyt wiele plików"; break;
    case ENAMETOOLONG: polish = "zbyt długa nazwa pliku"; break;
    case EBUSY:
    case ETXTBSY: polish = "plik jest zajęty przez inny program"; break;
    case EFBIG: polish = "plik jest zbyt duży"; break;
    case EXDEV: polish = "plik tymczasowy i docelowy leżą na różnych dyskach"; break;
    case kUntrustedLink:
        polish = "dowiązanie symboliczne w folderze dostępnym dla wszystkich należy do innego użytkownika";
        break;
    case kFolderBusy: polish = "w tym folderze zapisuje pliki inne uruchomienie programu; spróbuj ponownie za chwilę"; break;
    default: break;
    }
    if (polish != nullptr) return cp1250FromUtf8(polish);
    return cp1250FromUtf8("błąd systemu nr " + std::to_string(error) + " (" + std::strerror(error) + ")");
}

std::string pathForMessage(const std::filesystem::path& path) {
    return cp1250FromUtf8(platform::utf8FromPath(path));
}

} // namespace quarvel
