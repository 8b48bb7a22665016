#include "Platform.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <vector>

namespace quarvel::platform {
namespace {

int fd(const NativeFile& file) {
    return static_cast<int>(file.handle());
}

int lastError() {
    return errno != 0 ? errno : EIO;
}

} // namespace

int NativeFile::close() {
    if (m_handle == kNone) return 0;
    // Not retried on EINTR: on Linux the descriptor is released whatever close returns.
    const int result = ::close(static_cast<int>(m_handle));
    m_handle = kNone;
    return result == 0 || errno == EINTR ? 0 : lastError();
}

// A file the process owns is locked for as long as it is open: the lock goes with the process, so a
// file whose lock can be taken was left by a process that ended.
NativeFile createOwnFile(const std::filesystem::path& path, bool privateMode, int& error) {
    for (;;) {
        errno = 0;
        const mode_t mode = privateMode ? S_IRUSR | S_IWUSR : S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;
        NativeFile file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (!file.isOpen()) {
            error = lastError();
            return {};
        }
        // Waits only while another process's removeIfAbandoned looks at the file, which it found unlocked
        // between the creation and this lock, and may have removed.
        while (::flock(fd(file), LOCK_EX) != 0) {
            if (errno != EINTR) {
                error = lastError();
                ::unlink(path.c_str());
                return {};
            }
        }
        struct stat status {};
        if (::fstat(fd(file), &status) == 0 && status.st_nlink > 0) {
            error = 0;
            return file;
        }
        // Removed as abandoned before it was locked: the name is free again.
    }
}

NativeFile holdFileOpen(const std::filesystem::path& path, int& error) {
    NativeFile file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.isOpen()) {
        error = lastError();
        return {};
    }
    // Not waited for: another program may hold a lock of its own on the file for as long as it likes.
    (void)::flock(fd(file), LOCK_EX | LOCK_NB);
    error = 0;
    return file;
}

void removeIfAbandoned(const std::filesystem::path& path) {
    NativeFile file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.isOpen()) return;
    struct stat opened {};
    if (::fstat(fd(file), &opened) != 0 || !S_ISREG(opened.st_mode)) return;
    if (::flock(fd(file), LOCK_EX | LOCK_NB) != 0) return; // its process is still writing it
    // The name must still be the file that was locked.
    struct stat named {};
    if (::lstat(path.c_str(), &named) != 0 || named.st_dev != opened.st_dev || named.st_ino != opened.st_ino) return;
    ::unlink(path.c_str());
}

