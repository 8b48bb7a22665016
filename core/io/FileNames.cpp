#include "FileNames.h"

#include "AtomicFile.h"
#include "ByteSource.h"
#include "Platform.h"

#include <cerrno>
#include <random>
#include <system_error>

namespace quarvel {
namespace detail {
namespace {

// Links followed from a target before giving up, as the system does for a path.
constexpr int kMaxLinkHops = 40;

// The other spelling of a name: its ASCII letters in the other case; the name itself without any.
template <typename Char>
std::basic_string<Char> swappedCase(const std::basic_string<Char>& name) {
    std::basic_string<Char> swapped = name;
    for (Char& c : swapped) {
        if (c >= Char('a') && c <= Char('z')) {
            c = static_cast<Char>(c - Char('a') + Char('A'));
        } else if (c >= Char('A') && c <= Char('Z')) {
            c = static_cast<Char>(c - Char('A') + Char('a'));
        }
    }
    return swapped;
}

// Whether the entry `name` is in `folder` under exactly that spelling.
bool listedAs(const fs::path& folder, const fs::path& name) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().filename().native() == name.native()) return true;
    }
    return false;
}

// Whether `spelling` in `folder` reaches the entry `name` there: a file system that folds case finds
// an entry by either spelling, one that does not finds only its own. Where both names are found as
// different files a listing tells two entries from one (a FUSE file system may give each spelling an
// inode of its own).
bool reachedByOtherSpelling(const fs::path& folder, const fs::path& name, const fs::path& spelling) {
    const std::optional<platform::FileId> named = platform::identityOf(folder / name, true);
    const std::optional<platform::FileId> other = platform::identityOf(folder / spelling, true);
    if (!named || !other) return false;
    if (*named == *other) return true;
    return !listedAs(folder, spelling);
}

} // namespace

fs::path temporaryName(const fs::path& folder, std::string_view suffix) {
    static constexpr char kHex[] = "0123456789abcdef";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string name(kTempPrefix);
    std::uint64_t bits = random();
    for (std::size_t k = 0; k < kTempDigits; ++k, bits >>= 4)
        name += kHex[bits & 15U];
    name += suffix;
    return folder / platform::pathFromUtf8(name);
}

bool hasTemporaryShape(const fs::path& name, std::string_view suffix) {
    const std::string text = platform::utf8FromPath(name.filename());
    if (text.size() != kTempPrefix.size() + kTempDigits + suffix.size()) return false;
    if (!text.starts_with(kTempPrefix) || !text.ends_with(suffix)) return false;
    const std::string_view digits = std::string_view(text).substr(kTempPrefix.size(), kTempDigits);
    return digits.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

fs::path folderOf(const fs::path& file) {
    fs::path folder = file.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

std::string foldedName(const fs::path& name) {
    const std::string text = platform::utf8FromPath(name);
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t k = 0; k < text.size(); ++k) {
        const auto c = static_cast<unsigned char>(text[k]);
        if (c >= 'A' && c <= 'Z') {
            folded += static_cast<char>(c + ('a' - 'A'));
            continue;
        }
        if ((c == 0xC3 || c == 0xC4 || c == 0xC5) && k + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[k + 1]);
            if ((next & 0xC0) == 0x80) {
                unsigned code = ((c & 0x1FU) << 6) | (next & 0x3FU);
                if (code >= 0xC0 && code <= 0xDE && code != 0xD7) {
                    code += 0x20;
                } else if (code == 0x178) {
                    code = 0xFF;
                } else if ((code >= 0x100 && code <= 0x137) || (code >= 0x14A && code <= 0x177)) {
                    code |= 1U; // capital even, small odd
                } else if ((code >= 0x139 && code <= 0x148) || (code >= 0x179 && code <= 0x17E)) {
                    code += code & 1U; // capital odd, small even
                }
                folded += static_cast<char>(0xC0U | (code >> 6));
                folded += static_cast<char>(0x80U | (code & 0x3FU));
                ++k;
                continue;
            }
        }
        folded += static_cast<char>(c);
    }
    return folded;
}

bool folderFoldsCase(const fs::path& folder, bool mayProbe) {
    std::error_code ec;
    int looked = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end && looked < 64; it.increment(ec)) {
        const fs::path name = it->path().filename();
        const fs::path spelling(swappedCase(name.native()));
        if (spelling == name) continue;
        ++looked;
        if (reachedByOtherSpelling(folder, name, spelling)) return true;
        if (!fs::exists(fs::symlink_status(folder / spelling, ec))) return false;
    }
    if (looked > 0 || !mayProbe) return false;
    int error = EEXIST;
    fs::path probe;
    platform::NativeFile file;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
        probe = temporaryName(folder);
        file = platform::createOwnFile(probe, true, error);
    }
    if (!file.isOpen()) return false;
    const bool folds = reachedByOtherSpelling(folder, probe.filename(), fs::path(swappedCase(probe.filename().native())));
    file.close();
    fs::remove(probe, ec);
    return folds;
}

fs::path followLinks(const fs::path& target, int& error) {
    fs::path path = target;
    for (int hops = 0; hops <= kMaxLinkHops; ++hops) {
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(path, ec);
        if (status.type() == fs::file_type::not_found) return path;
        if (ec) {
            error = platform::errorNumber(ec);
            return {};
        }
        if (!fs::is_symlink(status)) return path;
        if (!platform::mayFollowLink(path)) {
            error = kUntrustedLink;
            return {};
        }
        const fs::path link = fs::read_symlink(path, ec);
        if (ec) {
            error = platform::errorNumber(ec);
            return {};
        }
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    error = ELOOP;
    return {};
}

} // namespace detail

using namespace detail;

bool isTemporaryFileName(const fs::path& name) {
    return hasTemporaryShape(name, kTempSuffix);
}

bool sameFile(const fs::path& a, const fs::path& b) {
    const std::optional<platform::FileId> idA = platform::identityOf(a);
    const std::optional<platform::FileId> idB = platform::identityOf(b);
    if (idA && idB && *idA == *idB) return true;
    const auto resolved = [](const fs::path& p) -> std::optional<fs::path> {
        std::error_code failed;
        const fs::path absolute = fs::absolute(p, failed);
        if (failed) return std::nullopt;
        fs::path canonical = fs::weakly_canonical(absolute, failed);
        if (failed) return std::nullopt;
        return canonical;
    };
    const std::optional<fs::path> resolvedA = resolved(a);
    const std::optional<fs::path> resolvedB = resolved(b);
    return resolvedA && resolvedB && *resolvedA == *resolvedB;
}

} // namespace quarvel
