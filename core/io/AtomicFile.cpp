#include "AtomicFile.h"

#include "ByteSource.h"
#include "IoTexts.h"
#include "Platform.h"

#include <cerrno>
#include <deque>
#include <memory>
#include <new>
#include <random>
#include <set>
#include <system_error>

namespace quarvel {
namespace {

namespace fs = std::filesystem;

// Temporary names are short and of one length whatever the target's name, so that any name the
// system allows for a target leaves room for them.
constexpr std::string_view kTempPrefix = ".quarvel-";
constexpr std::string_view kTempSuffix = ".tmp";
constexpr std::size_t kTempDigits = 8;
// Links followed from a target before giving up, as the system does for a path.
constexpr int kMaxLinkHops = 40;

WriteResult failure(const fs::path& target, int error) {
    return {false, error,
            texts::kCannotWriteFile + PathForMessage(target) + "\r" + texts::kReasonPrefix +
                DescribeSystemError(error)};
}

WriteResult sameFileFailure(const fs::path& target, const std::string& role) {
    return {false, EEXIST,
            texts::kCannotWriteFile + PathForMessage(target) + "\r" + texts::kReasonPrefix + texts::kSameFileAs + role};
}

fs::path temporaryName(const fs::path& folder) {
    static constexpr char kHex[] = "0123456789abcdef";
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::string name(kTempPrefix);
    std::uint64_t bits = random();
    for (std::size_t k = 0; k < kTempDigits; ++k, bits >>= 4)
        name += kHex[bits & 15U];
    name += kTempSuffix;
    return folder / platform::PathFromUtf8(name);
}

// The file a write of `target` replaces: the end of its chain of symbolic links, or `target` itself.
fs::path followLinks(const fs::path& target, int& error) {
    fs::path path = target;
    for (int hops = 0; hops <= kMaxLinkHops; ++hops) {
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(path, ec);
        if (status.type() == fs::file_type::not_found) return path;
        if (ec) {
            error = platform::ErrorNumber(ec);
            return {};
        }
        if (!fs::is_symlink(status)) return path;
        const fs::path link = fs::read_symlink(path, ec);
        if (ec) {
            error = platform::ErrorNumber(ec);
            return {};
        }
        path = link.is_absolute() ? link : path.parent_path() / link;
    }
    error = ELOOP;
    return {};
}

class TempFileOutput final : public FileOutput {
public:
    explicit TempFileOutput(platform::NativeFile& file) : m_file(file) { m_buffer.reserve(kBufferSize); }

    void write(std::string_view bytes) override {
        if (m_error != 0) return;
        // Large pieces go out as they are, after what is buffered; only small ones are gathered.
        if (m_buffer.size() + bytes.size() > kBufferSize || bytes.size() >= kDirectWrite) flush();
        if (bytes.size() >= kDirectWrite) {
            if (m_error == 0) m_error = platform::WriteAll(m_file, bytes.data(), bytes.size());
        } else {
            m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
        }
    }

    int flush() override {
        if (m_error == 0 && !m_buffer.empty()) m_error = platform::WriteAll(m_file, m_buffer.data(), m_buffer.size());
        m_buffer.clear();
        return m_error;
    }

private:
    static constexpr std::size_t kBufferSize = std::size_t{1} << 20;
    static constexpr std::size_t kDirectWrite = std::size_t{1} << 16;

    platform::NativeFile& m_file;
    std::vector<char> m_buffer;
    int m_error = 0;
};

// One change on its way: checked, then written to its temporary file, then put in place. Whatever is
// not put in place is removed with the object.
struct PendingChange {
    const FileChange* change = nullptr;
    fs::path target; ///< the file replaced or removed (a written target's links followed)
    bool exists = false;
    fs::path temp; ///< the new content, complete once written
    platform::NativeFile tempFile;
    fs::path backup; ///< the earlier file under a temporary name while the changes are put in place
    platform::NativeFile backupHold;
    bool done = false; ///< put in place

    PendingChange() = default;
    PendingChange(const PendingChange&) = delete;
    PendingChange& operator=(const PendingChange&) = delete;
    ~PendingChange() {
        // Closed first: Windows keeps the name of an open file until it is closed.
        tempFile.close();
        backupHold.close();
        std::error_code ec;
        if (!temp.empty() && !done) fs::remove(temp, ec);
        if (!backup.empty()) fs::remove(backup, ec);
    }

