#include "PlatformWindowsShared.h"

#include <aclapi.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <array>
#include <cwctype>

namespace quarvel::platform {

using namespace detail;

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

} // namespace quarvel::platform