int writeAll(NativeFile& file, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd(file), bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return lastError();
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

int syncFile(NativeFile& file) {
    return ::fsync(fd(file)) == 0 ? 0 : lastError();
}

int syncFolder(const std::filesystem::path& folder) {
    const std::filesystem::path& name = folder.empty() ? std::filesystem::path(".") : folder;
    NativeFile directory(::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.isOpen()) return lastError();
    // Some file systems cannot sync a folder and say so; their names are then as durable as they get.
    if (::fsync(fd(directory)) != 0 && errno != EINVAL && errno != ENOTSUP) return lastError();
    return 0;
}

// What a file system says when it has no place for a kind of metadata: FAT has no owners and refuses a
// change of mode, a FUSE file system may lack the call altogether.
static bool cannotKeep(int error) {
    return error == ENOSYS || error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == ENODATA;
}

int copyPermissions(NativeFile& file, const std::filesystem::path& model) {
    struct stat status {};
    if (::stat(model.c_str(), &status) != 0) return lastError();
    // The owner first: changing it clears the set-user-ID and set-group-ID bits, which the mode then sets.
    // Only a privileged process may give a file away; anyone else keeps the file as theirs.
    (void)::fchown(fd(file), status.st_uid, status.st_gid);
    if (::fchmod(fd(file), status.st_mode & 07777) != 0 && !cannotKeep(errno)) return lastError();
    // The access control list last: its mask is what the group bits of the mode showed, and setting the
    // mode alone would have given the owning group those rights instead.
    static constexpr const char* kAcl = "system.posix_acl_access";
    std::vector<char> acl(256);
    for (;;) {
        const ssize_t size = ::getxattr(model.c_str(), kAcl, acl.data(), acl.size());
        if (size >= 0) {
            if (::fsetxattr(fd(file), kAcl, acl.data(), static_cast<std::size_t>(size), 0) != 0 && !cannotKeep(errno))
                return lastError();
            return 0;
        }
        if (errno != ERANGE || acl.size() >= (std::size_t{1} << 20)) return 0; // no list, or none this system keeps
        acl.resize(acl.size() * 4);
    }
}

std::optional<FileId> identityOf(const std::filesystem::path& path, bool ofLink) {
    struct stat status {};
    if ((ofLink ? ::lstat(path.c_str(), &status) : ::stat(path.c_str(), &status)) != 0) return std::nullopt;
    return FileId{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

std::optional<FileId> identityOfStream(int stream) {
    struct stat status {};
    if (::fstat(stream, &status) != 0) return std::nullopt;
    return FileId{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

// The rule of Linux's fs.protected_symlinks, applied whether or not the system has it on: the writer
// reads links itself, where the kernel's protection never sees them.
bool mayFollowLink(const std::filesystem::path& link) {
    struct stat linkStatus {};
    struct stat folderStatus {};
    std::filesystem::path folder = link.parent_path();
    if (folder.empty()) folder = ".";
    if (::lstat(link.c_str(), &linkStatus) != 0 || ::stat(folder.c_str(), &folderStatus) != 0) return true;
    const bool shared = (folderStatus.st_mode & S_ISVTX) != 0 && (folderStatus.st_mode & S_IWOTH) != 0;
    return !shared || linkStatus.st_uid == ::geteuid() || linkStatus.st_uid == folderStatus.st_uid;
}

// The folder itself is locked: no file of the program's is left in it, and the lock goes with the
// process however it ends.
NativeFile tryLockFolder(const std::filesystem::path& folder, int& error) {
    NativeFile directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.isOpen()) {
        error = lastError();
        return {};
    }
    while (::flock(fd(directory), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        if (errno == EWOULDBLOCK) {
            error = EWOULDBLOCK;
            return {};
        }
        error = 0; // a file system without locks (some network shares)
        return {};
    }
    error = 0;
    return directory;
}

NativeFile openIfAbandoned(const std::filesystem::path& path) {
    NativeFile file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.isOpen()) return {};
    struct stat opened {};
    if (::fstat(fd(file), &opened) != 0 || !S_ISREG(opened.st_mode)) return {};
    if (::flock(fd(file), LOCK_EX | LOCK_NB) != 0) return {};
    return file;
}

int readAll(NativeFile& file, std::string& bytes) {
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd(file), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return lastError();
        }
        if (got == 0) return 0;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

int checkReplaceable(const std::filesystem::path&) {
    return 0;
}

std::FILE* openForReading(const std::filesystem::path& path, int& error) {
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = lastError();
        return nullptr;
    }
    // The reader asks for large blocks itself; a second buffer in stdio would only copy them again.
    std::setvbuf(file, nullptr, _IONBF, 0);
    error = 0;
    return file;
}

std::optional<FileStamp> stampOf(std::FILE* file) {
    struct stat status {};
    if (file == nullptr || ::fstat(::fileno(file), &status) != 0) return std::nullopt;
    FileStamp stamp;
    stamp.device = static_cast<std::uint64_t>(status.st_dev);
    stamp.inode = static_cast<std::uint64_t>(status.st_ino);
    stamp.size = static_cast<std::uint64_t>(status.st_size);
    stamp.modifiedNs = static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    return stamp;
}

int errorNumber(const std::error_code& error) {
    return error.value();
}

std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::string(text));
}

std::string utf8FromPath(const std::filesystem::path& path) {
    return path.native();
}

bool isReservedDeviceName(const std::filesystem::path&) {
    return false;
}

int renameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : lastError();
}

void releasePages(void* address, std::size_t size) {
    static const auto kPage = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(address);
    const std::uintptr_t first = (begin + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t last = (begin + size) & ~(kPage - 1);
    // Only whole pages of the range: the bytes around it stay as they are. A refusal changes nothing.
    if (first < last) (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
}

void adviseLargePages(void* address, std::size_t size) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kLargePage = std::uintptr_t{1} << 21;
    const auto begin = reinterpret_cast<std::uintptr_t>(address);
    const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = (begin + size) & ~(kLargePage - 1);
    // Only a hint: a system without transparent large pages refuses it, and nothing changes.
    if (first < last) (void)::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)address;
    (void)size;
#endif
}

std::tm localTime(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    return local;
}

std::vector<std::string> programArguments(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

void useBinaryStandardStreams() {
    for (int stream = 0; stream <= 2; ++stream) {
        if (::fcntl(stream, F_GETFD) != -1 || errno != EBADF) continue;
        // The root folder opened for reading takes the lowest free number, this one; a write to it fails.
        const int opened = ::open("/", O_RDONLY | O_DIRECTORY);
        if (opened != stream && opened >= 0) ::close(opened);
    }
}

bool isTerminal(int stream) {
    return ::isatty(stream) == 1;
}

// A terminal takes the UTF-8 bytes as they are.
bool isConsole(int) {
    return false;
}

bool writeToConsole(int, std::string_view) {
    return false;
}

} // namespace quarvel::platform