    bool writes() const { return static_cast<bool>(change->produce); }
};

class ChangeSet {
public:
    ChangeSet(const std::vector<FileChange>& changes, const std::vector<ProtectedFile>& untouchable,
              const OutputOpener& open)
        : m_changes(changes), m_untouchable(untouchable), m_open(open) {}

    WriteResult run() {
        if (WriteResult checked = check(); !checked.ok) return checked;
        removeAbandonedFiles();
        for (PendingChange& pending : m_pending) {
            if (!pending.writes()) continue;
            if (WriteResult written = write(pending); !written.ok) return written;
        }
        return putInPlace();
    }

    // Everything that refuses a change, before anything is written.
    WriteResult check() {
        for (const FileChange& change : m_changes) {
            PendingChange& pending = m_pending.emplace_back();
            pending.change = &change;
            int error = 0;
            pending.target = change.produce ? followLinks(change.target, error) : change.target;
            if (error != 0) return failure(change.target, error);
            std::error_code ec;
            const fs::file_status status = fs::symlink_status(pending.target, ec);
            pending.exists = fs::exists(status);
            if (change.produce && fs::is_directory(status)) return failure(change.target, EISDIR);
            if (change.produce) {
                const fs::file_status folder = fs::status(folderOf(pending.target), ec);
                if (!fs::is_directory(folder)) return failure(change.target, fs::exists(folder) ? ENOTDIR : ENOENT);
            }
            if (change.produce &&
                (platform::IsReservedDeviceName(pending.target) || (pending.exists && !fs::is_regular_file(status))))
                return failure(change.target, kNotARegularFile);
            // Only a file or a link of that name is removed; anything else is not a file a command wrote.
            if (!change.produce && !fs::is_regular_file(status) && !fs::is_symlink(status)) pending.exists = false;
        }
        for (std::size_t k = 0; k < m_pending.size(); ++k) {
            const PendingChange& pending = m_pending[k];
            for (const ProtectedFile& file : m_untouchable) {
                if (touchesSameFile(pending, file.file, true)) return sameFileFailure(pending.change->target, file.role);
            }
            for (std::size_t before = 0; before < k; ++before) {
                const PendingChange& other = m_pending[before];
                if (touchesSameFile(pending, other.target, other.writes())) {
                    return sameFileFailure(pending.change->target, other.change->role);
                }
            }
        }
        return {};
    }

private:

    void removeAbandonedFiles() {
        std::set<fs::path> folders;
        for (const PendingChange& pending : m_pending)
            folders.insert(folderOf(pending.target));
        for (const fs::path& folder : folders) {
            std::error_code ec;
            for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
                if (IsTemporaryFileName(it->path().filename())) platform::RemoveIfAbandoned(it->path());
            }
        }
    }

    WriteResult write(PendingChange& pending) {
        const fs::path& target = pending.change->target;
        const fs::path folder = folderOf(pending.target);
        int error = EEXIST;
        for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
            pending.temp = temporaryName(folder);
            // An earlier file's readers must not see the new content under looser permissions on its way.
            pending.tempFile = platform::CreateOwnFile(pending.temp, pending.exists, error);
        }
        if (!pending.tempFile.isOpen()) {
            pending.temp.clear();
            return failure(target, error);
        }
        const std::unique_ptr<FileOutput> output = m_open(pending.tempFile);
        try {
            pending.change->produce(*output);
        } catch (const std::bad_alloc&) {
            return failure(target, ENOMEM);
        } catch (const ProducerFailure& failed) {
            return WriteResult{false, failed.error(), failed.message()};
        }
        error = output->flush();
        if (error == 0 && pending.exists) error = platform::CopyPermissions(pending.tempFile, pending.target);
        if (error == 0) error = platform::SyncFile(pending.tempFile);
        return error == 0 ? WriteResult{} : failure(target, error);
    }

