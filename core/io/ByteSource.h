#pragma once

#include "Platform.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quarvel {

/// A stream of bytes read front to back: a file, or a test's stand-in for one.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    /// Reads up to `n` bytes into `buffer`; 0 at the end of the data or on failure (then error() tells which).
    virtual std::size_t read(char* buffer, std::size_t n) = 0;
    /// The system's error code of a failed read (an errno value), 0 while none failed.
    virtual int error() const = 0;
    /// Which file is read, with its size and last change now; none for a source that is no file.
    virtual std::optional<platform::FileStamp> stamp() const { return std::nullopt; }
    /// The bytes of the file read so far, where they are not the bytes handed on (a decoded file).
    virtual std::optional<std::uint64_t> fileBytesRead() const { return std::nullopt; }
};

/// A source that was opened, or the system's error code of the failure.
struct OpenedSource {
    std::unique_ptr<ByteSource> source;
    int error = 0;
};

/// The error of opening something that is neither a file nor a folder (a device, a pipe, a socket).
inline constexpr int kNotARegularFile = ENODEV;
/// The error of a file that changed while it was read (its size or content, or another file took its name).
inline constexpr int kChangedWhileRead = platform::kErrorStale;
/// The error of a file with more lines than the counts of records can hold.
inline constexpr int kTooManyLines = EOVERFLOW;
/// The error of a symbolic link that another user planted in a folder everyone may write to.
inline constexpr int kUntrustedLink = 2101;
/// The error of a folder another run of the program keeps writing into for longer than a run waits.
inline constexpr int kFolderBusy = 2102;

/// Opens a file for reading only. A folder fails with EISDIR, a device or pipe with kNotARegularFile:
/// it could block the opening or never end, and the load reads its input twice.
OpenedSource openFileSource(const std::filesystem::path& path);

/// How the load opens its input; tests replace it to inject failures.
using SourceOpener = std::function<OpenedSource(const std::filesystem::path&)>;

/// The reason of a system error in Polish (Windows-1250), for the messages the user is shown.
std::string describeSystemError(int error);

/// A path as the user reads it in a message: Windows-1250, other characters as "?".
std::string pathForMessage(const std::filesystem::path& path);

} // namespace quarvel
