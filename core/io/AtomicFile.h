#pragma once

#include "Platform.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

/// Outcome of writing a file: ok, or the Polish message (Windows-1250) naming the file and the reason.
struct WriteResult {
    bool ok = true;
    int error = 0; ///< the system's error code of the failure
    std::string message;
    /// With `ok`: what the user should know although every file is in place (Windows-1250), else empty.
    std::string warning;
};

/// Output into the temporary file of a write; remembers the first failure, after which it writes nothing.
class FileOutput {
public:
    virtual ~FileOutput() = default;
    virtual void write(std::string_view bytes) = 0;
    /// Writes out what is held back; the system's error code of the first failure, else 0.
    virtual int flush() = 0;
};

/// Makes the output into the opened temporary file of a write; tests replace it to fail as a full disk
/// or a broken medium would.
using OutputOpener = std::function<std::unique_ptr<FileOutput>(platform::NativeFile& file)>;

/// The system's writes into the file, gathered into large pieces.
std::unique_ptr<FileOutput> openFileOutput(platform::NativeFile& file);

/// Writes the new content of a file.
using Producer = std::function<void(FileOutput&)>;

/// Thrown by a producer that cannot make its content, for example because what it copies changed: the
/// write fails with `message` and, as for any failure while writing, nothing of it is put in place.
class ProducerFailure : public std::runtime_error {
public:
    ProducerFailure(int error, std::string message)
        : std::runtime_error("producer failed"), m_error(error), m_message(std::move(message)) {}
    int error() const { return m_error; }
    /// The Polish message (Windows-1250) naming what failed and why.
    const std::string& message() const { return m_message; }

private:
    int m_error;
    std::string m_message;
};

/// A file that a write must never touch, and what the messages call it (Windows-1250).
struct ProtectedFile {
    std::filesystem::path file;
    std::string role;
};

/// A change of one file: its new content, or, without `produce`, its removal.
struct FileChange {
    std::filesystem::path target;
    Producer produce;
    std::string role; ///< what the messages call the file when another change would touch it too
};

/// Makes all `changes` or none. Each new content goes to a temporary file in its target's folder, which
/// is synced; only when every one is complete, and under a lock of each folder that other runs share,
/// are they renamed over their targets and the files to remove removed, then the folders synced. Before
/// the first rename an intent file beside them names the earlier files and where they are kept (a second
/// name, or where the file system has none, the file renamed aside); a later write into the folder
/// that finds the intent of a run that ended part way puts the earlier files back first. A failure
/// leaves every earlier file as it was; a failure while renaming puts back what was already renamed; a
/// folder that cannot be synced afterwards is a `warning`. A target that is a symbolic link is written
/// through it where the system's rule for shared folders would follow it. Refused before anything is
/// written: a target that is a folder, a device, a pipe, a socket or the standard output or error, and
/// two changes, or a change and an `untouchable` file, that are the same file, or two names in one folder
/// that its file system takes for one.
WriteResult changeFilesTogether(const std::vector<FileChange>& changes,
                                const std::vector<ProtectedFile>& untouchable = {},
                                const OutputOpener& open = openFileOutput);

/// The refusals of changeFilesTogether alone, which touch nothing: a command can tell them before it starts.
WriteResult checkFileChanges(const std::vector<FileChange>& changes, const std::vector<ProtectedFile>& untouchable = {});

/// Writes `target` completely or not at all, as changeFilesTogether does for a single file.
WriteResult writeFileAtomically(const std::filesystem::path& target, const Producer& produce,
                                const std::vector<ProtectedFile>& untouchable = {},
                                const OutputOpener& open = openFileOutput);

/// Whether the temporary files of a write are named like this: they start with a dot so that they stay
/// out of the user's way, and a later write into the same folder removes those a killed run left.
bool isTemporaryFileName(const std::filesystem::path& name);

/// Whether `a` and `b` are one file: the same file on disk (through links and hard links, by its
/// identity), or, where one does not exist yet, the same name once links are resolved.
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

} // namespace quarvel
