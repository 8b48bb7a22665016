#pragma once

// The few file operations the standard library lacks, one implementation per operating system
// (PlatformPosix.cpp). Every other file of the core is free of system headers and #ifdef.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace quarvel::platform {

/// An open file of the system, closed with the object.
class NativeFile {
public:
    NativeFile() = default;
    explicit NativeFile(std::intptr_t handle) : m_handle(handle) {}
    NativeFile(NativeFile&& other) noexcept : m_handle(other.m_handle) { other.m_handle = kNone; }
    NativeFile& operator=(NativeFile&& other) noexcept;
    NativeFile(const NativeFile&) = delete;
    NativeFile& operator=(const NativeFile&) = delete;
    ~NativeFile() { close(); }

    bool isOpen() const { return m_handle != kNone; }
    std::intptr_t handle() const { return m_handle; }
    /// Closes the file; the system's error code of a failed close (a write the system held back), else 0.
    int close();

private:
    static constexpr std::intptr_t kNone = -1;
    std::intptr_t m_handle = kNone;
};

/// Creates `path` for writing; fails with EEXIST when anything has that name. The file belongs to the
/// creating process until it is closed: RemoveIfAbandoned leaves it alone meanwhile. `privateMode`
/// makes it readable by its owner only; otherwise it gets the permissions a new file gets.
NativeFile CreateOwnFile(const std::filesystem::path& path, bool privateMode, int& error);

/// Opens the existing file `path` and holds it as CreateOwnFile's files are held, so that
/// RemoveIfAbandoned leaves it alone while the object lives (unless another program locked it first).
NativeFile HoldFile(const std::filesystem::path& path, int& error);

/// Removes the file `path` when it is a regular file that no running process created and still holds
/// (one left by a process that was killed while writing it). Links and other kinds are left alone.
void RemoveIfAbandoned(const std::filesystem::path& path);

/// Writes all of `bytes`; the system's error code of a failure, else 0.
int WriteAll(NativeFile& file, const char* bytes, std::size_t size);

/// Makes the file's content durable on its medium; the error code, else 0.
int SyncFile(NativeFile& file);

/// Makes the names in a folder (a rename, a removal) durable on its medium; the error code, else 0.
int SyncFolder(const std::filesystem::path& folder);

/// Gives `file` the permission bits of the existing file `model`, and its owner where the process may.
int CopyPermissions(NativeFile& file, const std::filesystem::path& model);

/// Opens a file for reading only, unbuffered; nullptr and the error code on failure.
std::FILE* OpenForReading(const std::filesystem::path& path, int& error);

/// What tells one state of a file from another: which file it is, its size and last change.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

/// The stamp of an open file; none when the system cannot tell.
std::optional<FileStamp> StampOf(std::FILE* file);

} // namespace quarvel::platform
