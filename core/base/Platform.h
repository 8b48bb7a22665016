#pragma once

// The few system calls the standard library lacks, and what the systems do differently with paths,
// errors and the console; one implementation per operating system (PlatformPosix.cpp,
// PlatformWindows.cpp). Every other file of the core and the batch command is free of system headers
// and #ifdef.

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace quarvel::platform {

// Error numbers of POSIX that Windows' C library lacks; there they get numbers past its own.
#ifdef ESTALE
inline constexpr int kErrorStale = ESTALE;
#else
inline constexpr int kErrorStale = 2001;
#endif
#ifdef EDQUOT
inline constexpr int kErrorQuota = EDQUOT;
#else
inline constexpr int kErrorQuota = 2002;
#endif

/// The errno value of a failure the standard library reports as an error_code: std::filesystem on
/// Windows gives the system's own codes, which the messages do not know.
int errorNumber(const std::error_code& error);

/// A path from UTF-8 text (an argument, an option). On POSIX the bytes are the name as they are.
std::filesystem::path pathFromUtf8(std::string_view text);

/// The UTF-8 text of a path, to print it. On POSIX the bytes of the name as they are; never throws.
std::string utf8FromPath(const std::filesystem::path& path);

/// Whether the name of `path` is one Windows keeps for a device in every folder (NUL, CON, COM1…,
/// with or without an extension). Never on POSIX, where a device is a file of its own kind.
bool isReservedDeviceName(const std::filesystem::path& path);

/// Gives `from` the name `to`, replacing a file of that name; the error code, else 0.
int renameFile(const std::filesystem::path& from, const std::filesystem::path& to);

/// The calendar time of `time` in the local time zone.
std::tm localTime(std::time_t time);

/// The program's arguments without its name, in UTF-8: on Windows read from the wide command line,
/// since the narrow `argv` holds them in the code page, which cannot hold every name.
std::vector<std::string> programArguments(int argc, char** argv);

/// Makes the standard output and error take bytes as they are: no line-end conversion on Windows. A
/// standard stream the program was started without is given something that fails every write, so that
/// no file the program opens takes its number and receives what is printed.
void useBinaryStandardStreams();

/// Whether the standard output (1) or error (2) is a terminal or console, where control characters act.
bool isTerminal(int stream);

/// Whether the standard output (1) or error (2) is a console window rather than a file or a pipe.
bool isConsole(int stream);

/// Writes UTF-8 text to the console window of `stream` in the console's own characters (on Windows
/// UTF-16, whatever its code page); false when that fails or the stream is no console.
bool writeToConsole(int stream, std::string_view utf8);

/// Asks the system to back the whole large pages (2 MiB) inside [address, address + size) with large
/// pages when they are first touched, which spares the faults of their small pages. A hint: where the
/// system offers no large pages (or on Windows, which gives them only to privileged programs), nothing.
void adviseLargePages(void* address, std::size_t size);

/// Gives the whole pages inside [address, address + size) back to the system: room the program reserved
/// and has not used, whose pages large-page backing may have brought in whole. A page touched again
/// reads as zeros. Where the system cannot take pages back so (Windows), nothing.
void releasePages(void* address, std::size_t size);

/// An open file of the system, closed with the object.
class NativeFile {
public:
    NativeFile() = default;
    explicit NativeFile(std::intptr_t handle) : m_handle(handle) {}
    NativeFile(NativeFile&& other) noexcept : m_handle(other.m_handle) { other.m_handle = kNone; }
    NativeFile& operator=(NativeFile&& other) noexcept {
        if (this != &other) {
            close();
            m_handle = other.m_handle;
            other.m_handle = kNone;
        }
        return *this;
    }
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
/// creating process until it is closed: removeIfAbandoned leaves it alone meanwhile. `privateMode`
/// makes it readable by its owner only; otherwise it gets the permissions a new file gets.
NativeFile createOwnFile(const std::filesystem::path& path, bool privateMode, int& error);

/// Opens the existing file `path` and holds it as createOwnFile's files are held, so that
/// removeIfAbandoned leaves it alone while the object lives (unless another program locked it first).
/// On Windows, where a file open under one name cannot be replaced under another, nothing is opened:
/// the file is held by its other names (removeIfAbandoned leaves alone a file that has more than one).
NativeFile holdFileOpen(const std::filesystem::path& path, int& error);

/// Removes the file `path` when it is a regular file that no running process created and still holds
/// (one left by a process that was killed while writing it). Links and other kinds are left alone, and
/// on Windows a file that has other names.
void removeIfAbandoned(const std::filesystem::path& path);

/// Writes all of `bytes`; the system's error code of a failure, else 0.
int writeAll(NativeFile& file, const char* bytes, std::size_t size);

/// Makes the file's content durable on its medium; the error code, else 0.
int syncFile(NativeFile& file);

/// Makes the names in a folder (a rename, a removal) durable on its medium; the error code, else 0.
int syncFolder(const std::filesystem::path& folder);

/// Gives `file` what the existing file `model` allows whom: its owner and group where the process may,
/// its permission bits and its access control list (on Windows its security descriptor). What the file
/// system cannot keep (FAT has no owners, some systems no ACLs) is left as it is, not a failure.
int copyPermissions(NativeFile& file, const std::filesystem::path& model);

/// Whether the existing `file` may be replaced or removed now: EBUSY on Windows while another program
/// holds it open without sharing it (a name of it made meanwhile could not be removed again), else 0.
int checkReplaceable(const std::filesystem::path& file);

/// Which file a path names: on POSIX its device and inode, on Windows its volume's serial number and
/// its file index. Two names of one file (links, hard links, another spelling) have one identity.
struct FileId {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileId&) const = default;
    auto operator<=>(const FileId&) const = default;
};

/// The identity of the file `path` names, through symbolic links unless `ofLink`; none when nothing
/// has that name or the system cannot tell.
std::optional<FileId> identityOf(const std::filesystem::path& path, bool ofLink = false);

/// The identity of what the standard output (1) or error (2) goes to; none when it is closed.
std::optional<FileId> identityOfStream(int stream);

/// Whether the system's rule for links in folders others may write to lets this process follow the
/// symbolic link `link`: a link in a world-writable folder with the sticky bit is followed only when it
/// belongs to the process's user or to the folder's owner. Always where the system has no such folders.
bool mayFollowLink(const std::filesystem::path& link);

/// Tries once to take the lock that runs writing into `folder` share, for as long as the returned file
/// is open; EWOULDBLOCK in `error` while another holds it. Where the file system has no locks, nothing is
/// opened and `error` is 0: the run goes on without.
NativeFile tryLockFolder(const std::filesystem::path& folder, int& error);

/// Opens the file `path` for reading when it is a regular file that no running process created and
/// still holds, keeping it held meanwhile; otherwise nothing is opened.
NativeFile openIfAbandoned(const std::filesystem::path& path);

/// Reads the whole rest of `file` into `bytes`; the system's error code of a failure, else 0.
int readAll(NativeFile& file, std::string& bytes);

/// Opens a file for reading only, unbuffered; nullptr and the error code on failure.
std::FILE* openForReading(const std::filesystem::path& path, int& error);

/// What tells one state of a file from another: which file it is, its size and last change.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};

/// The stamp of an open file; none when the system cannot tell.
std::optional<FileStamp> stampOf(std::FILE* file);

} // namespace quarvel::platform
