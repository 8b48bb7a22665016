#include "Platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <aclapi.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cwctype>

namespace quarvel::platform {
namespace {

HANDLE handleOf(const NativeFile& file) {
    return reinterpret_cast<HANDLE>(file.handle());
}

NativeFile fileOf(HANDLE handle) {
    return NativeFile(reinterpret_cast<std::intptr_t>(handle));
}

// The longest name of a file in a folder, in UTF-16 units, on NTFS and FAT alike.
constexpr std::size_t kLongestName = 255;

// ERROR_DISK_QUOTA_EXCEEDED, which mingw-w64's headers lack.
constexpr DWORD kDiskQuotaExceeded = 1295;

// The errno value the messages know for a code of the system. What has none becomes an input/output
// error rather than a number no message explains.
int errnoOf(DWORD code) {
    switch (code) {
    case ERROR_SUCCESS:
        return 0;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
        return EACCES;
    case ERROR_PRIVILEGE_NOT_HELD:
        return EPERM;
    // Another program has the file open without sharing it, or locked a part of it.
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
    case ERROR_BUSY:
        return EBUSY;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case kDiskQuotaExceeded:
        return kErrorQuota;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
        return ENAMETOOLONG;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_CANT_RESOLVE_FILENAME:
        return ELOOP;
    case ERROR_TOO_MANY_LINKS:
        return EMLINK;
    case ERROR_FILE_TOO_LARGE:
        return EFBIG;
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
        return ENOTSUP;
    case ERROR_INVALID_NAME:
        return EINVAL;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    default:
        return EIO;
    }
}

int lastError() {
    const int error = errnoOf(GetLastError());
    return error != 0 ? error : EIO;
}

// Windows tells a name longer than a folder may hold as a missing or a bad name.
int nameError(int error, const std::filesystem::path& path) {
    const bool tooLong = path.filename().native().size() > kLongestName;
    return (error == ENOENT || error == EINVAL) && tooLong ? ENAMETOOLONG : error;
}

// The lock that marks a file as its process's: one byte far past any content, so that it never stands in
// the way of reading or writing the data. The system drops it when the process ends, however it ends.
constexpr DWORD kLockOffsetLow = 0xFFFFFFFEU;
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFFU;

bool tryLock(HANDLE file) {
    OVERLAPPED at{};
    at.Offset = kLockOffsetLow;
    at.OffsetHigh = kLockOffsetHigh;
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

bool deletePending(HANDLE file) {
    FILE_STANDARD_INFO info{};
    return GetFileInformationByHandleEx(file, FileStandardInfo, &info, sizeof info) != 0 && info.DeletePending;
}

std::wstring wideFromUtf8(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

// Characters that cannot be told (a lone half of a surrogate pair) become U+FFFD.
std::string utf8FromWide(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), length, nullptr, nullptr);
    return utf8;
}

HANDLE standardHandle(int stream) {
    return GetStdHandle(stream == 2 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
}

} // namespace

NativeFile& NativeFile::operator=(NativeFile&& other) noexcept {
    if (this != &other) {
        close();
        m_handle = other.m_handle;
        other.m_handle = kNone;
    }
    return *this;
}

int NativeFile::close() {
    if (m_handle == kNone) return 0;
    const BOOL closed = CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    m_handle = kNone;
    return closed ? 0 : lastError();
}

// The file is shared for deleting so that this process can rename and remove it while it is open; the
// lock tells other processes that it is still being written. A new file has the permissions its folder
// gives to files in it, so `privateMode` needs nothing more.
NativeFile createOwnFile(const std::filesystem::path& path, bool, int& error) {
    NativeFile file =
        fileOf(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE | WRITE_DAC,
                           FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.isOpen()) {
        error = nameError(lastError(), path);
        return {};
    }
    const bool locked = tryLock(handleOf(file));
    const DWORD failure = locked ? ERROR_LOCK_VIOLATION : GetLastError();
    if (locked && !deletePending(handleOf(file))) {
        error = 0;
        return file;
    }
    // Another process's removeIfAbandoned took the lock between the creation and this lock, and removes
    // the file: the caller tries another name, as for a name that was taken.
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    (void)SetFileInformationByHandle(handleOf(file), FileDispositionInfo, &disposition, sizeof disposition);
    error = failure == ERROR_LOCK_VIOLATION ? EEXIST : errnoOf(failure);
    return {};
}

// The files held are the earlier files a write keeps aside under a second name (a hard link) while it
// replaces them: an open handle would stop the replacement under wine, and the second name is the hold.
NativeFile holdFileOpen(const std::filesystem::path&, int& error) {
    error = 0;
    return {};
}

void removeIfAbandoned(const std::filesystem::path& path) {
    NativeFile file =
        fileOf(CreateFileW(path.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.isOpen()) return;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handleOf(file), &info)) return;
    if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) !=
        0)
        return;
    if (info.nNumberOfLinks > 1) return;  // the earlier file of a running write, kept aside (holdFileOpen)
    if (!tryLock(handleOf(file))) return; // its process is still writing it
    // Removes the very file that was locked, whatever has its name by now.
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    (void)SetFileInformationByHandle(handleOf(file), FileDispositionInfo, &disposition, sizeof disposition);
}

