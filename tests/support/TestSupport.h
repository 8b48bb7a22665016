#pragma once

#include "Clock.h"
#include "MainWindowPresenter.h"
#include "Session.h"
#include "Windows1250.h"
#include "AtomicFile.h"
#include "ByteSource.h"
#include "support/MemorySource.h"
#include "support/TestPlatform.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

/// The correction pass with the settings the window state holds, as the window's re-run makes it.
void runCorrectionPass(Session& session);
/// The checks with the settings the window state holds, and the statistics shown, as after a re-run.
void ValidateAllRecords(Session& session);

/// A code page in a test's message, by its name.
inline std::ostream& operator<<(std::ostream& out, CodePage page) {
    return out << nameOf(page);
}

} // namespace quarvel

namespace quarvel::test {

/// Windows-1250 bytes of a UTF-8 literal, so tests can spell Polish texts readably.
inline std::string W(std::string_view utf8) {
    return cp1250FromUtf8(utf8);
}

/// 7 December 2026, the date of the examples.
inline const FixedClock kDecember7{std::chrono::year{2026} / 12 / 7};

/// Writes that fail once `failAfterBytes` bytes were written, with `error`, as a full disk (ENOSPC) or a
/// broken medium (EIO) would; the bytes before go to the file as the system's writes would take them.
OutputOpener FailingOutput(std::uint64_t failAfterBytes, int error);

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

/// Bytes loaded as a file through the load driver, with the session that loaded them.
struct LoadedBytes {
    explicit LoadedBytes(std::string_view bytes, const Clock& clock = kDecember7) : t(clock) {
        LoadBytes(t, dir, bytes);
    }
    TempDir dir;
    TestSession t;
    LoadedFile& file() { return t.file(); }
};

/// The values of record i as one text, fields joined by "|".
std::string JoinValues(const LoadedFile& file, std::size_t i);
std::string JoinRawValues(const LoadedFile& file, std::size_t i);

std::filesystem::path ExamplePath(const std::string& name);

} // namespace quarvel::test