    WriteResult putInPlace() {
        for (PendingChange& pending : m_pending) {
            if (!pending.exists && !pending.writes()) continue;
            if (pending.exists) {
                if (const int error = platform::CheckReplaceable(pending.target); error != 0)
                    return undo(pending, error);
                // The earlier file stays reachable under a temporary name until every change is in place.
                pending.backup = temporaryName(folderOf(pending.target));
                int error = 0;
                if (pending.writes()) {
                    std::error_code ec;
                    fs::create_hard_link(pending.target, pending.backup, ec);
                    if (ec) error = platform::ErrorNumber(ec);
                } else {
                    error = platform::Rename(pending.target, pending.backup);
                }
                if (error != 0) {
                    pending.backup.clear();
                    // Without hard links the earlier file cannot be kept aside; a removal can always be undone.
                    if (!pending.writes() || !linksUnsupported(error)) return undo(pending, error);
                }
                if (!pending.backup.empty()) pending.backupHold = platform::HoldFile(pending.backup, error);
            }
            if (pending.writes()) {
                if (const int error = platform::Rename(pending.temp, pending.target); error != 0)
                    return undo(pending, error);
                // No longer a temporary file; and Windows cannot put the earlier file back over an open one.
                pending.tempFile.close();
            }
            pending.done = true;
        }
        std::set<fs::path> folders;
        for (PendingChange& pending : m_pending) {
            if (!pending.done) continue;
            folders.insert(folderOf(pending.target));
            pending.tempFile.close();
            pending.backupHold.close();
            std::error_code ec;
            if (!pending.backup.empty()) fs::remove(pending.backup, ec);
            pending.backup.clear();
        }
        for (const fs::path& folder : folders) {
            if (const int error = platform::SyncFolder(folder); error != 0)
                return failure(m_changes.front().target, error);
        }
        return {};
    }

    // Puts back every change already made, then reports the failure of `failed`.
    WriteResult undo(PendingChange& failed, int error) {
        for (auto it = m_pending.rbegin(); it != m_pending.rend(); ++it) {
            PendingChange& pending = *it;
            if (!pending.done) continue;
            std::error_code ec;
            if (!pending.backup.empty()) {
                if (platform::Rename(pending.backup, pending.target) == 0) pending.backup.clear();
            } else if (!pending.exists) {
                fs::remove(pending.target, ec);
            }
            pending.done = false;
        }
        return failure(failed.change->target, error);
    }

    // A removal takes away a name, not a file: it meets another change only where that change's name is
    // the same, whatever a link or hard link shares with it.
    static bool touchesSameFile(const PendingChange& pending, const fs::path& other, bool otherIsFile) {
        if (pending.writes() && otherIsFile) return SameFile(pending.target, other);
        const std::optional<fs::path> a = nameOf(pending.target);
        const std::optional<fs::path> b = nameOf(other);
        return a && b && *a == *b;
    }

    static std::optional<fs::path> nameOf(const fs::path& file) {
        std::error_code ec;
        const fs::path absolute = fs::absolute(file, ec);
        if (ec) return std::nullopt;
        const fs::path folder = fs::weakly_canonical(absolute.parent_path(), ec);
        if (ec) return std::nullopt;
        return folder / absolute.filename();
    }

    static bool linksUnsupported(int error) {
        return error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == EMLINK || error == ENOSYS;
    }

    static fs::path folderOf(const fs::path& file) {
        fs::path folder = file.parent_path();
        return folder.empty() ? fs::path(".") : folder;
    }

    const std::vector<FileChange>& m_changes;
    const std::vector<ProtectedFile>& m_untouchable;
    const OutputOpener& m_open;
    std::deque<PendingChange> m_pending; ///< never moved: each removes its files when it goes
};

} // namespace

bool IsTemporaryFileName(const fs::path& name) {
    const std::string text = platform::Utf8FromPath(name.filename());
    if (text.size() != kTempPrefix.size() + kTempDigits + kTempSuffix.size()) return false;
    if (!text.starts_with(kTempPrefix) || !text.ends_with(kTempSuffix)) return false;
    const std::string_view digits = std::string_view(text).substr(kTempPrefix.size(), kTempDigits);
    return digits.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec) && !ec) return true;
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

std::unique_ptr<FileOutput> OpenFileOutput(platform::NativeFile& file) {
    return std::make_unique<TempFileOutput>(file);
}

WriteResult ChangeFilesTogether(const std::vector<FileChange>& changes, const std::vector<ProtectedFile>& untouchable,
                                const OutputOpener& open) {
    if (changes.empty()) return {};
    ChangeSet set(changes, untouchable, open);
    return set.run();
}

WriteResult CheckFileChanges(const std::vector<FileChange>& changes, const std::vector<ProtectedFile>& untouchable) {
    static const OutputOpener kSystem = OpenFileOutput; // the check writes nothing
    ChangeSet set(changes, untouchable, kSystem);
    return set.check();
}

WriteResult WriteFileAtomically(const fs::path& target, const Producer& produce,
                                const std::vector<ProtectedFile>& untouchable, const OutputOpener& open) {
    return ChangeFilesTogether({FileChange{target, produce, {}}}, untouchable, open);
}

} // namespace quarvel
