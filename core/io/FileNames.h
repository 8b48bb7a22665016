#pragma once

// The names of the files a write makes, how a folder's file system compares names, and where a target's
// links lead: what the write of a set of files (AtomicFile.cpp) needs of names.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace quarvel::detail {

namespace fs = std::filesystem;

// Temporary names are short and of one length whatever the target's name, so that any name the
// system allows for a target leaves room for them.
constexpr std::string_view kTempPrefix = ".quarvel-";
constexpr std::string_view kTempSuffix = ".tmp";
// What a run is about to replace and where it keeps the earlier files, named like a temporary file so
// that it fits wherever one does, and told apart from one by its end.
constexpr std::string_view kIntentSuffix = ".job";
constexpr std::string_view kIntentHeader = "quarvel intent 1\n";
constexpr std::size_t kTempDigits = 8;

fs::path temporaryName(const fs::path& folder, std::string_view suffix = kTempSuffix);

bool hasTemporaryShape(const fs::path& name, std::string_view suffix);

fs::path folderOf(const fs::path& file);

// A name as the file systems that fold case compare it: ASCII and the Latin letters of Latin-1 and
// Latin Extended-A (the Polish ones among them) in their small form, in UTF-8. exFAT, FAT, NTFS and
// ext4's casefold all fold at least these alike.
std::string foldedName(const fs::path& name);

// Whether the folder's file system takes two spellings of a name for one, found out in the folder
// itself (a Linux folder may fold case, a Windows one may not): through an entry with letters in it
// and, where there is none and `mayProbe`, through a file made for the purpose and removed at once.
bool folderFoldsCase(const fs::path& folder, bool mayProbe);

// The file a write of `target` replaces: the end of its chain of symbolic links, or `target` itself.
fs::path followLinks(const fs::path& target, int& error);

} // namespace quarvel::detail
