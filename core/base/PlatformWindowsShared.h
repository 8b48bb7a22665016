#pragma once

// What the Windows implementation of Platform.h (PlatformWindowsFiles.cpp, PlatformWindowsProcess.cpp)
// shares: handles, the system's error codes as errno values, the lock that marks a file as its process's,
// UTF-16 text.

#include "Platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quarvel::platform::detail {

inline HANDLE handleOf(const NativeFile& file) {
    return reinterpret_cast<HANDLE>(file.handle());
}

inline NativeFile fileOf(HANDLE handle) {
    return NativeFile(reinterpret_cast<std::intptr_t>(handle));
}

// The longest name of a file in a folder, in UTF-16 units, on NTFS and FAT alike.
constexpr std::size_t kLongestName = 255;

// ERROR_DISK_QUOTA_EXCEEDED, which mingw-w64's headers lack.
constexpr DWORD kDiskQuotaExceeded = 1295;

// The errno value the messages know for a code of the system. What has none becomes an input/output
// error rather than a number no message explains.
int errnoOf(DWORD code);

int lastError();

// Windows tells a name longer than a folder may hold as a missing or a bad name.
int nameError(int error, const std::filesystem::path& path);

// The lock that marks a file as its process's: one byte far past any content, so that it never stands in
// the way of reading or writing the data. The system drops it when the process ends, however it ends.
constexpr DWORD kLockOffsetLow = 0xFFFFFFFEU;
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFFU;

bool tryLock(HANDLE file);

bool deletePending(HANDLE file);

std::wstring wideFromUtf8(std::string_view text);

// Characters that cannot be told (a lone half of a surrogate pair) become U+FFFD.
std::string utf8FromWide(std::wstring_view text);

HANDLE standardHandle(int stream);

std::optional<FileId> identityOfHandle(HANDLE handle);

} // namespace quarvel::platform::detail