int writeAll(NativeFile& file, const char* bytes, std::size_t size) {
    while (size > 0) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size, std::size_t{1} << 30));
        DWORD written = 0;
        if (!WriteFile(handleOf(file), bytes, piece, &written, nullptr)) return lastError();
        bytes += written;
        size -= written;
    }
    return 0;
}

int syncFile(NativeFile& file) {
    return FlushFileBuffers(handleOf(file)) ? 0 : lastError();
}

// NTFS records a change of names in its journal before it is done; a folder cannot be flushed by a
// process without administrator rights.
int syncFolder(const std::filesystem::path&) {
    return 0;
}

// The earlier file's access list goes to the new one as it was: inherited entries stay inherited from the
// same folder, a list protected from inheritance stays protected. The owner is the creator's: giving a
// file away takes a privilege. A file system without security (FAT) or a list the process may not read
// leaves the new file with what its folder gives, as before.
int copyPermissions(NativeFile& file, const std::filesystem::path& model) {
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(model.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                              nullptr, &descriptor) != ERROR_SUCCESS)
        return 0;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION;
    if (GetSecurityDescriptorControl(descriptor, &control, &revision))
        what |= (control & SE_DACL_PROTECTED) != 0 ? PROTECTED_DACL_SECURITY_INFORMATION
                                                   : UNPROTECTED_DACL_SECURITY_INFORMATION;
    if (dacl != nullptr)
        (void)SetSecurityInfo(handleOf(file), SE_FILE_OBJECT, what, nullptr, nullptr, dacl, nullptr);
    LocalFree(descriptor);
    return 0;
}

namespace {

std::optional<FileId> identityOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr || !GetFileInformationByHandle(handle, &info))
        return std::nullopt;
    return FileId{info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

// The lock of a folder: a file no other process may open while it is, gone when it is closed.
constexpr wchar_t kFolderLockName[] = L".quarvel.lock";

} // namespace

std::optional<FileId> identityOf(const std::filesystem::path& path, bool ofLink) {
    // No access asked: a file another program holds without sharing still tells who it is.
    NativeFile file = fileOf(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | (ofLink ? FILE_FLAG_OPEN_REPARSE_POINT : 0),
                                         nullptr));
    if (!file.isOpen()) return std::nullopt;
    return identityOfHandle(handleOf(file));
}

std::optional<FileId> identityOfStream(int stream) {
    return identityOfHandle(standardHandle(stream));
}

// Windows has no world-writable folders of the sticky kind, and making a link takes a privilege.
bool mayFollowLink(const std::filesystem::path&) {
    return true;
}

NativeFile tryLockFolder(const std::filesystem::path& folder, int& error) {
    const std::filesystem::path name = folder / kFolderLockName;
    NativeFile lock = fileOf(CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                                         FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (lock.isOpen()) {
        error = 0;
        return lock;
    }
    const DWORD failure = GetLastError();
    // Held by another run; or just let go by it, while its removal is pending.
    const bool held = failure == ERROR_SHARING_VIOLATION ||
                      (failure == ERROR_ACCESS_DENIED && GetFileAttributesW(name.c_str()) != INVALID_FILE_ATTRIBUTES);
    error = held ? EWOULDBLOCK : 0; // a folder where no file can be made has nothing to lock
    return {};
}

NativeFile openIfAbandoned(const std::filesystem::path& path) {
    NativeFile file =
        fileOf(CreateFileW(path.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.isOpen()) return {};
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handleOf(file), &info)) return {};
    if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0)
        return {};
    if (!tryLock(handleOf(file))) return {};
    return file;
}

int readAll(NativeFile& file, std::string& bytes) {
    char buffer[8192];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(handleOf(file), buffer, sizeof buffer, &got, nullptr)) return lastError();
        if (got == 0) return 0;
        bytes.append(buffer, got);
    }
}

