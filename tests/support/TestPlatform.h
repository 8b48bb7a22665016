#pragma once

// What the tests do differently on each system (TestPlatformPosix.cpp, TestPlatformWindows.cpp), so
// that the test files need no #ifdef. A case that needs what one system lacks skips, saying so.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quarvel::test {

/// Why this system cannot make a named pipe in a folder; empty where it can.
std::string WhyNoNamedPipes();

/// Makes a named pipe (FIFO) at `path`; false when that fails.
bool MakeNamedPipe(const std::filesystem::path& path);

/// Opens the writing end of the named pipe at `path` without waiting, and closes it at once: a reader
/// that waits for a writer goes on.
void TouchNamedPipe(const std::filesystem::path& path);

/// Whether a folder without write permission stops this process from creating files in it (it does
/// not stop root, and a read-only attribute never stops it on Windows).
bool PermissionsStopThisProcess();

/// Opens a file with a mode of std::fopen, by its path in the system's own characters.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode);

/// The UTF-8 `text` in the code page named as iconv names it ("ISO-8859-2", "CP852", "CP1250"), by the
/// system's own converter; none when the system cannot convert to it.
std::optional<std::string> ConvertBySystem(std::string_view text, const char* codePage);

} // namespace quarvel::test
