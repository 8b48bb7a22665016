#include "io/AtomicFile.h"

#include "Typy/Windows1250.h"
#include "io/ByteSource.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <random>
#include <system_error>
#include <vector>

namespace quarvel {
namespace {

const std::string kCannotWriteFile = Cp1250FromUtf8("Nie można zapisać pliku: ");
const std::string kReasonPrefix = Cp1250FromUtf8("Przyczyna: ");

WriteResult failure(const std::filesystem::path& target, int error) {
    return {false, error, kCannotWriteFile + PathForMessage(target) + "\r" + kReasonPrefix + DescribeSystemError(error)};
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

class TempFileOutput final : public FileOutput {
public:
    TempFileOutput(std::FILE* file, const WriteFaults& faults) : m_file(file), m_faults(faults) {
        m_buffer.reserve(kBufferSize);
    }

    void write(std::string_view bytes) override {
        if (m_error != 0) return;
        // Large pieces go out as they are, after what is buffered; only small ones are gathered.
        if (m_buffer.size() + bytes.size() > kBufferSize || bytes.size() >= kDirectWrite) flush();
        if (bytes.size() >= kDirectWrite) {
            writeOut(bytes);
        } else {
            m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
        }
    }

    /// Writes what is buffered; the first failure is kept.
    void flush() {
        if (m_error == 0 && !m_buffer.empty()) writeOut(std::string_view(m_buffer.data(), m_buffer.size()));
        m_buffer.clear();
        if (m_error == 0 && std::fflush(m_file) != 0) m_error = errno != 0 ? errno : EIO;
    }

    int error() const { return m_error; }

private:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 20;
    static constexpr std::size_t kDirectWrite = std::size_t{1} << 16;

    void writeOut(std::string_view bytes) {
        if (m_faults.failAfterBytes && m_written + bytes.size() > *m_faults.failAfterBytes) {
            const auto room = static_cast<std::size_t>(*m_faults.failAfterBytes - m_written);
            std::fwrite(bytes.data(), 1, room, m_file);
            m_written += room;
            m_error = m_faults.error != 0 ? m_faults.error : ENOSPC;
            return;
        }
        errno = 0;
        if (std::fwrite(bytes.data(), 1, bytes.size(), m_file) != bytes.size()) {
            m_error = errno != 0 ? errno : EIO;
            return;
        }
        m_written += bytes.size();
    }

    std::FILE* m_file;
    const WriteFaults& m_faults;
    std::vector<char> m_buffer;
    std::uint64_t m_written = 0;
    int m_error = 0;
};

// A new file beside the target that no other writer can have opened: created exclusively, with a
// random name starting with a dot so that it stays out of the user's way while it exists.
std::unique_ptr<std::FILE, FileCloser> createTemp(const std::filesystem::path& target, std::filesystem::path& temp,
                                                  int& error) {
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        temp = target.parent_path() / ("." + target.filename().string() + ".tmp" + std::to_string(random() % 1000000));
        errno = 0;
        std::FILE* file = std::fopen(temp.c_str(), "wbx");
        if (file != nullptr) {
            std::setvbuf(file, nullptr, _IONBF, 0);
            return std::unique_ptr<std::FILE, FileCloser>(file);
        }
        error = errno != 0 ? errno : EIO;
        if (error != EEXIST) return nullptr;
    }
    return nullptr;
}

} // namespace

WriteResult WriteFileAtomically(const std::filesystem::path& target, const std::function<void(FileOutput&)>& produce,
                                const WriteFaults& faults) {
    std::error_code ec;
    if (std::filesystem::is_directory(target, ec)) return failure(target, EISDIR);

    std::filesystem::path temp;
    int error = 0;
    auto file = createTemp(target, temp, error);
    if (!file) return failure(target, error);

    TempFileOutput output(file.get(), faults);
    try {
        produce(output);
    } catch (const std::bad_alloc&) {
        file.reset();
        std::filesystem::remove(temp, ec);
        return failure(target, ENOMEM);
    }
    output.flush();
    error = output.error();
    errno = 0;
    if (std::fclose(file.release()) != 0 && error == 0) error = errno != 0 ? errno : EIO;
    if (error == 0) {
        std::filesystem::rename(temp, target, ec);
        if (ec) error = ec.value();
    }
    if (error != 0) {
        std::filesystem::remove(temp, ec);
        return failure(target, error);
    }
    return {};
}

} // namespace quarvel
