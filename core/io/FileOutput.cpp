#include "AtomicFile.h"

#include "Platform.h"

#include <memory>
#include <vector>

namespace quarvel {
namespace {

class TempFileOutput final : public FileOutput {
public:
    explicit TempFileOutput(platform::NativeFile& file) : m_file(file) { m_buffer.reserve(kBufferSize); }

    void write(std::string_view bytes) override {
        if (m_error != 0) return;
        // Large pieces go out as they are, after what is buffered; only small ones are gathered.
        if (m_buffer.size() + bytes.size() > kBufferSize || bytes.size() >= kDirectWrite) flush();
        if (bytes.size() >= kDirectWrite) {
            if (m_error == 0) m_error = platform::writeAll(m_file, bytes.data(), bytes.size());
        } else {
            m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
        }
    }

    int flush() override {
        if (m_error == 0 && !m_buffer.empty()) m_error = platform::writeAll(m_file, m_buffer.data(), m_buffer.size());
        m_buffer.clear();
        return m_error;
    }

private:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 20;
    static constexpr std::size_t kDirectWrite = std::size_t{1} << 16;

    platform::NativeFile& m_file;
    std::vector<char> m_buffer;
    int m_error = 0;
};

} // namespace

std::unique_ptr<FileOutput> openFileOutput(platform::NativeFile& file) {
    return std::make_unique<TempFileOutput>(file);
}

} // namespace quarvel
