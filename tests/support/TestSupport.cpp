#include "support/TestSupport.h"

#include "Correction.h"
#include "MainWindowPresenter.h"
#include "Pipeline.h"
#include "Validation.h"

#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace quarvel {

void runCorrectionPass(Session& session) {
    const RunSettings settings = currentRunSettings(session);
    runCorrectionPass(session.file,
                      CorrectionSettings{settings.sourceCodePage(session.file), settings.trimFields, settings.replaceControl},
                      session.clock.today());
}

void ValidateAllRecords(Session& session) {
    validateRecords(session.file, session.clock.today().year(), session.state.checkNrbDigits.checked);
    showStatistics(session.file, session.state);
}

} // namespace quarvel

namespace quarvel::test {

TempDir::TempDir() {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = base / ("quarvel-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::filesystem::path TempDir::write(const std::string& name, std::string_view bytes) const {
    const auto file = m_path / platform::pathFromUtf8(name);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + platform::utf8FromPath(file));
    return file;
}

void SkipCase(std::string_view what, std::string_view why) {
    std::cout << "[ SKIPPED  ] case \"" << what << "\": " << why << std::endl;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void LoadBytes(TestSession& t, const TempDir& dir, std::string_view bytes, const std::string& name) {
    const auto path = dir.write(name, bytes);
    t.file().fileName = path;
    loadIntoWindow(t.session, path);
}

std::string JoinValues(const LoadedFile& file, std::size_t i) {
    std::string out;
    for (std::size_t j = 0; j < file.fieldCount(i); ++j) {
        if (j > 0) out += '|';
        out += file.value(i, j).view();
    }
    return out;
}

std::string JoinRawValues(const LoadedFile& file, std::size_t i) {
    std::string out;
    for (std::size_t j = 0; j < file.fieldCount(i); ++j) {
        if (j > 0) out += '|';
        out += file.rawValue(i, j);
    }
    return out;
}

namespace {

class FailingFileOutput final : public FileOutput {
public:
    FailingFileOutput(std::unique_ptr<FileOutput> system, std::uint64_t failAfterBytes, int error)
        : m_system(std::move(system)), m_room(failAfterBytes), m_error(error) {}

    void write(std::string_view bytes) override {
        if (m_failed) return;
        if (bytes.size() > m_room) {
            m_system->write(bytes.substr(0, m_room));
            m_failed = true;
            return;
        }
        m_system->write(bytes);
        m_room -= bytes.size();
    }
    int flush() override {
        const int error = m_system->flush();
        return m_failed ? m_error : error;
    }

private:
    std::unique_ptr<FileOutput> m_system;
    std::uint64_t m_room;
    int m_error;
    bool m_failed = false;
};

} // namespace

OutputOpener FailingOutput(std::uint64_t failAfterBytes, int error) {
    return [failAfterBytes, error](platform::NativeFile& file) {
        return std::make_unique<FailingFileOutput>(openFileOutput(file), failAfterBytes, error);
    };
}

std::filesystem::path ExamplePath(const std::string& name) {
    return std::filesystem::path(QUARVEL_EXAMPLES_DIR) / name;
}

} // namespace quarvel::test
