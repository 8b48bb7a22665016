#pragma once

// What the tests do differently on each system (TestPlatformPosix.cpp, TestPlatformWindows.cpp), so
// that the test files need no #ifdef. A case that needs what one system lacks skips, saying so.

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quarvel::test {

/// Whether the tests run on Windows (under wine or not), for what only that system does differently.
bool OnWindows();

/// Why this system cannot make a named pipe in a folder; empty where it can.
std::string WhyNoNamedPipes();

/// Why symbolic links cannot be made here; empty where they can.
std::string WhyNoSymbolicLinks();

/// Tells, in the test's output, that one case of a table was left out on this system and why.
void SkipCase(std::string_view what, std::string_view why);

/// A device every system has, by a name that makes an absolute path ("/dev/null", "NUL" on Windows).
std::string DeviceName();

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
