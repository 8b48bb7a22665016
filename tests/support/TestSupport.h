#pragma once

#include "Clock.h"
#include "Session.h"
#include "Typy/Windows1250.h"
#include "io/ByteSource.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel::test {

/// Windows-1250 bytes of a UTF-8 literal, so tests can spell Polish texts readably.
inline std::string W(std::string_view utf8) {
    return Cp1250FromUtf8(utf8);
}

/// 7 December 2026, the date of the examples.
inline const FixedClock kDecember7{std::chrono::year{2026} / 12 / 7};

/// Bytes read a few at a time, as from a file; with `failAfter` short of the end, reading fails with EIO once
/// that many were read, as a disk error would.
class PiecewiseSource final : public ByteSource {
public:
    explicit PiecewiseSource(std::string bytes, std::size_t chunk = std::size_t{1} << 20,
                             std::size_t failAfter = std::string::npos)
        : m_bytes(std::move(bytes)), m_chunk(chunk), m_failAfter(failAfter) {}
    std::size_t read(char* buffer, std::size_t n) override {
        if (m_pos >= m_failAfter) {
            if (m_failAfter < m_bytes.size()) m_error = EIO;
            return 0;
        }
        const std::size_t got = std::min({n, m_chunk, m_bytes.size() - m_pos, m_failAfter - m_pos});
        m_bytes.copy(buffer, got, m_pos);
        m_pos += got;
        return got;
    }
    int error() const override { return m_error; }

private:
    std::string m_bytes;
    std::size_t m_chunk;
    std::size_t m_failAfter;
    std::size_t m_pos = 0;
    int m_error = 0;
};

/// A user interface that records what the logic asked of it.
class RecordingUi final : public UserInterface {
public:
    void showMessage(MessageKind kind, std::string_view text) override {
        messages.emplace_back(text);
        messageKinds.push_back(kind);
    }
    void setBusy(bool busy) override { busyCalls.push_back(busy); }
    std::optional<std::filesystem::path> chooseFileToOpen(const std::vector<FileFilter>& filters,
                                                          const std::filesystem::path& startFolder) override {
        lastFilters = filters;
        lastStartFolder = startFolder;
        return nextFile;
    }

    std::vector<std::string> messages;
    std::vector<MessageKind> messageKinds; ///< the kind of each message, in the same order
    std::vector<bool> busyCalls;
    std::vector<FileFilter> lastFilters;
    std::filesystem::path lastStartFolder;
    std::optional<std::filesystem::path> nextFile;
};

/// A folder of its own under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    /// Writes `bytes` to a file of that name in the folder and returns its path.
    std::filesystem::path write(const std::string& name, std::string_view bytes) const;

private:
    std::filesystem::path m_path;
};

std::string ReadFile(const std::filesystem::path& path);

/// A session with a recording user interface and a fixed clock, ready to load.
struct TestSession {
    explicit TestSession(const Clock& clock = kDecember7) : session(ui, clock) {}
    RecordingUi ui;
    Session session;
    LoadedFile& file() { return session.file; }
    WindowState& state() { return session.state; }
};

/// Loads `bytes` as a file through the load driver; the file lives in `dir`.
void LoadBytes(TestSession& t, const TempDir& dir, std::string_view bytes, const std::string& name = "input.txt");

/// The values of record i as one text, fields joined by "|".
std::string JoinValues(const LoadedFile& file, std::size_t i);
std::string JoinRawValues(const LoadedFile& file, std::size_t i);

std::filesystem::path ExamplePath(const std::string& name);

} // namespace quarvel::test
