#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace quarvel {

/// Outcome of writing a file: ok, or the Polish message (Windows-1250) naming the file and the reason.
struct WriteResult {
    bool ok = true;
    int error = 0; ///< the system's error code of the failure
    std::string message;
};

/// Failures a test can inject into a write, as a full disk or a broken medium would cause them.
struct WriteFaults {
    std::optional<std::uint64_t> failAfterBytes; ///< the write fails once this many bytes were written
    int error = 0;                               ///< the error code it then fails with (ENOSPC when 0)
};

/// Buffered output into the temporary file of a write; remembers the first failure.
class FileOutput {
public:
    virtual ~FileOutput() = default;
    virtual void write(std::string_view bytes) = 0;
    void put(char c) { write(std::string_view(&c, 1)); }
};

/// Writes `target` completely or not at all: `produce` writes into a temporary file in the same folder,
/// which is flushed and then renamed over the target. On any failure the temporary file is removed and
/// an earlier file of that name stays as it was.
WriteResult WriteFileAtomically(const std::filesystem::path& target, const std::function<void(FileOutput&)>& produce,
                                const WriteFaults& faults = {});

} // namespace quarvel