int checkReplaceable(const std::filesystem::path& file) {
    HANDLE probe = CreateFileW(file.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION ? EBUSY : 0;
    CloseHandle(probe);
    return 0;
}

std::FILE* openForReading(const std::filesystem::path& path, int& error) {
    // Shared for writing and deleting as a file is on POSIX: a change while the file is read is found by
    // its stamp. A program that holds the file without sharing it makes this fail as a file in use.
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = lastError();
        return nullptr;
    }
    const int descriptor = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (descriptor < 0) {
        CloseHandle(handle);
        error = EMFILE;
        return nullptr;
    }
    std::FILE* file = _fdopen(descriptor, "rb");
    if (file == nullptr) {
        _close(descriptor);
        error = EMFILE;
        return nullptr;
    }
    // The reader asks for large blocks itself; a second buffer in stdio would only copy them again.
    std::setvbuf(file, nullptr, _IONBF, 0);
    error = 0;
    return file;
}

std::optional<FileStamp> stampOf(std::FILE* file) {
    if (file == nullptr) return std::nullopt;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) return std::nullopt;
    FileStamp stamp;
    stamp.device = info.dwVolumeSerialNumber;
    stamp.inode = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    stamp.size = (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
    // In units of 100 ns since 1601; only equality matters.
    const std::uint64_t ticks =
        (std::uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) | info.ftLastWriteTime.dwLowDateTime;
    stamp.modifiedNs = static_cast<std::int64_t>(ticks) * 100;
    return stamp;
}

int errorNumber(const std::error_code& error) {
    if (error.category() == std::system_category()) return errnoOf(static_cast<DWORD>(error.value()));
    return error.value();
}

std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(wideFromUtf8(text));
}

std::string utf8FromPath(const std::filesystem::path& path) {
    return utf8FromWide(path.native());
}

bool isReservedDeviceName(const std::filesystem::path& path) {
    // The name up to its first dot, without the spaces Windows drops from its end: "nul.txt" and
    // "COM1 " are devices as "NUL" is.
    std::wstring name = path.filename().native();
    name = name.substr(0, name.find(L'.'));
    while (!name.empty() && name.back() == L' ')
        name.pop_back();
    for (wchar_t& c : name)
        c = static_cast<wchar_t>(std::towupper(c));
    static constexpr std::array<std::wstring_view, 6> kNames = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    if (std::find(kNames.begin(), kNames.end(), name) != kNames.end()) return true;
    // COM0 to COM9 and LPT0 to LPT9, and with the superscript digits ¹ ² ³.
    if (name.size() != 4 || (name.compare(0, 3, L"COM") != 0 && name.compare(0, 3, L"LPT") != 0)) return false;
    const wchar_t digit = name[3];
    return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

int renameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return 0;
    const DWORD failure = GetLastError();
    if (failure != ERROR_ACCESS_DENIED) return nameError(errnoOf(failure), to);
    // Windows says "access denied" of a folder in the way and of a file another program has open; an
    // opening for deletion tells the second.
    const DWORD attributes = GetFileAttributesW(to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return EISDIR;
    HANDLE probe = CreateFileW(to.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        return EACCES;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION ? EBUSY : EACCES;
}

void adviseLargePages(void*, std::size_t) {
    // Windows gives large pages only to a program holding the privilege to lock memory: small pages.
}

std::tm localTime(std::time_t time) {
    std::tm local{};
    localtime_s(&local, &time);
    return local;
}

std::vector<std::string> programArguments(int, char**) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    if (wide == nullptr) return arguments;
    for (int k = 1; k < count; ++k)
        arguments.push_back(utf8FromWide(wide[k]));
    LocalFree(static_cast<HLOCAL>(wide));
    return arguments;
}

// Output redirected to a file or a pipe is UTF-8 with the line ends of the text, as on POSIX.
void useBinaryStandardStreams() {
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

bool isTerminal(int stream) {
    return isConsole(stream);
}

bool isConsole(int stream) {
    DWORD mode = 0;
    return GetConsoleMode(standardHandle(stream), &mode) != 0;
}

bool writeToConsole(int stream, std::string_view utf8) {
    const std::wstring wide = wideFromUtf8(utf8);
    const wchar_t* at = wide.data();
    std::size_t left = wide.size();
    while (left > 0) {
        DWORD written = 0;
        const auto piece = static_cast<DWORD>(std::min<std::size_t>(left, 8192));
        if (!WriteConsoleW(standardHandle(stream), at, piece, &written, nullptr) || written == 0) return false;
        at += written;
        left -= written;
    }
    return true;
}

} // namespace quarvel::platform
